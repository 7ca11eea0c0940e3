// Locating the Java runtime through the registry, under HKEY_CURRENT_USER so that the
// machine's own runtimes play no part. The homes registered here already hold the four
// support files, so that installing them shows nothing.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "registry/MRegistry.h"
#include "runtime/java_runtime.h"
#include "runtime/mod_main.h"
#include "test_seams.h"
#include "tests/support/utf16.h"
#include "tests/support/win_files.h"
#include "tests/support/windows_argv.h"

namespace tessary {
namespace {

using test_support::Join;
using test_support::MakeFolders;
using test_support::Printable;
using test_support::RemoveTree;
using test_support::Utf16;
using Bytes = std::vector<std::uint8_t>;

constexpr wchar_t kJavaSoftKey[] = L"SOFTWARE\\JavaSoft";
const std::wstring kNotInstalled =
    L"You have not Installed Java Runtime Environment on your computer.\r\n"
    L"Download and install Java Runtime Environment Version 1.5 or higher version.\r\n"
    L"Please refer installtion guide of Halvery for further help";
const std::wstring kNoRecentVersion = L"Java Runtime Environment version 1.5 or higher version is not avaiable";
const std::wstring kSearchFailed = L"Error While Searching JVM on Your Machine";

void MakeEquippedHome(const std::wstring& home) {
  MakeFolders(java_runtime::ExtensionFolder(home));
  MakeFolders(java_runtime::NativeLibraryFolder(home));
  for (const std::wstring& file :
       {java_runtime::ExtensionFolder(home) + L"Comm.jar", java_runtime::LibraryFolder(home) + L"javax.comm.properties",
        java_runtime::NativeLibraryFolder(home) + L"Win32com.dll", java_runtime::ExtensionFolder(home) + L"jdc.jar"}) {
    CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
}

// A version subkey and its JavaHome value; without a type, the subkey has no JavaHome.
struct Registered {
  std::wstring version;
  std::optional<DWORD> type;
  Bytes data;
};
Registered Runtime(const std::wstring& version, const std::wstring& home) { return {version, REG_SZ, Utf16(home)}; }

void Register(const std::vector<Registered>& runtimes) {
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, java_runtime::kRegistryKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
  RegCloseKey(key);
  for (const Registered& runtime : runtimes) {
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, java_runtime::VersionKeyPath(runtime.version).c_str(), 0, nullptr, 0,
                              KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (runtime.type) {
      RegSetValueExW(key, java_runtime::kHomeValueName, 0, *runtime.type, runtime.data.data(),
                     static_cast<DWORD>(runtime.data.size()));
    }
    RegCloseKey(key);
  }
}

struct Outcome {
  std::vector<std::wstring> messages;
  std::wstring home;
  std::optional<ExitCode> ended;
};

Outcome Locate() {
  JavaHomePath = L"stale";
  test_support::RecordingSeams seams;
  Outcome outcome;
  try {
    LocateJavaRuntimeIn(HKEY_CURRENT_USER);
  } catch (const test_support::ProcessEnded& ended) {
    outcome.ended = ended.code;
  }
  outcome.messages = seams.messages();
  outcome.home = JavaHomePath;
  return outcome;
}

class LocatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kJavaSoftKey);
    wchar_t path[MAX_PATH + 1] = {};
    GetCurrentDirectoryW(MAX_PATH, path);
    previous_directory_ = path;
    GetTempPathW(MAX_PATH, path);
    root_ = path + (L"tessary-locator-" + std::to_wstring(GetCurrentProcessId()));
    RemoveTree(root_);
    home_a_ = root_ + L"\\Java Homes\\jre a";
    home_b_ = root_ + L"\\Java Homes\\jre \u00dc \u77ed";
    home_c_ = root_ + L"\\Java Homes\\jre c";
    for (const std::wstring& home : {home_a_, home_b_, home_c_}) MakeEquippedHome(home);
    MakeEquippedHome(root_ + L"\\42");
    MakeEquippedHome(root_ + L"\\-1");
    MakeFolders(root_ + L"\\empty");
  }
  void TearDown() override {
    SetCurrentDirectoryW(previous_directory_.c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, kJavaSoftKey);
    RemoveTree(root_);
    JavaHomePath.clear();
  }

  std::wstring previous_directory_, root_, home_a_, home_b_, home_c_;
};

