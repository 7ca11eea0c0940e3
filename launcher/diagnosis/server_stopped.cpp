#include "launcher/diagnosis/server_stopped.h"

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

bool IsWordCharacter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_';
}

// True when the lower-case line names the serial-port library: "win32com" as a word (not
// win32comm), and of a path only its file name (not a folder called win32com).
bool NamesSerialLibrary(const std::wstring& lower) {
  constexpr wchar_t kName[] = L"win32com";
  constexpr std::size_t kLength = std::char_traits<wchar_t>::length(kName);
  for (std::size_t at = lower.find(kName); at != std::wstring::npos; at = lower.find(kName, at + 1)) {
    const std::size_t end = at + kLength;
    if ((at > 0 && IsWordCharacter(lower[at - 1])) || (end < lower.size() && IsWordCharacter(lower[end]))) continue;
    if (end < lower.size() && (lower[end] == L'\\' || lower[end] == L'/')) continue;
    return true;
  }
  return false;
}

// The line that says the serial-port library did not load. javax.comm's driver catches its
// own failure and prints it as "Error loading win32com: java.lang.UnsatisfiedLinkError: ...".
const std::wstring* SerialLibraryFailure(const std::vector<std::wstring>& lines) {
  for (const std::wstring& line : lines) {
    const std::wstring lower = AsciiLowerCase(line);
    if ((Contains(line, L"UnsatisfiedLinkError") || Contains(lower, L"error loading win32com")) &&
        NamesSerialLibrary(lower)) {
      return &line;
    }
  }
  return nullptr;
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

// Names joined as "a", "a and b", "a, b and c".
std::wstring Enumeration(const std::vector<std::wstring>& names) {
  std::wstring text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? L" and " : L", ";
    text += names[i];
  }
  return text;
}

// The version the runtime home is registered with, as " (Java 1.8.0_45)"; empty when unknown.
std::wstring RegisteredVersion(const ServerRun& run) {
  for (const java_runtime::RegisteredRuntime& runtime : run.registered) {
    if (SameFolder(runtime.home, run.java_home)) return L" (Java " + Displayed(runtime.version, 40) + L")";
  }
  return std::wstring();
}

