#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/runtime_error.h"
#include "launcher/server_start.h"
#include "launcher/server_watch.h"

namespace tessary {
namespace {

std::wstring TempFolder() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp) + L"tessary-start-test";
}

// Windows finds a long name beyond MAX_PATH only through the \\?\ form, which Wine gives
// back unchanged: the plain form first.
std::wstring LongName(const std::wstring& path) {
  wchar_t long_path[32768];
  for (const std::wstring& query : {path, L"\\\\?\\" + path}) {
    const DWORD length = GetLongPathNameW(query.c_str(), long_path, 32768);
    if (length == 0 || length >= 32768) continue;
    std::wstring name(long_path, length);
    return name.compare(0, 4, L"\\\\?\\") == 0 ? name.substr(4) : name;
  }
  return path;
}

// The server inherits the working directory, so it must be the application folder even
// when that folder is deeper than MAX_PATH. Wine takes such a folder as it is, as deep as
// Linux lets it be (about 4000 characters), so there only the last folder shows the
// short-name fallback: its name ends in a dot, which the Win32 path rules drop, so its
// long name names nothing while its short name does, on Windows too.
TEST(StartServer, WorkingDirectoryIsTheApplicationFolderEvenBeyondMaxPath) {
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  const std::wstring program = std::wstring(system) + L"\\cmd.exe";
  std::wstring deep = TempFolder();
  CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr);
  for (wchar_t part : {L'a', L'b', L'c', L'd'}) {
    deep += L"\\" + std::wstring(60, part);
    CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr);
  }
  ASSERT_GT(deep.size(), static_cast<size_t>(MAX_PATH));
  const std::wstring dotted = deep + L"\\Quorlane Server.";
  CreateDirectoryW((L"\\\\?\\" + dotted).c_str(), nullptr);

  for (const std::wstring& folder : {TempFolder(), deep, dotted}) {
    try {
      StartServer(program, L"cmd.exe /c exit 0", folder);
    } catch (const RuntimeError& error) {
      ADD_FAILURE() << "not started in a folder of " << folder.size() << " characters: error " << error.number();
      continue;
    }
    wchar_t current[32768];
    const DWORD length = GetCurrentDirectoryW(32768, current);
    EXPECT_EQ(LongName(std::wstring(current, length)), folder) << folder.size();
  }
}

TEST(StartServer, AMissingProgramOrFolderIsNamedInTheError) {
  const std::wstring folder = TempFolder();
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::pair<std::wstring, std::wstring> cases[] = {
      {folder + L"\\jre\\bin\\java.exe", folder},
      {L"java", folder},  // on the search path, where there is none
      {folder + L"\\jre\\bin\\java.exe", folder + L"\\no such folder"},
  };
  for (const auto& [program, directory] : cases) {
    try {
      StartServer(program, L"java -classpath x Quorlane.Frame11", directory);
      ADD_FAILURE() << "started";
    } catch (const RuntimeError& error) {
      const std::wstring& named = directory.find(L"no such") != std::wstring::npos ? directory : program;
      const std::wstring& text = error.description();
      EXPECT_EQ(text.substr(text.size() - named.size()), named);
      EXPECT_NE(error.number(), 0);
    }
  }
}

// A server that cannot be waited on gives no reason to end early: the launcher lingers.
TEST(WatchServer, LingersForTheWholeTimeWhenTheWaitFails) {
  const ULONGLONG started = GetTickCount64();
  const ServerWatch watch = WatchServer(StartedServer(), 300);
  // The tick count moves in steps of 10 to 16 ms, on both sides of the measurement.
  EXPECT_GE(GetTickCount64() - started, 250u);
  EXPECT_FALSE(watch.ended);
}

}  // namespace
}  // namespace tessary
