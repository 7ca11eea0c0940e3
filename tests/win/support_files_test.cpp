// Installing the serial-communication support files into a runtime home, on real folders
// under the temporary directory (whose name has a space and characters outside ASCII).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "runtime/comm_support_files.h"
#include "runtime/mod_main.h"
#include "test_seams.h"
#include "tests/support/win_files.h"
#include "tests/support/windows_argv.h"

namespace tessary {
namespace {

using test_support::Join;
using test_support::ListTree;
using test_support::MakeFolders;
using test_support::Printable;
using test_support::RecordingSeams;
using test_support::RemoveTree;

// The support files by their place in a runtime home, in the order they are installed.
const std::wstring kCommJar = L"lib\\ext\\Comm.jar";
const std::wstring kProperties = L"lib\\javax.comm.properties";
const std::wstring kNativeLibrary = L"bin\\Win32com.dll";
const std::wstring kJdcJar = L"lib\\ext\\jdc.jar";
const std::wstring kAll[] = {kCommJar, kProperties, kNativeLibrary, kJdcJar};

std::wstring FileName(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

// Distinct bytes for each file, zeros and high bytes included; Comm.jar spans several
// copy buffers.
std::string SourceBytes(const std::wstring& name) {
  std::string bytes = Printable(name) + std::string("\0\xff\r\n", 4);
  if (name == L"Comm.jar") {
    for (int i = 0; i < 200000; ++i) bytes += static_cast<char>(i * 7 % 251);
  }
  return bytes;
}
std::string OldBytes(const std::wstring& name) { return "an older " + Printable(name); }

void PutFile(const std::wstring& path, const std::string& content, const FILETIME* written_at = nullptr) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << Printable(path);
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  if (written_at != nullptr) SetFileTime(file, nullptr, nullptr, written_at);
  CloseHandle(file);
}

std::optional<std::string> ReadAll(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string content(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &read, nullptr);
  CloseHandle(file);
  return content;
}

// The system's text for an error, as Wine or Windows words it, written out here so that a
// fault in how the launcher trims it cannot cancel out.
bool IsSystemText(DWORD error, const std::wstring& text) {
  const struct {
    DWORD error;
    const wchar_t* wine;
    const wchar_t* windows;
  } kTexts[] = {
      {ERROR_FILE_NOT_FOUND, L"File not found.", L"The system cannot find the file specified."},
      {ERROR_PATH_NOT_FOUND, L"Path not found.", L"The system cannot find the path specified."},
      {ERROR_SHARING_VIOLATION, L"Sharing violation.",
       L"The process cannot access the file because it is being used by another process."},
      {ERROR_ALREADY_EXISTS, L"File already exists.", L"Cannot create a file when that file already exists."},
  };
  for (const auto& known : kTexts) {
    if (known.error == error) return text == known.wine || text == known.windows;
  }
  return false;
}

class SupportFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    root_ = std::wstring(temp) + L"tessary support \u00dc\u77ed " + std::to_wstring(GetCurrentProcessId());
    support_ = root_ + L"\\support\\";
    home_ = root_ + L"\\jre";
  }
  void TearDown() override { RemoveTree(root_); }

  std::wstring root_, support_, home_;
};

