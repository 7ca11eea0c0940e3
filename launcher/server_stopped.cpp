#include "launcher/server_stopped.h"

#include <algorithm>

#include "base/path.h"
#include "base/product.h"
#include "base/text.h"
#include "launcher/server_command.h"
#include "runtime/java_runtime.h"

namespace tessary {
namespace {

std::wstring HexText(std::uint32_t value) {
  std::wstring digits = L"0x";
  for (int shift = 28; shift >= 0; shift -= 4) digits += L"0123456789ABCDEF"[(value >> shift) & 0xF];
  return digits;
}

// Tenths of a second, rounded, and never shown as nothing at all.
std::wstring SecondsText(unsigned long long milliseconds) {
  unsigned long long tenths = (milliseconds + 50) / 100;
  if (tenths == 0) tenths = 1;
  return DecimalText(static_cast<long long>(tenths / 10)) + L"." +
         DecimalText(static_cast<long long>(tenths % 10)) + L" seconds";
}

// The server's words as lines: visible, without trailing blanks, blank lines dropped. A lone
// carriage return ends a line too.
std::vector<std::wstring> Lines(const std::wstring& said) {
  std::vector<std::wstring> lines;
  std::wstring line;
  auto end_line = [&] {
    line = Visible(line);
    const std::size_t last = line.find_last_not_of(L' ');
    if (last != std::wstring::npos) lines.push_back(line.substr(0, last + 1));
    line.clear();
  };
  for (wchar_t c : said) {
    if (c == L'\r' || c == L'\n') {
      end_line();
    } else if (c == L'\t') {
      line.append(4, L' ');
    } else {
      line += c;
    }
  }
  end_line();
  return lines;
}

// A line of a Java stack trace below its exception: "at ..." or "... 13 more".
bool IsStackFrame(const std::wstring& line) {
  const std::size_t first = line.find_first_not_of(L' ');
  return first != std::wstring::npos && first > 0 &&
         (line.compare(first, 3, L"at ") == 0 || line.compare(first, 4, L"... ") == 0);
}

// At most length characters, the last of them an ellipsis when the line was longer; a
// surrogate pair is never split.
std::wstring Cut(const std::wstring& line, std::size_t length) {
  if (line.size() <= length) return line;
  std::size_t kept = length - 1;
  if (line[kept - 1] >= 0xD800 && line[kept - 1] <= 0xDBFF) --kept;
  return line.substr(0, kept) + L"\x2026";
}

bool Contains(const std::wstring& text, const wchar_t* part) { return text.find(part) != std::wstring::npos; }

// The first line that holds what and, regardless of ASCII case, also the name (lower case).
const std::wstring* LineNaming(const std::vector<std::wstring>& lines, const wchar_t* what, const wchar_t* name) {
  for (const std::wstring& line : lines) {
    if (Contains(line, what) && Contains(AsciiLowerCase(line), name)) return &line;
  }
  return nullptr;
}

bool AnyLineHolds(const std::vector<std::wstring>& lines, const wchar_t* what) {
  return LineNaming(lines, what, L"") != nullptr;
}

bool ClassNotFoundNaming(const std::vector<std::wstring>& lines, const wchar_t* name) {
  return LineNaming(lines, L"NoClassDefFoundError", name) != nullptr ||
         LineNaming(lines, L"ClassNotFoundException", name) != nullptr;
}

// The line that says the serial-port library did not load. javax.comm's driver catches its
// own failure and prints it as "Error loading win32com: java.lang.UnsatisfiedLinkError: ...".
const std::wstring* SerialLibraryFailure(const std::vector<std::wstring>& lines) {
  const std::wstring* line = LineNaming(lines, L"UnsatisfiedLinkError", L"win32com");
  return line != nullptr ? line : LineNaming(lines, L"", L"error loading win32com");
}

// What a sentence may say of the run it explains.
struct Said {
  const std::vector<std::wstring>& lines;
  const ServerRun& run;
};

// A folder for the text: as a folder path, shortened when very long.
std::wstring Shown(const std::wstring& folder) { return Displayed(FolderPath(folder)); }

std::wstring InFolder(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty() || folder.back() == L'\\') return folder + name;
  return folder + L"\\" + name;
}

// Java 7 and later write "... is saved as:" and the path on the next line; Java 5 and 6 write
// "... is saved as hs_err_pid6223.log", a name in the working folder.
std::wstring CrashReportFile(const Said& said) {
  constexpr wchar_t kSaved[] = L"An error report file with more information is saved as";
  const std::vector<std::wstring>& lines = said.lines;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t at = lines[i].find(kSaved);
    if (at == std::wstring::npos) continue;
    std::wstring file = lines[i].substr(at + std::char_traits<wchar_t>::length(kSaved));
    if (!file.empty() && file.front() == L':') file.erase(0, 1);
    if (file.find_first_not_of(L" #") == std::wstring::npos && i + 1 < lines.size()) file = lines[i + 1];
    const std::size_t first = file.find_first_not_of(L" #");
    if (first == std::wstring::npos) return std::wstring();
    file.erase(0, first);
    return file.find_first_of(L"\\/") == std::wstring::npos ? InFolder(said.run.app_directory, file) : file;
  }
  return std::wstring();
}

