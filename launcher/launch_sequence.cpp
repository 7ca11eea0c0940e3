#include "launcher/launch_sequence.h"

#include "base/diagnostics.h"
#include "base/runtime_error.h"
#include "base/seams.h"
#include "base/text.h"
#include "launcher/diagnosis/server_facts_win.h"
#include "launcher/diagnosis/server_stopped.h"
#include "launcher/server_command.h"
#include "launcher/server_start.h"
#include "launcher/server_watch.h"
#include "runtime/comm_support_files.h"
#include "runtime/java_runtime.h"
#include "runtime/mod_main.h"

namespace tessary {
namespace {

// How long the launcher lingers after starting the server.
constexpr unsigned kLingerMilliseconds = 10000;

// Ends the process after telling the operator that the server stopped, and what its words mean.
[[noreturn]] void ReportStoppedServer(const ServerWatch& watch, ServerRun& run) {
  Trace(L"server ended with exit code " + DecimalText(watch.exit_code));
  if (!watch.said.empty()) Trace(L"the server said: " + watch.said);
  GatherServerFacts(run, watch.said);
  ShowMessage(ServerStoppedMessage(watch.exit_code, watch.ran_milliseconds, run, watch.said));
  EndProcess(ExitCode::kServerStopped);
}

// Ends the process after telling the operator that the server, still running, said it cannot
// reach the phones; returns when it said no such thing.
void ReportRunningServerTrouble(const ServerWatch& watch, ServerRun& run) {
  const bool port_taken = SaysPortIsTaken(watch.said);
  if (!port_taken && SerialPortsUnreachableMessage(watch.said, run).empty()) return;
  GatherServerFacts(run, watch.said);
  const std::wstring unreachable = SerialPortsUnreachableMessage(watch.said, run);
  if (!unreachable.empty()) {
    Trace(L"the server runs without its serial-port library: " + watch.said);
    ShowMessage(unreachable);
    EndProcess(ExitCode::kSerialPortsUnreachable);
  }
  Trace(L"the server runs without a port it needs: " + watch.said);
  ShowMessage(PortTakenMessage(watch.said, run));
  EndProcess(ExitCode::kPortTaken);
}

}  // namespace

void LaunchSequence() {
  LocateJavaRuntime();  // may end the process itself

  ServerRun run;
  run.java_home = JavaHomePath;
  run.app_directory = ApplicationDirectory();
  const ServerFolders named = FoldersJavaCanRead(run.java_home, run.app_directory);
  run.app_directory_unreadable = named.app_directory_unreadable;
  run.java_home_unreadable = named.java_home_unreadable;
  const std::wstring command_line = ServerCommandLine(named.java_home, named.app_directory);
  Trace(L"working directory: " + run.app_directory);
  Trace(L"starting: " + command_line);
  StartedServer server;
  try {
    server = StartServer(ServerProgram(named.java_home), command_line, named.app_directory);
  } catch (const RuntimeError& error) {
    Trace(L"server not started: " + error.description());
    const std::wstring stale = run.java_home.empty() ? std::wstring() : StaleRegistrationMessage(run.java_home);
    ShowMessage(stale.empty() ? error.description() : error.description() + L"\r\n\r\n" + stale);
    EndProcess(ExitCode::kServerStartFailed);
  }
  run.server_process_id = server.process_id;
  Trace(L"server started");

  // The linger doubles as a watch: a server that cannot run ends within it.
  const ServerWatch watch = WatchServer(server, kLingerMilliseconds);
  // From here on nothing reads the pipe, and a write to it fails at once instead of
  // waiting for room that would never come.
  server.output.reset();
  // The operator knows the runtime by its folder's own name, not by its short one; the
  // system says which java the search path found.
  run.program = run.java_home.empty() && !watch.program.empty() ? watch.program : ServerProgram(run.java_home);
  if (watch.ended && watch.exit_code != 0) ReportStoppedServer(watch, run);
  if (!watch.ended) ReportRunningServerTrouble(watch, run);
  Trace(watch.ended ? L"server ended normally" : L"server still running");
  EndProcess(ExitCode::kNormal);
}

}  // namespace tessary