TEST_F(SupportFilesTest, CopiesWhatIsMissingAndStopsAtTheFirstFailure) {
  const std::vector<std::wstring> kFolders = {L"lib", L"lib\\ext", L"bin"};
  const struct {
    const char* what;
    std::vector<std::wstring> folders;          // in the home, made beforehand
    bool support_folder;                        // whether the support folder exists
    std::vector<std::wstring> missing_sources = {};  // support files not in it
    std::vector<std::wstring> present = {};          // support files already in the home, with other bytes
    std::vector<std::wstring> leftovers = {};        // partial copies an earlier, stopped launcher left
    std::vector<std::wstring> copied = {};
    DWORD error = 0;            // of the first message; 0 when nothing is shown
    std::wstring subject = {};  // the path the first message names, under the test folder
    bool read_only_sources = false;
    const wchar_t* locked_source = nullptr;  // held open without sharing during the copy
  } cases[] = {
      {.what = "all missing", .folders = kFolders, .support_folder = true,
       .copied = {kCommJar, kProperties, kNativeLibrary, kJdcJar}},
      {.what = "only the native library missing", .folders = kFolders, .support_folder = true,
       .present = {kCommJar, kProperties, kJdcJar}, .copied = {kNativeLibrary}},
      {.what = "all present, no support folder", .folders = kFolders, .support_folder = false,
       .present = {kCommJar, kProperties, kNativeLibrary, kJdcJar}},
      {.what = "abandoned copies removed", .folders = kFolders, .support_folder = true, .present = {kProperties},
       .leftovers = {L"lib\\ext\\Comm.jar.1234.tessary-partial", L"bin\\Win32com.dll.99999.tessary-partial"},
       .copied = {kCommJar, kNativeLibrary, kJdcJar}},
      // Ids are reused, so a copy under this process's id is an earlier process's. The leading zero keeps
      // its name apart from this run's own partial copy, which would replace it whether removed or not.
      {.what = "a copy under this process's id removed", .folders = kFolders, .support_folder = true,
       .leftovers = {kCommJar + L".0" + std::to_wstring(GetCurrentProcessId()) + L".tessary-partial"},
       .copied = {kCommJar, kProperties, kNativeLibrary, kJdcJar}},
      {.what = "no support folder", .folders = kFolders, .support_folder = false, .error = ERROR_PATH_NOT_FOUND,
       .subject = L"support\\Comm.jar"},
      // javax.comm.properties could be copied, but the walk stops at Comm.jar.
      {.what = "no Comm.jar to copy", .folders = kFolders, .support_folder = true, .missing_sources = {L"Comm.jar"},
       .error = ERROR_FILE_NOT_FOUND, .subject = L"support\\Comm.jar"},
      {.what = "runtime without bin", .folders = {L"lib", L"lib\\ext"}, .support_folder = true,
       .copied = {kCommJar, kProperties}, .error = ERROR_PATH_NOT_FOUND, .subject = L"jre\\bin\\Win32com.dll"},
      {.what = "runtime without lib\\ext", .folders = {L"lib", L"bin"}, .support_folder = true,
       .error = ERROR_PATH_NOT_FOUND, .subject = L"jre\\lib\\ext\\Comm.jar"},
      {.what = "a folder in the native library's place", .folders = {L"lib", L"lib\\ext", L"bin", L"bin\\Win32com.dll"},
       .support_folder = true, .copied = {kCommJar, kProperties}, .error = ERROR_ALREADY_EXISTS,
       .subject = L"jre\\bin\\Win32com.dll"},
      // The partial copies are read-only like their sources, and must go all the same.
      {.what = "read-only sources, then a folder in the way",
       .folders = {L"lib", L"lib\\ext", L"bin", L"bin\\Win32com.dll"}, .support_folder = true,
       .leftovers = {L"lib\\ext\\Comm.jar.99999.tessary-partial"}, .copied = {kCommJar, kProperties},
       .error = ERROR_ALREADY_EXISTS, .subject = L"jre\\bin\\Win32com.dll", .read_only_sources = true},
      {.what = "a source another program holds", .folders = kFolders, .support_folder = true, .copied = {kCommJar},
       .error = ERROR_SHARING_VIOLATION, .subject = L"support\\javax.comm.properties",
       .locked_source = L"javax.comm.properties"},
  };
  FILETIME old_time = {};
  const SYSTEMTIME old_day = {2001, 1, 1, 1, 12, 0, 0, 0};
  SystemTimeToFileTime(&old_day, &old_time);

  for (const auto& c : cases) {
    RemoveTree(root_);
    MakeFolders(home_);
    if (c.support_folder) {
      MakeFolders(support_);
      for (const std::wstring& file : kAll) {
        const std::wstring name = FileName(file);
        if (std::find(c.missing_sources.begin(), c.missing_sources.end(), name) == c.missing_sources.end()) {
          PutFile(support_ + name, SourceBytes(name));
          if (c.read_only_sources) SetFileAttributesW((support_ + name).c_str(), FILE_ATTRIBUTE_READONLY);
        }
      }
    }
    std::vector<std::wstring> expected_tree;
    for (const std::wstring& folder : c.folders) {
      MakeFolders(home_ + L"\\" + folder);
      expected_tree.push_back(folder + L"\\");
    }
    for (const std::wstring& file : c.present) {
      PutFile(home_ + L"\\" + file, OldBytes(file), &old_time);
      expected_tree.push_back(file);
    }
    for (const std::wstring& file : c.leftovers) {
      PutFile(home_ + L"\\" + file, "half a file");
      if (c.read_only_sources) SetFileAttributesW((home_ + L"\\" + file).c_str(), FILE_ATTRIBUTE_READONLY);
    }
    for (const std::wstring& file : c.copied) expected_tree.push_back(file);

    const HANDLE lock = c.locked_source == nullptr
                            ? INVALID_HANDLE_VALUE
                            : CreateFileW((support_ + c.locked_source).c_str(), GENERIC_READ, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
    RecordingSeams seams;
    InstallCommSupportFilesFrom(support_, home_);
    if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);

    const std::vector<std::wstring>& messages = seams.messages();
    if (c.error == 0) {
      EXPECT_TRUE(messages.empty()) << c.what << ": " << Join(messages);
    } else if (messages.size() != 2) {
      ADD_FAILURE() << c.what << ": " << Join(messages);
    } else {
      // The system's text, then the path on a line of its own.
      const std::wstring& first = messages[0];
      const size_t line_break = first.find(L"\r\n");
      EXPECT_TRUE(IsSystemText(c.error, first.substr(0, line_break))) << c.what << ": " << Join(messages);
      EXPECT_EQ(Printable(first.substr(line_break + 2)), Printable(root_ + L"\\" + c.subject)) << c.what;
      EXPECT_EQ(Printable(messages[1]), "Error While Copying JAR File") << c.what;
    }
    for (const std::wstring& file : c.copied) {
      EXPECT_TRUE(ReadAll(home_ + L"\\" + file) == SourceBytes(FileName(file))) << c.what << ": " << Printable(file);
    }
    for (const std::wstring& file : c.present) {
      EXPECT_EQ(ReadAll(home_ + L"\\" + file), OldBytes(file)) << c.what << ": " << Printable(file);
      WIN32_FILE_ATTRIBUTE_DATA data = {};
      GetFileAttributesExW((home_ + L"\\" + file).c_str(), GetFileExInfoStandard, &data);
      EXPECT_EQ(CompareFileTime(&data.ftLastWriteTime, &old_time), 0) << c.what << ": " << Printable(file);
    }
    // Exact names, no folder made, nothing else copied and no partial copy left behind.
    std::vector<std::wstring> tree;
    ListTree(home_, L"", tree);
    std::sort(tree.begin(), tree.end());
    std::sort(expected_tree.begin(), expected_tree.end());
    EXPECT_TRUE(tree == expected_tree) << c.what << ": " << Join(tree);
  }
}

