#include "runtime/java_survey.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/windows_argv.h"

namespace tessary {
namespace {

using test_support::Printable;

const java_runtime::JavaRegistration* Row(const std::wstring& key) {
  for (const auto& row : java_runtime::kJavaRegistrations) {
    if (row.key == key) return &row;
  }
  ADD_FAILURE() << "no registration " << Printable(key);
  return nullptr;
}
const auto* const kAdoptiumJre = Row(L"SOFTWARE\\Eclipse Adoptium\\JRE\\*\\*\\MSI");
const auto* const kZulu32 = Row(L"SOFTWARE\\Azul Systems\\Zulu 32-bit\\*");
const auto* const kLiberica = Row(L"SOFTWARE\\BellSoft\\Liberica\\*");
const auto* const kJre = Row(L"SOFTWARE\\JavaSoft\\Java Runtime Environment\\*");
const auto* const kJdk = Row(L"SOFTWARE\\JavaSoft\\JDK\\*");

// The start of a PE file for the given machine: the DOS header pointing at "PE\0\0".
std::string Executable(unsigned machine) {
  std::string header(0x40, '\0');
  header[0] = 'M', header[1] = 'Z', header[0x3C] = 0x40;
  return header + std::string("PE\0\0", 4) + static_cast<char>(machine & 0xFF) + static_cast<char>(machine >> 8);
}
const std::string kX86 = Executable(0x014C), kX64 = Executable(0x8664);
std::string Release(const std::string& version) {
  return "IMPLEMENTOR=\"Someone\"\r\nJAVA_VERSION=\"" + version + "\"\r\nOS_ARCH=\"x86\"\r\n";
}
constexpr FoundUnder kUser = FoundUnder::kCurrentUser;
// An installation as the survey reads it, from the start of its release file and its java.exe.
FoundJava Found(const java_runtime::JavaRegistration* registration, const std::wstring& key_name,
                const std::wstring& home, const std::string& release_file, const std::string& executable_header,
                FoundUnder under = FoundUnder::kLocalMachine) {
  return {registration, key_name, home, under, ExecutableBits(executable_header), ReleaseFileVersion(release_file)};
}

constexpr wchar_t kNotRegistered[] = L"Its installer did not register it as the system's Java, so Tessary does not find it.";
constexpr wchar_t kKit[] = L"It is a Java Development Kit; Tessary uses a Java Runtime Environment.";
constexpr wchar_t k64Bit[] = L"It is a 64-bit Java; Quorlane's serial-port support needs a 32-bit (x86) one.";
constexpr wchar_t kTooNew[] = L"It is too new: Quorlane's serial-port support needs a 32-bit Java 1.5 to 8.";

TEST(UnusedJavaMessage, NamesEachInstallationWhyAndTheStepForTheMostUsableOne) {
  const struct {
    const char* what;
    std::vector<FoundJava> found;
    std::vector<std::wstring> lines;  // every line after the heading, blank ones left out
  } cases[] = {
      {"nothing", {}, {}},
      {"Temurin 8 x86 under its own key", {Found(kAdoptiumJre, L"8.0.472.8", L"C:\\Temurin\\", Release("1.8.0_472"), kX86)},
       {L"Eclipse Adoptium Java Runtime Environment 1.8.0_472 (32-bit)", L"C:\\Temurin", kNotRegistered,
        L"To have Tessary use Eclipse Adoptium Java Runtime Environment 1.8.0_472 (32-bit), run its installer again, "
        L"choose Change, and add \"JavaSoft (Oracle) registry keys\"."}},
      // Its registry keys, whatever its installer adds, are that user's alone.
      {"Temurin 8 x86 for one user",
       {Found(kAdoptiumJre, L"8.0.472.8", L"C:\\Users\\op\\Temurin", Release("1.8.0_472"), kX86, kUser)},
       {L"Eclipse Adoptium Java Runtime Environment 1.8.0_472 (32-bit)", L"C:\\Users\\op\\Temurin",
        L"It is installed for one user only; Tessary finds only Java installed for all users of the PC.",
        L"To have Tessary use Eclipse Adoptium Java Runtime Environment 1.8.0_472 (32-bit), which is installed for one "
        L"user only, install it again for all users of the PC and add \"JavaSoft (Oracle) registry keys\"; this needs "
        L"an administrator."}},
      // Named by key: 1.5 is recent, 1.4.2 is not, 1.9 is Java 9; a number glued to letters names no
      // version, and a key name's control characters and bidi overrides are left out.
      {"versions from key names", {Found(kJre, L"1.4.2", L"C:\\j142", "", kX64), Found(kJre, L"1.5", L"C:\\j15", "", kX64),
                                   Found(kJre, L"1.9", L"C:\\j19", "", kX86),
                                   Found(kJre, L"jre-x64-8\r\n\x202E", L"C:\\x64-8", "", kX64)},
       {L"Java Runtime Environment 1.5 (64-bit)", L"C:\\j15", k64Bit,
        L"Java Runtime Environment jre-x64-8 (64-bit)", L"C:\\x64-8", k64Bit,
        L"Java Runtime Environment 1.9 (32-bit)", L"C:\\j19", kTooNew,
        L"Install the 32-bit (x86) Java Runtime Environment 8 as well; the 64-bit Java can stay."}},
      // The release file overrides the name; one that says nothing usable does not.
      {"release files", {Found(kJdk, L"8", L"C:\\jdk", Release("17.0.9"), kX64),
                         Found(kLiberica, L"jdk-8", L"C:\\lib8", "JAVA_VERSION=\"1.8\x01\"\n", kX86)},
       {L"BellSoft Liberica Java Development Kit jdk-8 (32-bit)", L"C:\\lib8", kKit, L"Java Development Kit 17.0.9 (64-bit)",
        L"C:\\jdk", kTooNew, L"Install the 32-bit Java Runtime Environment 8 as well; the Development Kit can stay."}},
      // Listed once, after the first key naming it, and installed for all users when any key naming
      // it is; the runtime that can be registered comes first.
      {"the same folder twice",
       {Found(kZulu32, L"zulu-8", L"C:\\Zulu", "", kX86, kUser), Found(kZulu32, L"zulu-8-jre", L"C:\\ZuluJre", "", kX86),
        Found(kJdk, L"1.8.0_471", L"c:/zulu/", "", kX86)},
       {L"Azul Zulu Java Runtime Environment zulu-8-jre (32-bit)", L"C:\\ZuluJre", kNotRegistered,
        L"Azul Zulu Java Development Kit zulu-8 (32-bit)", L"C:\\Zulu", kKit,
        L"To have Tessary use Azul Zulu Java Runtime Environment zulu-8-jre (32-bit), reinstall it with the option "
        L"that registers it as the system's Java, or install a 32-bit Java Runtime Environment 8 that does."}},
      // An ARM64 java.exe, a file that is no program, a header pointing past its end, versions that name
      // no number, a home that is no folder path: nothing to name.
      {"unreadable", {Found(kJre, L"1.8", L"C:\\arm", "", Executable(0xAA64)), Found(kJre, L"1.8", L"C:\\txt", "", "MZ no PE"),
                      Found(kJre, L"1.8", L"C:\\cut", "", kX64.substr(0, 0x42)), Found(kJdk, L"latest", L"C:\\l", "", kX64),
                      Found(kJdk, L"x86", L"C:\\x86", "", kX64),
                      Found(kJre, L"1.8", L"C:\\\"q\"", "", kX64), Found(kJre, L"1.8", L"\\", "", kX64)},
       {}},
  };
  for (const auto& c : cases) {
    std::vector<FoundJava> listed;
    for (const FoundJava& java : c.found) AddFoundJava(listed, java);
    const std::wstring message = UnusedJavaMessage(listed);
    std::vector<std::wstring> lines;
    for (std::size_t at = 0; at < message.size();) {
      const std::size_t end = std::min(message.find(L"\r\n", at), message.size());
      if (end > at) lines.push_back(message.substr(at, end - at));
      at = end + 2;
    }
    if (c.lines.empty()) {
      EXPECT_EQ(Printable(message), "") << c.what;
      continue;
    }
    ASSERT_FALSE(lines.empty()) << c.what;
    EXPECT_EQ(Printable(lines[0]), "Tessary found Java on this computer that it cannot use:") << c.what;
    lines.erase(lines.begin());
    EXPECT_EQ(lines, c.lines) << c.what << ": " << Printable(message);
  }
}

TEST(UnusedJavaMessage, NamesFiveAndCountsTheRest) {
  std::vector<FoundJava> found;
  for (const wchar_t* name : {L"9", L"10", L"11", L"12", L"13", L"14", L"15"}) {
    found.push_back(Found(kJdk, name, std::wstring(L"C:\\jdk-") + name, "", kX64));
  }
  const std::wstring message = UnusedJavaMessage(found);
  EXPECT_NE(message.find(L"C:\\jdk-13\r\n"), std::wstring::npos) << Printable(message);
  EXPECT_EQ(message.find(L"C:\\jdk-14"), std::wstring::npos) << Printable(message);
  EXPECT_NE(message.find(L"\r\n\r\nAnd 2 more.\r\n\r\nInstall a 32-bit (x86) Java Runtime Environment 8 as well"),
            std::wstring::npos)
      << Printable(message);
}

}  // namespace
}  // namespace tessary
