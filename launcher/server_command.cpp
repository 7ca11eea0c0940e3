#include "launcher/server_command.h"

#include "runtime/java_runtime.h"

namespace tessary {
namespace {

constexpr wchar_t kServerOwnJar[] = L"\\Quorlane\\lib\\Quorlane.jar";
// The server's files, relative to the application directory, in class-path order.
constexpr const wchar_t* kServerJars[] = {
    L"\\Quorlane\\lib\\comm.jar",
    L"\\Quorlane\\lib\\jdc.jar",
    L"\\Quorlane\\lib\\jxl.jar",
    kServerOwnJar,
    L"\\Quorlane\\lib\\swing-layout-1.0.jar",
};
constexpr wchar_t kServerClassFolder[] = L"\\Quorlane";
constexpr wchar_t kServerMainClass[] = L"Quorlane.Frame11";

bool NeedsQuotes(const std::wstring& path) {
  return path.find_first_of(L" \t") != std::wstring::npos;
}

}  // namespace

std::wstring ServerProgram(const std::wstring& java_home) {
  return java_home.empty() ? std::wstring(java_runtime::kSearchPathExecutable) : java_runtime::ExecutablePath(java_home);
}

std::wstring ServerCommandLine(const std::wstring& java_home, const std::wstring& app_directory) {
  const std::wstring program = ServerProgram(java_home);
  std::wstring command = NeedsQuotes(program) ? L"\"" + program + L"\"" : program;
  command += L" -classpath ";
  // Each entry is the folder followed by a path that begins with a separator: at a drive
  // root ("C:\") the separator is doubled, as the server's command line has always had it.
  for (const wchar_t* jar : kServerJars) {
    command += L"\"" + app_directory + jar + L"\";";
  }
  command += L"\"" + app_directory + kServerClassFolder + L"\" ";
  command += kServerMainClass;
  return command;
}

std::wstring ServerClassFolder(const std::wstring& app_directory) {
  const bool at_root = !app_directory.empty() && app_directory.back() == L'\\';
  return app_directory + (at_root ? kServerClassFolder + 1 : kServerClassFolder);
}

const wchar_t* ServerJar() { return kServerOwnJar + 1; }

std::vector<std::wstring> ServerClassPathEntries() {
  std::vector<std::wstring> entries;
  for (const wchar_t* jar : kServerJars) entries.emplace_back(jar + 1);
  entries.emplace_back(kServerClassFolder + 1);
  return entries;
}

}  // namespace tessary