// Java 1.5 to 8 find their own files by their folder's name in the ANSI code page.
std::wstring UnreadableRuntimeFolderAdvice(const Said& said) {
  const ServerRun& run = said.run;
  if (!run.java_home_unreadable || run.java_home.empty()) return std::wstring();
  return L"The name of the Java runtime's folder " + Shown(run.java_home) +
         L" has letters that Java cannot read on this PC, so Java does not find its own files: reinstall Java into "
         L"the folder its installer proposes, such as C:\\Program Files (x86)\\Java.";
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

// The words of a Java that could not create its VM. Java 7 and 8 end every such failure with
// "Could not create the Java Virtual Machine", whatever its cause.
bool VmNotCreated(const std::wstring& line) {
  return Contains(line, L"Error occurred during initialization of VM") ||
         Contains(line, L"Could not create the Java Virtual Machine") ||
         Contains(line, L"Could not create the Java virtual machine") || Contains(line, L"Invalid maximum heap size") ||
         Contains(line, L"Invalid initial heap size") || Contains(line, L"Unrecognized option") ||
         Contains(line, L"Could not reserve enough space for");
}

// HotSpot names the options it took from the environment before anything else it writes.
// Other programs' instructions tell people to set them; a heap that a 32-bit VM cannot
// reserve, or an option this Java does not know, then stops every Java on the PC.
std::wstring EnvironmentOptionsAdvice(const Said& said) {
  std::vector<std::wstring> named;
  for (const std::wstring& line : said.lines) {
    if (VmNotCreated(line)) break;
    for (const EnvironmentOption& option : said.run.java_options) {
      if (!Contains(line, (L"Picked up " + option.name + L":").c_str())) continue;
      named.push_back(L"the environment variable " + option.name + L", set on this PC to \"" +
                      Displayed(option.value, 200) + L"\"");
    }
  }
  if (named.empty() || !std::any_of(said.lines.begin(), said.lines.end(), VmNotCreated)) return std::wstring();
  return L"Java cannot start with the options that " + Enumeration(named) + L" gives it: remove " +
         (named.size() == 1 ? L"it" : L"them") + L" (System Properties, Environment Variables, under User variables "
         L"or System variables), then start Tessary again. Another program's instructions may have asked for " +
         (named.size() == 1 ? L"it" : L"them") + L": check with whoever looks after that program.";
}

// The runtime's own files, missing or unreadable: an interrupted update or a damaged install.
std::wstring DamagedRuntimeAdvice(const Said& said) {
  bool damaged = false;
  for (const std::wstring& line : said.lines) {
    const std::wstring lower = AsciiLowerCase(line);
    damaged = damaged || (Contains(line, L"NoClassDefFoundError") && Contains(line, L"java/lang/Object")) ||
              Contains(lower, L"could not find java.dll") ||
              Contains(line, L"Could not find Java SE Runtime Environment") || Contains(lower, L"jvm.cfg") ||
              Contains(lower, L"jvm.dll");
  }
  if (!damaged) return std::wstring();
  const ServerRun& run = said.run;
  const std::wstring runtime =
      run.java_home.empty() ? L"The Java runtime that ran the server (" + Displayed(run.program) + L")"
                            : L"The Java runtime in " + Shown(run.java_home) + RegisteredVersion(run);
  std::wstring missing;
  if (!run.missing_runtime_files.empty()) {
    missing = L" (" + Enumeration(run.missing_runtime_files) +
              (run.missing_runtime_files.size() == 1 ? L" is missing)" : L" are missing)");
  }
  return runtime + L" is damaged or incomplete" + missing + L": reinstall it.";
}

std::wstring SerialLibraryMissingSentence(const ServerRun& run) {
  const std::wstring& bin = run.serial_library_folder;
  return L"The serial-port library Win32com.dll is missing or damaged in the Java runtime's bin folder" +
         (bin.empty() ? std::wstring() : L" (" + Shown(bin) + L")") + L": copy it there again from " +
         kSupportFolder + L".";
}

// The reason the system gave for not loading the library: what follows its path and a colon.
std::wstring LoadFailureReason(const std::wstring& line) {
  const std::size_t at = AsciiLowerCase(line).rfind(L"win32com.dll:");
  if (at == std::wstring::npos) return std::wstring();
  std::wstring reason = line.substr(at + std::char_traits<wchar_t>::length(L"win32com.dll:"));
  const std::size_t first = reason.find_first_not_of(L' ');
  return first == std::wstring::npos ? std::wstring() : reason.substr(first);
}

// A library that is in place and still not loaded was refused: by Smart App Control, the
// company's application control or antivirus software. The reason is in the user's language,
// so it is quoted, not read.
std::wstring SerialLibraryRefusedSentence(const ServerRun& run, const std::wstring& reason) {
  std::wstring sentence = L"Windows or security software refused to load the serial-port library " +
                          Displayed(InFolder(run.serial_library_folder, L"Win32com.dll")) +
                          (reason.empty() ? std::wstring() : L" (\"" + Displayed(reason, 200) + L"\")") +
                          L", which is in place: copying it again does not help. An administrator must allow that "
                          L"file in the antivirus software or in the company's application control.";
  if (run.smart_app_control_on) {
    sentence += L" Smart App Control is on in this Windows, and it allows no exception for one file: it can only be "
                L"turned off (Windows Security, App & browser control), and on most PCs it cannot be turned on again.";
  }
  return sentence;
}

std::wstring SerialLibrarySentence(const std::wstring& line, const ServerRun& run) {
  if (Contains(line, L"Can't load IA 32-bit .dll on a AMD 64-bit platform")) {
    return L"The Java that ran the server is 64-bit and cannot load the 32-bit serial-port library "
           L"Win32com.dll: install the 32-bit (x86) Java Runtime Environment 8.";
  }
  if (Contains(AsciiLowerCase(line), L"no win32com in java.library.path") || !run.serial_library_present ||
      Contains(line, L"Can't find dependent libraries")) {
    return SerialLibraryMissingSentence(run);
  }
  return SerialLibraryRefusedSentence(run, LoadFailureReason(line));
}

std::wstring SerialLibraryAdvice(const Said& said) {
  const std::wstring* line = SerialLibraryFailure(said.lines);
  return line == nullptr ? std::wstring() : SerialLibrarySentence(*line, said.run);
}

bool PortTakenLine(const std::wstring& line) {
  return Contains(line, L"Address already in use") || Contains(line, L"PortInUseException");
}

// Process ids as Task Manager's Details shows them: "java.exe with process ID 1234".
std::wstring JavaProcesses(const std::vector<unsigned long>& ids) {
  std::vector<std::wstring> named;
  for (unsigned long id : ids) named.push_back(L"java.exe with process ID " + DecimalText(id));
  return Enumeration(named);
}

// Only one program can hold a port: a second server started from the same folder fails on
// the ports the first one holds. Another server is named only when the system showed it.
std::wstring PortTakenSentence(const ServerRun& run, bool still_running) {
  if (run.other_servers_known && !run.other_servers.empty()) {
    std::wstring sentence = L"Another Quorlane server is already running (" + JavaProcesses(run.other_servers) +
                            L" in Task Manager's Details), and only one server can use the phones' ports.";
    if (still_running && run.server_process_id != 0) {
      sentence += L" End the one Tessary has just started, java.exe with process ID " +
                  DecimalText(run.server_process_id) + L", in Task Manager's Details: the other one goes on.";
    } else {
      sentence += L" That one goes on serving the phones. To start afresh, end it first, then start Tessary again.";
    }
    return sentence;
  }
  std::wstring sentence = L"Another program, perhaps a second Quorlane server, already uses a port that the server "
                         L"needs: only one program at a time can use it.";
  if (still_running && run.server_process_id != 0) {
    sentence += L" The server Tessary has just started runs on without it, as java.exe with process ID " +
                DecimalText(run.server_process_id) + L" in Task Manager's Details.";
  }
  return sentence;
}

std::wstring PortTakenAdvice(const Said& said) {
  if (!std::any_of(said.lines.begin(), said.lines.end(), PortTakenLine)) return std::wstring();
  return PortTakenSentence(said.run, false);
}

bool Missing(const ServerRun& run, const wchar_t* entry) {
  return std::any_of(run.missing_server_files.begin(), run.missing_server_files.end(),
                     [entry](const std::wstring& missing) { return AsciiLowerCase(missing) == entry; });
}

// The javax.comm classes are in two copies of Comm.jar: the runtime's extension and the
// server's own, which its class path names. Either one is enough.
std::wstring CommExtensionAdvice(const Said& said) {
  if (!ClassNotFoundNaming(said.lines, L"javax/comm") && !ClassNotFoundNaming(said.lines, L"javax.comm")) {
    return std::wstring();
  }
  const ServerRun& run = said.run;
  const bool server_copy_missing = Missing(run, L"quorlane\\lib\\comm.jar");
  std::wstring advice;
  if (run.comm_jar_missing && !run.java_home.empty()) {
    advice = L"Comm.jar is missing from the Java runtime's lib\\ext folder (" +
             Shown(java_runtime::ExtensionFolder(run.java_home)) + L"): copy it there again from " + kSupportFolder +
             L".";
  }
  if (server_copy_missing) {
    advice += std::wstring(advice.empty() ? L"" : L" ") + L"The server's own copy, Quorlane\\lib\\comm.jar in " +
              Shown(run.app_directory) + L", is missing" + (advice.empty() ? L"" : L" too") + L": reinstall Quorlane.";
  }
  return advice;
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

// Tessary takes the first runtime registered that is recent enough, in the order Windows
// lists the version names. When a runtime new enough is registered after the one taken,
// removing every older one before it is what makes Tessary take it.
std::wstring OlderRuntimesTakenFirst(const ServerRun& run, unsigned release) {
  if (run.java_home.empty()) return std::wstring();
  bool reached = false;
  std::vector<const java_runtime::RegisteredRuntime*> older;
  for (const java_runtime::RegisteredRuntime& runtime : run.registered) {
    if (!reached && !SameFolder(runtime.home, run.java_home)) continue;
    reached = true;
    const unsigned version = java_runtime::FeatureRelease(runtime.version);
    if (version < java_runtime::kOldestUsableRelease || runtime.home.empty()) continue;
    if (version < release) {
      if (std::none_of(older.begin(), older.end(),
                       [&](const auto* seen) { return SameFolder(seen->home, runtime.home); })) {
        older.push_back(&runtime);
      }
      continue;
    }
    if (version > java_runtime::kNewestUsableRelease || older.empty()) return std::wstring();
    std::vector<std::wstring> named;
    for (const auto* old : older) {
      named.push_back(L"Java " + DecimalText(java_runtime::FeatureRelease(old->version)) + L" (version " +
                      Displayed(old->version, 40) + L", in " + Shown(old->home) + L")");
    }
    const bool one = older.size() == 1;
    const std::wstring newer = L"Java " + DecimalText(version);
    return L" " + newer + L" is installed as well (version " + Displayed(runtime.version, 40) + L", in " +
           Shown(runtime.home) + L"), but Tessary takes the first Java registered, and " + Enumeration(named) +
           (one ? L" comes before it: removing it" : L" come before it: removing them") +
           L" (Control Panel, Programs) makes Tessary take " + newer + L". Whoever removes " + (one ? L"it" : L"them") +
           L" should first check that no other program needs " + (one ? L"it." : L"them.");
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
  const std::wstring newer_registered = OlderRuntimesTakenFirst(said.run, release);
  if (!newer_registered.empty()) {
    return L"The server was built for " + java + L", which is newer than the Java that ran it." + newer_registered;
  }
  return L"The server was built for " + java + L", which is newer than the Java that ran it: install the 32-bit "
         L"(x86) Java Runtime Environment " + DecimalText(release) + L".";
}

// Java says it cannot find the main class when a class-path entry is missing, when it cannot
// read the entry's name, and when a class the main class needs is missing (Java 8 then also
// writes "A JNI error has occurred", which is its reaction to any exception there).
std::wstring MainClassAdvice(const Said& said) {
  if (!AnyLineHolds(said.lines, L"Could not find or load main class") &&
      !AnyLineHolds(said.lines, L"Could not find the main class") && !ClassNotFoundNaming(said.lines, L"")) {
    return std::wstring();
  }
  const ServerRun& run = said.run;
  if (run.missing_server_files.size() == ServerClassPathEntries().size()) {
    return L"There is no Quorlane folder beside Tessary.exe (in " + Shown(run.app_directory) +
           L"): Tessary.exe must stay in the folder that holds the Quorlane folder. To start it from elsewhere, such "
           L"as the Desktop, put a shortcut to it there, not a copy.";
  }
  if (!run.missing_server_files.empty()) {
    const bool one = run.missing_server_files.size() == 1;
    return L"The server's " + std::wstring(one ? L"file " : L"files ") + Enumeration(run.missing_server_files) +
           (one ? L" is" : L" are") + L" missing from the folder of Tessary.exe (" + Shown(run.app_directory) +
           L"): reinstall Quorlane.";
  }
  if (run.app_directory_unreadable) {
    return L"The name of the folder " + Shown(run.app_directory) +
           L" has letters that Java cannot read on this PC, so it does not find the server's files there: move "
           L"Tessary.exe and its Quorlane folder to a folder whose name has plain letters only, such as "
           L"C:\\Quorlane.";
  }
  return L"The server's files are in place in the Quorlane folder beside Tessary.exe (" +
         Shown(ServerClassFolder(run.app_directory)) +
         L"), but Java did not find its classes in them: they may be damaged. Reinstall Quorlane.";
}

std::wstring NoMemoryAdvice(const Said& said) {
  // Java 8 names the size: "Could not reserve enough space for 262144KB object heap".
  if (!AnyLineHolds(said.lines, L"Could not reserve enough space for")) return std::wstring();
  return L"The 32-bit Java could not get the memory it asks for: close other programs, or restart the PC, and "
         L"start Tessary again.";
}

// The failures a Java server commonly ends with, most telling first: a runtime that cannot
// find itself fails in any of the ways below, a crash report names its own cause, options
// from the environment explain a VM that cannot start, and a missing library shows in the
// same words as missing classes.
using Advice = std::wstring (*)(const Said& said);
constexpr Advice kWhatItMeans[] = {
    UnreadableRuntimeFolderAdvice, CrashReportAdvice,   EnvironmentOptionsAdvice, DamagedRuntimeAdvice,
    SerialLibraryAdvice,           PortTakenAdvice,     CommExtensionAdvice,      ClassVersionAdvice,
    MainClassAdvice,               NoMemoryAdvice,
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

std::string KeptOutput::bytes() const {
  if (!dropped_) return first_ + last_;
  // What was dropped may have cut the beginning's last line in two: that half line goes too.
  const std::size_t line_end = first_.rfind('\n');
  return first_.substr(0, line_end == std::string::npos ? first_.size() : line_end + 1) + "\n" + last_;
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

bool SaysPortIsTaken(const std::wstring& said) {
  const std::vector<std::wstring> lines = Lines(said);
  return std::any_of(lines.begin(), lines.end(), PortTakenLine);
}

std::wstring PortTakenMessage(const std::wstring& said, const ServerRun& run) {
  const std::vector<std::wstring> lines = Lines(said);
  const auto line = std::find_if(lines.begin(), lines.end(), PortTakenLine);
  if (line == lines.end()) return std::wstring();
  std::wstring message = PortTakenSentence(run, true) + L"\r\n" + QuoteText({Cut(*line, kQuotedLineLength)});
  return message.substr(0, message.size() - 4);  // the quote's closing blank line
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
