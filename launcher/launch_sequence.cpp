#include "launcher/launch_sequence.h"

#include "base/diagnostics.h"
#include "base/runtime_error.h"
#include "base/seams.h"
#include "base/text.h"
#include "launcher/server_command.h"
#include "launcher/server_start.h"
#include "launcher/server_stopped.h"
#include "runtime/java_runtime.h"
#include "runtime/mod_main.h"

namespace tessary {
namespace {

// How long the launcher lingers after starting the server.
constexpr unsigned kLingerMilliseconds = 10000;

}  // namespace

void LaunchSequence() {
  LocateJavaRuntime();  // may end the process itself

  const std::wstring app_directory = ApplicationDirectory();
  const std::wstring command_line = ServerCommandLine(JavaHomePath, app_directory);
  const std::wstring executable = ServerExecutable(JavaHomePath);
  Trace(L"working directory: " + app_directory);
  Trace(L"starting: " + command_line);
  StartedServer server;
  try {
    server = StartServer(executable, command_line, app_directory);
  } catch (const RuntimeError& error) {
    Trace(L"server not started: " + error.description());
    ShowMessage(error.description());
    EndProcess(ExitCode::kServerStartFailed);
    return;
  }
  Trace(L"server started");

  // The linger doubles as a watch: a server that cannot run ends within it.
  const ServerWatch watch = WatchServer(server, kLingerMilliseconds);
  // From here on nothing reads the pipe, and a write to it fails at once instead of
  // waiting for room that would never come.
  server.output.reset();
  if (watch.ended && watch.exit_code != 0) {
    const std::wstring started = executable.empty() ? java_runtime::kSearchPathExecutable : executable;
    const std::wstring program = watch.program.empty() ? started : watch.program;
    Trace(L"server ended with exit code " + DecimalText(watch.exit_code));
    if (!watch.said.empty()) Trace(L"the server said: " + watch.said);
    ShowMessage(ServerStoppedMessage(watch.exit_code, watch.ran_milliseconds, program, app_directory, watch.said));
    EndProcess(ExitCode::kServerStopped);
    return;
  }
  Trace(watch.ended ? L"server ended normally" : L"server still running");
  EndProcess(ExitCode::kNormal);
}

}  // namespace tessary
