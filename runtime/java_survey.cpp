#include "runtime/java_survey.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "base/text.h"

namespace tessary {
namespace {

using java_runtime::JavaKind;

// Why an installation does not count, in the order in which their remedies are offered.
enum class Unused {
  kRegisterable,    // a 32-bit runtime of 1.5 to 8 whose installer can still register it
  kNotRegistered,   // the same, without an option known to do so
  kDevelopmentKit,  // a 32-bit development kit of 1.5 to 8
  k64Bit,           // a 64-bit one of 1.5 to 8
  kTooNew,          // 9 or later, which no longer loads extensions from lib\ext
};

struct Installation {
  std::wstring what;    // vendor, kind, version and bit width
  std::wstring folder;
  Unused why;
  const wchar_t* register_option;
};

constexpr std::size_t kNamedAtMost = 5;
constexpr unsigned kOldestFeature = 5;  // 1.5
constexpr unsigned kNewestFeature = 8;  // 1.8: 9 dropped lib\ext

// The value of the release file's JAVA_VERSION="..." line; empty when there is none, or
// when it holds anything a version does not.
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

// The feature release a version names: 8 for 1.8.0_472, 8.0.472.8, zulu-8 and jdk-8, 17 for
// 17.0.9; 0 when it names none.
unsigned FeatureRelease(const std::wstring& version) {
  std::size_t at = version.find_first_of(L"0123456789");
  const auto number = [&] {
    unsigned value = 0;
    for (; at < version.size() && version[at] >= L'0' && version[at] <= L'9'; ++at) {
      if (value < 100000) value = value * 10 + (version[at] - L'0');
    }
    return value;
  };
  if (at == std::wstring::npos) return 0;
  const unsigned first = number();
  // Up to 8, the version began with "1.": 1.8 is Java 8.
  if (first == 1 && at + 1 < version.size() && version[at] == L'.' && version[at + 1] >= L'0' &&
      version[at + 1] <= L'9') {
    ++at;
    return number();
  }
  return first;
}

// 32 or 64 for an x86 or x64 program's header, 0 for anything else.
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

std::wstring AsciiLowerCase(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return text;
}

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

// Folders compare alike whatever the case of their ASCII letters and their separators.
std::wstring FolderKey(const std::wstring& folder) {
  std::wstring key = AsciiLowerCase(folder);
  for (wchar_t& c : key) {
    if (c == L'/') c = L'\\';
  }
  return key;
}

std::wstring Reason(Unused why) {
  switch (why) {
    case Unused::kRegisterable:
    case Unused::kNotRegistered:
      return L"Its installer did not register it as the system's Java, so Tessary does not find it.";
    case Unused::kDevelopmentKit:
      return L"It is a Java Development Kit; Tessary uses a Java Runtime Environment.";
    case Unused::k64Bit:
      return L"It is a 64-bit Java; Quorlane's serial-port support needs a 32-bit (x86) one.";
    case Unused::kTooNew:
      break;
  }
  return L"It is too new: Quorlane's serial-port support needs a 32-bit Java 1.5 to 8.";
}

std::wstring Remedy(const Installation& first) {
  switch (first.why) {
    case Unused::kRegisterable:
      return L"To have Tessary use " + first.what + L", run its installer again, choose Change, and add \"" +
             first.register_option + L"\".";
    case Unused::kNotRegistered:
      return L"To have Tessary use " + first.what +
             L", reinstall it with the option that registers it as the system's Java, or install a 32-bit "
             L"Java Runtime Environment 8 that does.";
    case Unused::kDevelopmentKit:
      return L"Install the 32-bit Java Runtime Environment 8 as well; the Development Kit can stay.";
    case Unused::k64Bit:
      return L"Install the 32-bit (x86) Java Runtime Environment 8 as well; the 64-bit Java can stay.";
    case Unused::kTooNew:
      break;
  }
  return L"Install a 32-bit (x86) Java Runtime Environment 8 as well; the newer Java can stay.";
}

}  // namespace

std::wstring InstallationFolder(const std::wstring& home) {
  std::size_t end = home.size();
  while (end > 0 && (home[end - 1] == L'\\' || home[end - 1] == L'/')) --end;
  // "C:" alone names the drive's current folder, not its root.
  if (end > 0 && end < home.size() && home[end - 1] == L':') ++end;
  return home.substr(0, end);
}

std::wstring UnusedJavaMessage(const std::vector<FoundJava>& found) {
  std::vector<Installation> installations;
  std::vector<std::wstring> seen;
  for (const FoundJava& java : found) {
    const std::wstring folder = InstallationFolder(java.home);
    const unsigned bits = ExecutableBits(java.executable_header);
    std::wstring version = ReleaseFileVersion(java.release_file);
    if (version.empty()) version = java.key_name;
    const unsigned feature = FeatureRelease(version);
    if (folder.empty() || !java_runtime::IsUsableHome(folder) || bits == 0 || feature < kOldestFeature) continue;
    std::wstring key = FolderKey(folder);
    if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
    seen.push_back(std::move(key));

    const bool runtime = IsRuntime(java);
    const wchar_t* option = java.registration->register_option;
    Unused why = Unused::kNotRegistered;
    if (feature > kNewestFeature) {
      why = Unused::kTooNew;
    } else if (bits == 64) {
      why = Unused::k64Bit;
    } else if (!runtime) {
      why = Unused::kDevelopmentKit;
    } else if (option != nullptr) {
      why = Unused::kRegisterable;
    }
    const std::wstring vendor = java.registration->vendor;
    const std::wstring what = (vendor.empty() ? L"" : vendor + L" ") +
                              (runtime ? L"Java Runtime Environment " : L"Java Development Kit ") +
                              Abbreviated(version, 40) + (bits == 64 ? L" (64-bit)" : L" (32-bit)");
    // In the order of their remedies, the most direct first: the remedy offered is the first one's.
    const auto place = std::find_if(installations.begin(), installations.end(),
                                    [why](const Installation& listed) { return listed.why > why; });
    installations.insert(place, {what, folder, why, option});
  }
  if (installations.empty()) return std::wstring();

  std::wstring text = L"Tessary found Java on this computer that it cannot use:\r\n";
  for (std::size_t i = 0; i < installations.size() && i < kNamedAtMost; ++i) {
    const Installation& installation = installations[i];
    text += L"\r\n" + installation.what + L"\r\n" + Abbreviated(installation.folder) + L"\r\n" +
            Reason(installation.why) + L"\r\n";
  }
  if (installations.size() > kNamedAtMost) {
    text += L"\r\nAnd " + DecimalText(static_cast<long long>(installations.size() - kNamedAtMost)) + L" more.\r\n";
  }
  return text + L"\r\n" + Remedy(installations.front());
}

}  // namespace tessary
