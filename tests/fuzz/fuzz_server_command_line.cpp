// Builds the server command line from any runtime home and application directory, and
// for paths Windows accepts splits it again as the started java.exe would.
//
// Input: the home, a zero byte, the application directory (up to the next zero byte).
// A byte is the character of the same code, except that 0xFF and the two bytes after
// it make one UTF-16 code unit (little-endian), so the characters that matter to the
// quoting rules are one byte away.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/server_command.h"
#include "tests/support/windows_argv.h"

namespace {

using tessary::test_support::Printable;
using tessary::test_support::SplitWindowsCommandLine;

std::wstring Take(const std::uint8_t* data, std::size_t size, std::size_t& at) {
  std::wstring text;
  while (at < size) {
    const std::uint8_t byte = data[at++];
    if (byte == 0) break;
    if (byte == 0xFF && size - at >= 2) {
      text.push_back(static_cast<wchar_t>(data[at] | data[at + 1] << 8));
      at += 2;
    } else {
      text.push_back(byte);
    }
  }
  return text;
}

bool IsPathCharacter(wchar_t c) { return c >= 0x20 && std::wstring_view(L"<>\"|?*").find(c) == std::wstring_view::npos; }

bool IsDriveRoot(const std::wstring& path) {
  return path.size() == 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
         path[1] == L':' && path[2] == L'\\';
}

// Characters Windows allows in a path, and no trailing separator except a drive root's.
bool IsValidPath(const std::wstring& path) {
  return std::all_of(path.begin(), path.end(), IsPathCharacter) &&
         (path.empty() || path.back() != L'\\' || IsDriveRoot(path));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::size_t at = 0;
  const std::wstring home = Take(data, size, at);
  const std::wstring app = Take(data, size, at);
  const std::wstring line = tessary::ServerCommandLine(home, app);
  const std::vector<std::wstring> arguments = SplitWindowsCommandLine(line);
  if (app.empty() || !IsValidPath(app) || !IsValidPath(home)) return 0;

  std::wstring class_path;
  for (const wchar_t* jar : {L"comm.jar", L"jdc.jar", L"jxl.jar", L"Quorlane.jar", L"swing-layout-1.0.jar"}) {
    class_path += app + L"\\Quorlane\\lib\\" + jar + L";";
  }
  class_path += app + L"\\Quorlane";
  const std::vector<std::wstring> expected = {home.empty() ? L"java" : home + L"\\bin\\java.exe", L"-classpath",
                                              class_path, L"Quorlane.Frame11"};
  if (arguments != expected) {
    std::fprintf(stderr, "fuzz_server_command_line: the started program would not see the intended arguments\n"
                         "home: %s\napp: %s\nline: %s\n",
                 Printable(home).c_str(), Printable(app).c_str(), Printable(line).c_str());
    for (const std::wstring& argument : arguments) std::fprintf(stderr, "  argument: %s\n", Printable(argument).c_str());
    std::abort();
  }
  return 0;
}