TEST_F(LocatorTest, ChoosesTheFirstRecentRuntimeListedOrSaysWhyNot) {
  const std::wstring quoted = L"C:\\Jre\" -jar C:\\evil.jar \"";
  const struct {
    const char* what;
    bool registered;  // whether the Java Runtime Environment key exists
    std::vector<Registered> runtimes;
    std::vector<std::wstring> messages;
    std::wstring home;
    std::optional<ExitCode> ended;
  } cases[] = {
      {"nothing registered", false, {}, {kNotInstalled}, L"", ExitCode::kNoJavaRuntime},
      {"no versions", true, {}, {kNoRecentVersion}, L"", ExitCode::kNoRecentJavaRuntime},
      {"only older versions", true, {Runtime(L"1.3", home_a_), Runtime(L"1.4.2_19", home_b_)}, {kNoRecentVersion},
       L"", ExitCode::kNoRecentJavaRuntime},
      {"1.10 reads as 1.1", true, {Runtime(L"1.10", home_a_)}, {kNoRecentVersion}, L"",
       ExitCode::kNoRecentJavaRuntime},
      // Registered 1.6 first, but the registry lists 1.4.2, 1.5, 1.6.
      {"first recent one listed", true,
       {Runtime(L"1.6", home_c_), Runtime(L"1.4.2", home_a_), Runtime(L"1.5", home_b_)}, {}, home_b_, {}},
      {"an update of 1.5", true, {Runtime(L"1.6", home_c_), Runtime(L"1.5.0_06", home_b_)}, {}, home_b_, {}},
      // Listed as 10, 11, 2: neither the lowest nor the highest version wins.
      {"first listed, not lowest or highest", true,
       {Runtime(L"2", home_c_), Runtime(L"11", home_b_), Runtime(L"10", home_a_)}, {}, home_a_, {}},
      {"names after the choice are not read", true, {Runtime(L"1.5", home_b_), Runtime(L"CurrentVersion", L"")}, {},
       home_b_, {}},
      {"a name that is no number", true, {Runtime(L"1.4.2", home_a_), Runtime(L"CurrentVersion", home_c_)},
       {L"Type mismatch", kSearchFailed}, L"", {}},
      {"a name that is no number, listed first", true, {Runtime(L"1,6", home_c_), Runtime(L"1.5", home_b_)},
       {L"Type mismatch", kSearchFailed}, L"", {}},
      {"no JavaHome", true, {{L"1.5", {}, {}}}, {L"Unsupported value type", kSearchFailed}, L"", {}},
      {"JavaHome of no type", true, {{L"1.5", REG_NONE, Utf16(home_b_)}}, {L"Unsupported value type", kSearchFailed},
       L"", {}},
      {"JavaHome as bytes", true, {{L"1.5", REG_BINARY, Utf16(home_b_)}}, {L"Type mismatch", kSearchFailed}, L"", {}},
      // The digits are a path relative to the current directory, which has an equipped 42.
      {"JavaHome as integer", true, {{L"1.5", REG_DWORD, Bytes{42, 0, 0, 0}}}, {}, L"42", {}},
      {"JavaHome as integer, all bits set", true, {{L"1.5", REG_DWORD, Bytes{255, 255, 255, 255}}}, {}, L"-1", {}},
      {"empty JavaHome", true, {Runtime(L"1.5", L"")}, {}, L"", {}},
      {"JavaHome with a quotation mark", true, {Runtime(L"1.5", quoted)},
       {L"The JavaHome value of Java Runtime Environment 1.5 is not a folder path:\r\n" + quoted, kSearchFailed},
       L"", {}},
  };
  ASSERT_TRUE(SetCurrentDirectoryW(root_.c_str()));
  for (const auto& c : cases) {
    RegDeleteTreeW(HKEY_CURRENT_USER, kJavaSoftKey);
    if (c.registered) Register(c.runtimes);
    const Outcome outcome = Locate();
    EXPECT_TRUE(outcome.messages == c.messages) << c.what << ": " << Join(outcome.messages);
    EXPECT_EQ(Printable(outcome.home), Printable(c.home))
        << c.what << "; listed " << Join(ListRegistrySubkeys(HKEY_CURRENT_USER, java_runtime::kRegistryKey));
    EXPECT_EQ(outcome.ended, c.ended) << c.what;
  }
}

// The home is kept even when the support files cannot be put in it.
TEST_F(LocatorTest, AHomeWithoutSupportFilesIsKeptAndTheCopyFailureShown) {
  Register({{L"1.5", REG_DWORD, Bytes{42, 0, 0, 0}}});
  ASSERT_TRUE(SetCurrentDirectoryW((root_ + L"\\empty").c_str()));
  const Outcome outcome = Locate();
  EXPECT_EQ(Printable(outcome.home), "42");
  EXPECT_FALSE(outcome.ended);
  ASSERT_EQ(outcome.messages.size(), 2u) << Join(outcome.messages);
  // Names the installation's missing Comm.jar, or where it was to go when it is there.
  EXPECT_NE(outcome.messages[0].find(L"\\Comm.jar"), std::wstring::npos) << Join(outcome.messages);
  EXPECT_EQ(Printable(outcome.messages[1]), "Error While Copying JAR File");
  EXPECT_EQ(GetFileAttributesW(L"42"), INVALID_FILE_ATTRIBUTES);  // no folder made
}

}  // namespace
}  // namespace tessary
