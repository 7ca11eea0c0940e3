#ifndef TESSARY_BASE_PATH_H_
#define TESSARY_BASE_PATH_H_

#include <algorithm>
#include <string>

#include "base/text.h"

namespace tessary {

// A folder path as the launcher keeps and shows it: without trailing separators, except
// that a drive root keeps its own ("C:\"), since "C:" alone names the drive's current
// folder.
inline std::wstring FolderPath(const std::wstring& path) {
  std::size_t end = path.size();
  while (end > 0 && (path[end - 1] == L'\\' || path[end - 1] == L'/')) --end;
  if (end > 0 && end < path.size() && path[end - 1] == L':') ++end;
  return path.substr(0, end);
}

// The folder that holds a file: "C:\Srv\Tessary.exe" gives "C:\Srv", "C:\Tessary.exe" gives
// "C:\"; empty for a name without a folder.
inline std::wstring ParentFolder(const std::wstring& file_path) {
  const std::size_t separator = file_path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? std::wstring() : FolderPath(file_path.substr(0, separator + 1));
}

// True when two paths name the same folder, whatever the case of their ASCII letters and
// their separators, trailing ones included.
inline bool SameFolder(const std::wstring& a, const std::wstring& b) {
  const auto comparable = [](const std::wstring& path) {
    std::wstring folder = AsciiLowerCase(FolderPath(path));
    std::replace(folder.begin(), folder.end(), L'/', L'\\');
    return folder;
  };
  return comparable(a) == comparable(b);
}

}  // namespace tessary

#endif  // TESSARY_BASE_PATH_H_
