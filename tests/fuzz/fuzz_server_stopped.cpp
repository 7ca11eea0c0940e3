// Builds the stopped-server box from any output: the bytes as a server wrote them, each
// taken as one character so that Latin-1 and control characters come up often, through the
// output the launcher keeps. The quote must stay within its limits whatever the server wrote.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "launcher/diagnosis/server_stopped.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tessary::KeptOutput kept;
  kept.Append(reinterpret_cast<const char*>(data), size);
  if (kept.bytes().size() > 2 * tessary::KeptOutput::kHeldBytes + 1) std::abort();
  std::wstring said;
  for (unsigned char byte : kept.bytes()) said += static_cast<wchar_t>(byte);
  std::size_t characters = 0;
  const auto lines = tessary::QuotedLines(said);
  for (const std::wstring& line : lines) {
    if (line.empty() || line.size() > tessary::kQuotedLineLength) std::abort();
    for (wchar_t c : line) {
      if (c < 0x20) std::abort();
    }
    characters += line.size();
  }
  if (lines.size() > tessary::kQuotedLines || characters > tessary::kQuotedCharacters) std::abort();
  tessary::ServerRun run;
  run.program = L"C:\\Jre\\bin\\java.exe";
  run.java_home = L"C:\\Jre";
  run.app_directory = L"C:\\Srv";
  run.registered = {{L"1.6", L"C:\\Jre"}, {L"1.7", L"C:\\Jre7"}, {L"1.8", L"C:\\Jre8"}};
  // What the launcher may find on the PC, one way or the other by the first byte.
  const bool found = size > 0 && (data[0] & 1) != 0;
  run.serial_library_folder = L"C:\\Jre\\bin";
  run.serial_library_present = run.smart_app_control_on = run.comm_jar_missing = found;
  run.missing_server_files = {L"Quorlane\\lib\\comm.jar"};
  run.java_options = {{L"_JAVA_OPTIONS", L"-Xmx1g"}};
  run.other_servers_known = found;
  run.other_servers = {1234};
  tessary::ServerStoppedMessage(1, 400, run, said);
  tessary::SerialPortsUnreachableMessage(said, run);
  tessary::PortTakenMessage(said, run);
  return 0;
}