std::wstring CrashReportAdvice(const Said& said) {
  const std::wstring file = CrashReportFile(said);
  if (file.empty()) return std::wstring();
  return L"Java itself failed, and saved a report as " + Abbreviated(file) +
         L": send that file to whoever gives you support for Quorlane.";
}

std::wstring SerialLibrarySentence(const std::wstring& line, const ServerRun& run) {
  if (Contains(line, L"Can't load IA 32-bit .dll on a AMD 64-bit platform")) {
    return L"The Java that ran the server is 64-bit and cannot load the 32-bit serial-port library "
           L"Win32com.dll: install the 32-bit (x86) Java Runtime Environment 8.";
  }
  const std::wstring bin =
      run.java_home.empty() ? ParentFolder(run.program) : java_runtime::NativeLibraryFolder(run.java_home);
  return L"The serial-port library Win32com.dll is missing or damaged in the Java runtime's bin folder" +
         (bin.empty() ? std::wstring() : L" (" + Shown(bin) + L")") + L": copy it there again from " +
         kSupportFolder + L".";
}

std::wstring SerialLibraryAdvice(const Said& said) {
  const std::wstring* line = SerialLibraryFailure(said.lines);
  return line == nullptr ? std::wstring() : SerialLibrarySentence(*line, said.run);
}

std::wstring CommExtensionAdvice(const Said& said) {
  if (!ClassNotFoundNaming(said.lines, L"javax/comm") && !ClassNotFoundNaming(said.lines, L"javax.comm")) {
    return std::wstring();
  }
  const std::wstring& home = said.run.java_home;
  return L"Comm.jar is missing from the Java runtime's lib\\ext folder" +
         (home.empty() ? std::wstring() : L" (" + Shown(java_runtime::ExtensionFolder(home)) + L")") +
         L": copy it there again from " + kSupportFolder + L".";
}

// The Java release a class file version stands for: 49 is Java 5, 52 is Java 8; 0 when the
// words name no such version.
unsigned ClassFileRelease(const std::vector<std::wstring>& lines) {
  for (const std::wstring& line : lines) {
    for (const wchar_t* phrase : {L"major.minor version ", L"class file version "}) {
      std::size_t at = line.find(phrase);
      if (at == std::wstring::npos) continue;
      at += std::char_traits<wchar_t>::length(phrase);
      unsigned version = 0;
      while (at < line.size() && line[at] >= L'0' && line[at] <= L'9' && version < 1000) {
        version = version * 10 + static_cast<unsigned>(line[at++] - L'0');
      }
      if (version >= 49) return version - 44;
    }
  }
  return 0;
}

