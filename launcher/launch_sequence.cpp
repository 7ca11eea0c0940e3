#include "launcher/launch_sequence.h"

#include "base/diagnostics.h"
#include "base/runtime_error.h"
#include "base/seams.h"
#include "launcher/server_command.h"
#include "launcher/server_start.h"
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
  Trace(L"working directory: " + app_directory);
  Trace(L"starting: " + command_line);
  try {
    StartServer(ServerExecutable(JavaHomePath), command_line, app_directory);
  } catch (const RuntimeError& error) {
    Trace(L"server not started: " + error.description());
    ShowMessage(error.description());
    EndProcess(ExitCode::kServerStartFailed);
    return;
  }
  Trace(L"server started");

  SleepFor(kLingerMilliseconds);
  EndProcess(ExitCode::kNormal);
}

}  // namespace tessary
