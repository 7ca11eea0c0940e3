#ifndef TESSARY_TESTS_E2E_REPORT_FILE_H_
#define TESSARY_TESTS_E2E_REPORT_FILE_H_

#include <windows.h>

#include <string>

// "key=value" lines in UTF-8 for the Python side of the end-to-end tests. Line breaks
// and backslashes in values are escaped, so that every entry is one line.
class ReportFile {
 public:
  void Add(const std::wstring& key, const std::wstring& value) {
    std::wstring escaped;
    for (wchar_t c : value) {
      if (c == L'\\') escaped += L"\\\\";
      else if (c == L'\r') escaped += L"\\r";
      else if (c == L'\n') escaped += L"\\n";
      else if (c == L'\t') escaped += L"\\t";
      else escaped += c;
    }
    text_ += key + L"=" + escaped + L"\n";
  }
  void Add(const std::wstring& key, long long value) { Add(key, std::to_wstring(value)); }

  // Written whole under a temporary name and renamed, so a reader never sees half a report.
  bool Save(const std::wstring& path) const {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text_.c_str(), static_cast<int>(text_.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text_.c_str(), static_cast<int>(text_.size()), &utf8[0], bytes, nullptr,
                        nullptr);
    const std::wstring partial = path + L".partial";
    const HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(file);
    return ok && MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
  }

 private:
  std::wstring text_;
};

// Milliseconds since 1601 on the system clock, comparable between processes.
inline long long NowMilliseconds() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return ((static_cast<long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime) / 10000;
}

inline std::wstring EnvironmentValue(const wchar_t* name, const wchar_t* fallback) {
  wchar_t buffer[4096];
  const DWORD length = GetEnvironmentVariableW(name, buffer, 4096);
  return length > 0 && length < 4096 ? std::wstring(buffer, length) : std::wstring(fallback);
}

#endif  // TESSARY_TESTS_E2E_REPORT_FILE_H_