// Another launcher may have written its copy whole and be about to rename it.
TEST_F(SupportFilesTest, LeavesThePartialCopyOfALauncherThatStillRunsAlone) {
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  std::wstring command_line = L"cmd.exe";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION running = {};
  ASSERT_TRUE(CreateProcessW((std::wstring(system) + L"\\cmd.exe").c_str(), command_line.data(), nullptr, nullptr,
                             FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup, &running));
  MakeFolders(support_);
  for (const std::wstring& file : kAll) {
    MakeFolders(home_ + L"\\" + file.substr(0, file.find_last_of(L'\\')));
    PutFile(support_ + FileName(file), SourceBytes(FileName(file)));
  }
  const std::wstring other =
      home_ + L"\\" + kCommJar + L"." + std::to_wstring(running.dwProcessId) + L".tessary-partial";
  PutFile(other, "written whole, not renamed yet");

  RecordingSeams seams;
  InstallCommSupportFilesFrom(support_, home_);
  TerminateProcess(running.hProcess, 0);
  CloseHandle(running.hThread);
  CloseHandle(running.hProcess);

  EXPECT_TRUE(seams.messages().empty()) << Join(seams.messages());
  EXPECT_EQ(ReadAll(other), "written whole, not renamed yet");
  for (const std::wstring& file : kAll) {
    EXPECT_EQ(ReadAll(home_ + L"\\" + file), SourceBytes(FileName(file))) << Printable(file);
  }
}

}  // namespace
}  // namespace tessary
