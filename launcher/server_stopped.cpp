#include "launcher/server_stopped.h"

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

// Characters that must not reach a message box: C0 and C1 controls, and the bidirectional
// overrides and isolates, which would let the quote reorder the text around it.
bool IsHidden(wchar_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// The server's words as lines: filtered, without trailing blanks, blank lines dropped.
// A lone carriage return ends a line too.
std::vector<std::wstring> Lines(const std::wstring& said) {
  std::vector<std::wstring> lines;
  std::wstring line;
  auto end_line = [&] {
    const std::size_t last = line.find_last_not_of(L' ');
    if (last != std::wstring::npos) lines.push_back(line.substr(0, last + 1));
    line.clear();
  };
  for (wchar_t c : said) {
    if (c == L'\r' || c == L'\n') {
      end_line();
    } else if (c == L'\t') {
      line.append(4, L' ');
    } else if (!IsHidden(c)) {
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

std::wstring LowerAscii(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return text;
}

// The first line that holds what and, regardless of ASCII case, also the name (lower case).
const std::wstring* LineNaming(const std::vector<std::wstring>& lines, const wchar_t* what, const wchar_t* name) {
  for (const std::wstring& line : lines) {
    if (Contains(line, what) && Contains(LowerAscii(line), name)) return &line;
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

// What a sentence may say of the run it explains.
struct Run {
  const std::vector<std::wstring>& lines;
  const std::wstring& program;
  const std::wstring& app_directory;
};

// The folder of the runtime that ran the server, when the program is its bin\java.exe.
std::wstring RuntimeHome(const std::wstring& program) {
  const std::wstring bin = DirectoryOfModule(program);
  const std::size_t separator = bin.find_last_of(L"\\/");
  if (separator == std::wstring::npos || LowerAscii(bin.substr(separator + 1)) != L"bin") return std::wstring();
  return bin.substr(0, separator);
}

// A folder for the text: without its final separator, shortened when very long.
std::wstring Shown(std::wstring folder) {
  if (folder.size() > 1 && folder.back() == L'\\') folder.pop_back();
  return Abbreviated(folder);
}

std::wstring CrashReportFile(const Run& run) {
  constexpr wchar_t kSaved[] = L"An error report file with more information is saved as:";
  for (std::size_t i = 0; i < run.lines.size(); ++i) {
    const std::size_t at = run.lines[i].find(kSaved);
    if (at == std::wstring::npos) continue;
    std::wstring file = run.lines[i].substr(at + (sizeof(kSaved) / sizeof(wchar_t) - 1));
    if (file.find_first_not_of(L" #") == std::wstring::npos && i + 1 < run.lines.size()) file = run.lines[i + 1];
    const std::size_t first = file.find_first_not_of(L" #");
    return first == std::wstring::npos ? std::wstring() : file.substr(first);
  }
  return std::wstring();
}

std::wstring CrashReportAdvice(const Run& run) {
  const std::wstring file = CrashReportFile(run);
  if (file.empty()) return std::wstring();
  return L"Java itself failed, and saved a report as " + Abbreviated(file) +
         L": send that file to whoever gives you support for Quorlane.";
}

std::wstring SerialLibraryAdvice(const Run& run) {
  const std::wstring* line = LineNaming(run.lines, L"UnsatisfiedLinkError", L"win32com");
  if (line == nullptr) return std::wstring();
  if (Contains(*line, L"Can't load IA 32-bit .dll on a AMD 64-bit platform")) {
    return L"The Java that ran the server is 64-bit and cannot load the 32-bit serial-port library "
           L"Win32com.dll: install the 32-bit (x86) Java Runtime Environment 8.";
  }
  const std::wstring home = RuntimeHome(run.program);
  const std::wstring bin = home.empty() ? DirectoryOfModule(run.program) : java_runtime::NativeLibraryFolder(home);
  return L"The serial-port library Win32com.dll is missing or damaged in the Java runtime's bin folder" +
         (bin.empty() ? std::wstring() : L" (" + Shown(bin) + L")") + L": copy it there again from " +
         kSupportFolder + L".";
}

std::wstring CommExtensionAdvice(const Run& run) {
  if (!ClassNotFoundNaming(run.lines, L"javax/comm") && !ClassNotFoundNaming(run.lines, L"javax.comm")) {
    return std::wstring();
  }
  const std::wstring home = RuntimeHome(run.program);
  return L"Comm.jar is missing from the Java runtime's lib\\ext folder" +
         (home.empty() ? std::wstring() : L" (" + Shown(java_runtime::ExtensionFolder(home)) + L")") +
         L": copy it there again from " + kSupportFolder + L".";
}

// The Java release a class file version stands for: 49 is Java 5, 52 is Java 8; 0 when the
// words name no such version.
long ClassFileRelease(const std::vector<std::wstring>& lines) {
  for (const std::wstring& line : lines) {
    for (const wchar_t* phrase : {L"major.minor version ", L"class file version "}) {
      std::size_t at = line.find(phrase);
      if (at == std::wstring::npos) continue;
      at += std::char_traits<wchar_t>::length(phrase);
      long version = 0;
      while (at < line.size() && line[at] >= L'0' && line[at] <= L'9' && version < 1000) {
        version = version * 10 + (line[at++] - L'0');
      }
      if (version >= 49) return version - 44;
    }
  }
  return 0;
}

std::wstring ClassVersionAdvice(const Run& run) {
  const long release = ClassFileRelease(run.lines);
  if (release == 0 && !AnyLineHolds(run.lines, L"UnsupportedClassVersionError")) return std::wstring();
  if (release == 0) {
    return L"The server was built for a newer Java than the one that ran it: install the 32-bit (x86) Java "
           L"Runtime Environment 8.";
  }
  const std::wstring java = L"Java " + DecimalText(release);
  return L"The server was built for " + java + L", which is newer than the Java that ran it: install the 32-bit "
         L"(x86) Java Runtime Environment " + DecimalText(release) + L".";
}

std::wstring MissingClassesAdvice(const Run& run) {
  if (!AnyLineHolds(run.lines, L"Could not find or load main class") &&
      !AnyLineHolds(run.lines, L"Could not find the main class") && !ClassNotFoundNaming(run.lines, L"quorlane")) {
    return std::wstring();
  }
  return L"The server's files are incomplete: the Quorlane folder beside Tessary.exe (" +
         Shown(ServerClassFolder(run.app_directory)) +
         L") must hold its classes, and its lib folder the jars. Reinstall Quorlane.";
}

std::wstring NoMemoryAdvice(const Run& run) {
  bool vm_failed = false;
  bool no_heap = false;
  for (const std::wstring& line : run.lines) {
    if (Contains(line, L"Could not reserve enough space for object heap")) no_heap = true;
    if (Contains(line, L"Error occurred during initialization of VM")) vm_failed = true;
    if (vm_failed && Contains(line, L"Could not create the Java Virtual Machine")) no_heap = true;
  }
  if (!no_heap) return std::wstring();
  return L"The 32-bit Java could not get the memory it asks for: close other programs, or restart the PC, and "
         L"start Tessary again.";
}

// The failures a Java server commonly ends with, most telling first: a crash report names
// its own cause, and a missing library shows in the same words as missing classes.
using Advice = std::wstring (*)(const Run& run);
constexpr Advice kWhatItMeans[] = {
    CrashReportAdvice,    SerialLibraryAdvice,  CommExtensionAdvice,
    ClassVersionAdvice,   MissingClassesAdvice, NoMemoryAdvice,
};

}  // namespace

void OutputTail::Append(const char* bytes, std::size_t count) {
  held_.append(bytes, count);
  if (held_.size() <= kHeldBytes) return;
  held_.erase(0, held_.size() - kHeldBytes);
  // The first line is only the end of one: start at the next, if there is one.
  const std::size_t line_end = held_.find('\n');
  if (line_end != std::string::npos) held_.erase(0, line_end + 1);
}

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

std::wstring WhatTheServerSaidMeans(const std::wstring& said, const std::wstring& program,
                                    const std::wstring& app_directory) {
  const std::vector<std::wstring> lines = Lines(said);
  const Run run{lines, program, app_directory};
  for (Advice advice : kWhatItMeans) {
    std::wstring sentence = advice(run);
    if (!sentence.empty()) return sentence;
  }
  return std::wstring();
}

std::wstring ServerStoppedMessage(std::uint32_t exit_code, unsigned long long ran_milliseconds,
                                  const std::wstring& program, const std::wstring& app_directory,
                                  const std::wstring& said) {
  std::wstring code = DecimalText(exit_code);
  // Crashes end with an NTSTATUS such as 0xC0000005, which is looked up in that form.
  if (exit_code > 0xFFFF) code += L" (" + HexText(exit_code) + L")";
  std::wstring message = L"The Quorlane server stopped right after it was started.\r\n"
                         L"It ran for " + SecondsText(ran_milliseconds) + L" and ended with exit code " + code +
                         L".\r\nProgram: " + Abbreviated(program) + L"\r\n";
  const std::vector<std::wstring> quoted = QuotedLines(said);
  if (!quoted.empty()) {
    message += L"\r\nIt said:\r\n";
    for (const std::wstring& line : quoted) message += line + L"\r\n";
    message += L"\r\n";
  }
  const std::wstring meaning = WhatTheServerSaidMeans(said, program, app_directory);
  if (!meaning.empty()) return message + meaning;
  return message + L"Check the Quorlane folder beside Tessary.exe (" + Shown(ServerClassFolder(app_directory)) +
         L") and its lib folder, and the Java runtime.";
}

}  // namespace tessary