// Tessary takes the first runtime registered that is recent enough. When that one is older
// than the server needs and a runtime that is new enough is registered after it, removing
// the older one is what makes Tessary take the newer.
std::wstring OlderRuntimeTakenFirst(const ServerRun& run, unsigned release) {
  if (run.java_home.empty()) return std::wstring();
  const java_runtime::RegisteredRuntime* taken = nullptr;
  for (const java_runtime::RegisteredRuntime& runtime : run.registered) {
    if (taken == nullptr) {
      if (SameFolder(runtime.home, run.java_home)) taken = &runtime;
      continue;
    }
    const unsigned newer = java_runtime::FeatureRelease(runtime.version);
    if (newer < release || newer > java_runtime::kNewestUsableRelease || runtime.home.empty() ||
        SameFolder(runtime.home, taken->home)) {
      continue;
    }
    const unsigned older = java_runtime::FeatureRelease(taken->version);
    if (older >= release) return std::wstring();
    const std::wstring java = L"Java " + DecimalText(older);
    return L" Java " + DecimalText(newer) + L" is installed as well (version " + Displayed(runtime.version, 40) +
           L", in " + Shown(runtime.home) + L"), but Tessary takes the first version registered, " + java + L", in " +
           Shown(taken->home) + L": remove " + java + L" (Control Panel, Programs) so that Tessary uses the newer one.";
  }
  return std::wstring();
}

std::wstring ClassVersionAdvice(const Said& said) {
  const unsigned release = ClassFileRelease(said.lines);
  if (release == 0 && !AnyLineHolds(said.lines, L"UnsupportedClassVersionError")) return std::wstring();
  if (release == 0) {
    return L"The server was built for a newer Java than the one that ran it: install the 32-bit (x86) Java "
           L"Runtime Environment 8.";
  }
  const std::wstring java = L"Java " + DecimalText(release);
  if (release > java_runtime::kNewestUsableRelease) {
    return L"The server was built for " + java + L", which cannot load the serial-port support that Quorlane "
           L"needs: the supplier of Quorlane must provide a version of the server for Java 8 or earlier.";
  }
  const std::wstring newer_registered = OlderRuntimeTakenFirst(said.run, release);
  if (!newer_registered.empty()) {
    return L"The server was built for " + java + L", which is newer than the Java that ran it." + newer_registered;
  }
  return L"The server was built for " + java + L", which is newer than the Java that ran it: install the 32-bit "
         L"(x86) Java Runtime Environment " + DecimalText(release) + L".";
}

// Java 7 and 8 say "Could not find or load main class" also when a class the main class
// needs is missing, such as javax.comm's without Comm.jar.
std::wstring MainClassAdvice(const Said& said) {
  if (!AnyLineHolds(said.lines, L"Could not find or load main class") &&
      !AnyLineHolds(said.lines, L"Could not find the main class") && !ClassNotFoundNaming(said.lines, L"quorlane")) {
    return std::wstring();
  }
  const ServerRun& run = said.run;
  if (run.app_directory_unreadable) {
    return L"The name of the folder " + Shown(run.app_directory) +
           L" has letters that Java cannot read on this PC, so it does not find the server's files there: move "
           L"Tessary.exe and its Quorlane folder to a folder whose name has plain letters only, such as "
           L"C:\\Quorlane.";
  }
  if (run.comm_jar_missing && !run.java_home.empty()) {
    return L"Comm.jar is missing from the Java runtime's lib\\ext folder (" +
           Shown(java_runtime::ExtensionFolder(run.java_home)) + L"): it must be copied there from " +
           kSupportFolder + L", as the earlier message explained.";
  }
  return L"The server's files are incomplete: the Quorlane folder beside Tessary.exe (" +
         Shown(ServerClassFolder(run.app_directory)) +
         L") must hold its classes, and its lib folder the jars. Reinstall Quorlane.";
}

std::wstring NoMemoryAdvice(const Said& said) {
  bool vm_failed = false;
  bool no_heap = false;
  for (const std::wstring& line : said.lines) {
    // Java 8 names the size: "Could not reserve enough space for 262144KB object heap".
    if (Contains(line, L"Could not reserve enough space for")) no_heap = true;
    if (Contains(line, L"Error occurred during initialization of VM")) vm_failed = true;
    if (vm_failed && Contains(line, L"Could not create the Java Virtual Machine")) no_heap = true;
  }
  if (!no_heap) return std::wstring();
  return L"The 32-bit Java could not get the memory it asks for: close other programs, or restart the PC, and "
         L"start Tessary again.";
}

