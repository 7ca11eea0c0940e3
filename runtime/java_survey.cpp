#include "runtime/java_survey.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "base/path.h"
#include "base/text.h"

namespace tessary {
namespace {

using java_runtime::JavaKind;

// Why an installation does not count, in the order in which their remedies are offered.
enum class Unused {
  kRegisterable,    // a 32-bit runtime of 1.5 to 8 whose installer can still register it
  kForOneUser,      // the same, installed for one user: registered under HKEY_CURRENT_USER only
  kNotRegistered,   // the same, without an option known to do so
  kDevelopmentKit,  // a 32-bit development kit of 1.5 to 8
  k64Bit,           // a 64-bit one of 1.5 to 8
  kTooNew,          // 9 or later, which no longer loads extensions from lib\ext
};

struct Installation {
  std::wstring what;    // vendor, kind, version and bit width
  std::wstring folder;
  Unused why;
  bool for_one_user;
  const wchar_t* register_option;
};

constexpr std::size_t kNamedAtMost = 5;

bool IsRuntime(const FoundJava& java) {
  switch (java.registration->kind) {
    case JavaKind::kRuntime:
      return true;
    case JavaKind::kDevelopmentKit:
      return false;
    case JavaKind::kNamedInKey:
      break;
  }
  return AsciiLowerCase(java.key_name).find(L"jre") != std::wstring::npos;
}

std::wstring Reason(const Installation& installation) {
  // The other reasons stand whoever it is installed for; the operator learns that as well.
  const std::wstring for_one_user = installation.for_one_user ? L" It is also installed for one user only." : L"";
  switch (installation.why) {
    case Unused::kRegisterable:
    case Unused::kNotRegistered:
      return L"Its installer did not register it as the system's Java, so Tessary does not find it.";
    case Unused::kForOneUser:
      return L"It is installed for one user only; Tessary finds only Java installed for all users of the PC.";
    case Unused::kDevelopmentKit:
      return L"It is a Java Development Kit; Tessary uses a Java Runtime Environment." + for_one_user;
    case Unused::k64Bit:
      return L"It is a 64-bit Java; Quorlane's serial-port support needs a 32-bit (x86) one." + for_one_user;
    case Unused::kTooNew:
      break;
  }
  return L"It is too new: Quorlane's serial-port support needs a 32-bit Java 1.5 to 8." + for_one_user;
}

std::wstring Remedy(const Installation& first) {
  // Whoever installed the first one for themselves alone would install the next one the same way.
  const std::wstring as_well = first.for_one_user ? L" as well, for all users of the PC;" : L" as well;";
  switch (first.why) {
    case Unused::kRegisterable:
      return L"To have Tessary use " + first.what + L", run its installer again, choose Change, and add \"" +
             first.register_option + L"\".";
    case Unused::kForOneUser:
      // Registered for all users, it is registered under HKEY_LOCAL_MACHINE.
      return L"To have Tessary use " + first.what + L", which is installed for one user only, install it again for "
             L"all users of the PC" +
             (first.register_option != nullptr ? L" and add \"" + std::wstring(first.register_option) + L"\""
                                               : std::wstring()) +
             L"; this needs an administrator.";
    case Unused::kNotRegistered:
      return L"To have Tessary use " + first.what +
             L", reinstall it with the option that registers it as the system's Java, or install a 32-bit "
             L"Java Runtime Environment 8 that does.";
    case Unused::kDevelopmentKit:
      return L"Install the 32-bit Java Runtime Environment 8" + as_well + L" the Development Kit can stay.";
    case Unused::k64Bit:
      return L"Install the 32-bit (x86) Java Runtime Environment 8" + as_well + L" the 64-bit Java can stay.";
    case Unused::kTooNew:
      break;
  }
  return L"Install a 32-bit (x86) Java Runtime Environment 8" + as_well + L" the newer Java can stay.";
}

}  // namespace

bool AddFoundJava(std::vector<FoundJava>& found, FoundJava java) {
  java.home = FolderPath(java.home);
  for (FoundJava& listed : found) {
    if (SameFolder(listed.home, java.home)) {
      if (java.under == FoundUnder::kLocalMachine) listed.under = FoundUnder::kLocalMachine;
      return false;
    }
  }
  found.push_back(std::move(java));
  return true;
}

unsigned ExecutableBits(const std::string& header) {
  const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(header[at]); };
  if (header.size() < 0x40 || header[0] != 'M' || header[1] != 'Z') return 0;
  const std::size_t pe = byte(0x3C) | byte(0x3D) << 8 | byte(0x3E) << 16 | static_cast<std::size_t>(byte(0x3F)) << 24;
  if (pe > header.size() || header.size() - pe < 6 || header.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return 0;
  const unsigned machine = byte(pe + 4) | byte(pe + 5) << 8;
  if (machine == 0x014C) return 32;
  if (machine == 0x8664) return 64;
  return 0;
}

std::wstring ReleaseFileVersion(const std::string& release_file) {
  constexpr char kKey[] = "JAVA_VERSION=";
  for (std::size_t line = 0; line < release_file.size();) {
    std::size_t end = release_file.find('\n', line);
    if (end == std::string::npos) end = release_file.size();
    if (release_file.compare(line, sizeof kKey - 1, kKey) == 0) {
      std::string value = release_file.substr(line + sizeof kKey - 1, end - line - (sizeof kKey - 1));
      if (!value.empty() && value.back() == '\r') value.pop_back();
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
      if (value.empty() || value.size() > 40) return std::wstring();
      std::wstring version;
      for (char c : value) {
        const bool allowed = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             c == '.' || c == '_' || c == '-' || c == '+';
        if (!allowed) return std::wstring();
        version.push_back(static_cast<wchar_t>(c));
      }
      return version;
    }
    line = end + 1;
  }
  return std::wstring();
}

std::wstring UnusedJavaMessage(const std::vector<FoundJava>& found) {
  std::vector<Installation> installations;
  for (const FoundJava& java : found) {
    const std::wstring folder = FolderPath(java.home);
    const std::wstring version = java.release_version.empty() ? java.key_name : java.release_version;
    const unsigned feature = java_runtime::FeatureRelease(version);
    if (folder.empty() || !java_runtime::IsUsableHome(folder) || (java.bits != 32 && java.bits != 64) ||
        feature < java_runtime::kOldestUsableRelease) {
      continue;
    }

    const bool runtime = IsRuntime(java);
    const bool for_one_user = java.under == FoundUnder::kCurrentUser;
    const wchar_t* option = java.registration->register_option;
    Unused why = Unused::kNotRegistered;
    if (feature > java_runtime::kNewestUsableRelease) {
      why = Unused::kTooNew;
    } else if (java.bits == 64) {
      why = Unused::k64Bit;
    } else if (!runtime) {
      why = Unused::kDevelopmentKit;
    } else if (for_one_user) {
      why = Unused::kForOneUser;
    } else if (option != nullptr) {
      why = Unused::kRegisterable;
    }
    const std::wstring vendor = java.registration->vendor;
    // A key name may hold any character but the separator.
    const std::wstring what = (vendor.empty() ? L"" : vendor + L" ") +
                              (runtime ? L"Java Runtime Environment " : L"Java Development Kit ") +
                              Displayed(version, 40) + (java.bits == 64 ? L" (64-bit)" : L" (32-bit)");
    // In the order of their remedies, the most direct first: the remedy offered is the first one's.
    const auto place = std::find_if(installations.begin(), installations.end(),
                                    [why](const Installation& listed) { return listed.why > why; });
    installations.insert(place, {what, folder, why, for_one_user, option});
  }
  if (installations.empty()) return std::wstring();

  std::wstring text = L"Tessary found Java on this computer that it cannot use:\r\n";
  for (std::size_t i = 0; i < installations.size() && i < kNamedAtMost; ++i) {
    const Installation& installation = installations[i];
    text += L"\r\n" + installation.what + L"\r\n" + Displayed(installation.folder) + L"\r\n" +
            Reason(installation) + L"\r\n";
  }
  if (installations.size() > kNamedAtMost) {
    text += L"\r\nAnd " + DecimalText(static_cast<long long>(installations.size() - kNamedAtMost)) + L" more.\r\n";
  }
  return text + L"\r\n" + Remedy(installations.front());
}

}  // namespace tessary
