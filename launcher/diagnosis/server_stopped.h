#ifndef TESSARY_LAUNCHER_DIAGNOSIS_SERVER_STOPPED_H_
#define TESSARY_LAUNCHER_DIAGNOSIS_SERVER_STOPPED_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/java_runtime.h"

namespace tessary {

// What the launcher keeps of what the server wrote on its output and error while it watched
// it: the first kHeldBytes, and the last kHeldBytes of the rest, as the server wrote them. A
// Java server names what it lacks when it starts, and why it ends when it ends; what it logs
// in between can be long. When bytes between the two had to go, the end begins at the start
// of a line, if a line starts in it.
class KeptOutput {
 public:
  static constexpr std::size_t kHeldBytes = 16384;

  void Append(const char* bytes, std::size_t count);
  // The beginning, then the end, with a line break between them when bytes were dropped.
  std::string bytes() const;

 private:
  std::string first_;
  std::string last_;
  bool dropped_ = false;
};

// An environment variable that Java reads its options from, as the launcher, and so the
// server, has it.
struct EnvironmentOption {
  std::wstring name;
  std::wstring value;
};

// What the launcher knows of one run of the server, besides what the server said. The first
// part is known when the server starts; the rest is what the launcher checked on the PC
// after the server failed (GatherServerFacts), so that the advice rests on it.
struct ServerRun {
  std::wstring program;            // the program that ran the server
  std::wstring java_home;          // the runtime home it was started from; empty for `java` from the search path
  std::wstring app_directory;      // the launcher's folder, which is the server's working folder
  bool app_directory_unreadable = false;  // Java cannot read its name on this PC, nor a short name of it
  bool java_home_unreadable = false;      // the same for the runtime home
  unsigned long server_process_id = 0;

  // The class-path entries (ServerClassPathEntries) that are missing from app_directory.
  std::vector<std::wstring> missing_server_files;
  bool comm_jar_missing = false;   // the runtime's lib\ext\Comm.jar
  // Files a runtime cannot start without, missing from java_home (bin\java.dll, lib\rt.jar ...).
  std::vector<std::wstring> missing_runtime_files;
  std::vector<java_runtime::RegisteredRuntime> registered;  // under the runtime key, in registry order
  // The runtime's own bin folder, where the serial-port library belongs; empty when the java
  // that ran is not known to be a runtime's own. Whether Win32com.dll is in it.
  std::wstring serial_library_folder;
  bool serial_library_present = false;
  bool smart_app_control_on = false;           // Windows 11's Smart App Control enforces or evaluates
  std::vector<EnvironmentOption> java_options;  // _JAVA_OPTIONS and JAVA_TOOL_OPTIONS, where set
  // Other processes that hold the server's Quorlane.jar open: other Quorlane servers. Known
  // only when the system could say (other_servers_known).
  std::vector<unsigned long> other_servers;
  bool other_servers_known = false;
};

// True when the server's words say that a port it needs is taken: a listening socket's
// "Address already in use", or javax.comm's PortInUseException for a serial port.
bool SaysPortIsTaken(const std::wstring& said);

// The server's last lines as a message box quotes them: control characters other than line
// ends removed, tabs turned into spaces, blank lines dropped, each line cut at
// kQuotedLineLength characters, at most kQuotedLines lines and kQuotedCharacters characters
// in all. Of a Java stack trace, only the first frames after each exception line are kept.
inline constexpr std::size_t kQuotedLines = 15;
inline constexpr std::size_t kQuotedCharacters = 1200;
inline constexpr std::size_t kQuotedLineLength = 200;
std::vector<std::wstring> QuotedLines(const std::wstring& said);

// One sentence that says what the server's words mean and what to do about them, for the
// failures Java servers commonly end with; empty when the words show none of them.
std::wstring WhatTheServerSaidMeans(const std::wstring& said, const ServerRun& run);

// What the operator is told when the server ends with a failure code while the launcher
// still lingers: that it stopped, its exit code in decimal (and in hexadecimal when it
// looks like a Windows status code), how long it ran, the program that was started, the
// last lines the server wrote, if any, and what to do.
std::wstring ServerStoppedMessage(std::uint32_t exit_code, unsigned long long ran_milliseconds, const ServerRun& run,
                                  const std::wstring& said = std::wstring());

// What the operator is told when the server still runs at the end of the linger but said that
// a port it needs is taken (SaysPortIsTaken): which other server holds it, if one was seen.
// Empty when it said no such thing.
std::wstring PortTakenMessage(const std::wstring& said, const ServerRun& run);

// What the operator is told when the server still runs at the end of the linger but said that
// its serial-port library did not load, so that it cannot reach the phones: the line that
// says so, and what to do. Empty when it said no such thing.
std::wstring SerialPortsUnreachableMessage(const std::wstring& said, const ServerRun& run);

}  // namespace tessary

#endif  // TESSARY_LAUNCHER_DIAGNOSIS_SERVER_STOPPED_H_