// The failures a Java server commonly ends with, most telling first: a crash report names
// its own cause, and a missing library shows in the same words as missing classes.
using Advice = std::wstring (*)(const Said& said);
constexpr Advice kWhatItMeans[] = {
    CrashReportAdvice,  SerialLibraryAdvice, CommExtensionAdvice,
    ClassVersionAdvice, MainClassAdvice,     NoMemoryAdvice,
};

std::wstring QuoteText(const std::vector<std::wstring>& lines) {
  std::wstring text = L"\r\nIt said:\r\n";
  for (const std::wstring& line : lines) text += line + L"\r\n";
  return text + L"\r\n";
}

}  // namespace

void KeptOutput::Append(const char* bytes, std::size_t count) {
  const std::size_t to_first = std::min(count, kHeldBytes - first_.size());
  first_.append(bytes, to_first);
  last_.append(bytes + to_first, count - to_first);
  if (last_.size() <= kHeldBytes) return;
  last_.erase(0, last_.size() - kHeldBytes);
  dropped_ = true;
  // The first line is only the end of one: start at the next, if there is one.
  const std::size_t line_end = last_.find('\n');
  if (line_end != std::string::npos) last_.erase(0, line_end + 1);
}

std::string KeptOutput::bytes() const { return first_ + (dropped_ ? "\n" : "") + last_; }

std::vector<std::wstring> QuotedLines(const std::wstring& said) {
  // Stack frames past the first two after each exception line tell the operator nothing.
  std::vector<std::wstring> lines;
  std::size_t frames = 0;
  for (std::wstring& line : Lines(said)) {
    frames = IsStackFrame(line) ? frames + 1 : 0;
    if (frames <= 2) lines.push_back(Cut(line, kQuotedLineLength));
  }
  std::size_t first = lines.size();
  std::size_t characters = 0;
  while (first > 0 && lines.size() - first < kQuotedLines &&
         characters + lines[first - 1].size() <= kQuotedCharacters) {
    characters += lines[--first].size();
  }
  lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(first));
  return lines;
}

std::wstring WhatTheServerSaidMeans(const std::wstring& said, const ServerRun& run) {
  const std::vector<std::wstring> lines = Lines(said);
  for (Advice advice : kWhatItMeans) {
    std::wstring sentence = advice(Said{lines, run});
    if (!sentence.empty()) return sentence;
  }
  return std::wstring();
}

std::wstring ServerStoppedMessage(std::uint32_t exit_code, unsigned long long ran_milliseconds, const ServerRun& run,
                                  const std::wstring& said) {
  std::wstring code = DecimalText(exit_code);
  // Crashes end with an NTSTATUS such as 0xC0000005, which is looked up in that form.
  if (exit_code > 0xFFFF) code += L" (" + HexText(exit_code) + L")";
  std::wstring message = L"The Quorlane server stopped right after it was started.\r\n"
                         L"It ran for " + SecondsText(ran_milliseconds) + L" and ended with exit code " + code +
                         L".\r\nProgram: " + Displayed(run.program) + L"\r\n";
  const std::vector<std::wstring> quoted = QuotedLines(said);
  if (!quoted.empty()) message += QuoteText(quoted);
  const std::wstring meaning = WhatTheServerSaidMeans(said, run);
  if (!meaning.empty()) return message + meaning;
  return message + L"Check the Quorlane folder beside Tessary.exe (" + Shown(ServerClassFolder(run.app_directory)) +
         L") and its lib folder, and the Java runtime.";
}

std::wstring SerialPortsUnreachableMessage(const std::wstring& said, const ServerRun& run) {
  const std::vector<std::wstring> lines = Lines(said);
  const std::wstring* line = SerialLibraryFailure(lines);
  if (line == nullptr) return std::wstring();
  return L"The Quorlane server is running, but it cannot reach the phones: Java could not load its serial-port "
         L"library.\r\n" + QuoteText({Cut(*line, kQuotedLineLength)}) + SerialLibrarySentence(*line, run) +
         L" Then end the server (java.exe in Task Manager's Details) and start Tessary again.";
}

}  // namespace tessary
