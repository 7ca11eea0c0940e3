#include "launcher/server_command.h"

#include "runtime/java_runtime.h"

namespace tessary {
namespace {

// The server's files, relative to the application directory, in class-path order.
constexpr const wchar_t* kServerJars[] = {
    L"\\Quorlane\\lib\\comm.jar",
    L"\\Quorlane\\lib\\jdc.jar",
    L"\\Quorlane\\lib\\jxl.jar",
    L"\\Quorlane\\lib\\Quorlane.jar",
    L"\\Quorlane\\lib\\swing-layout-1.0.jar",
};
constexpr wchar_t kServerClassFolder[] = L"\\Quorlane";
constexpr wchar_t kServerMainClass[] = L"Quorlane.Frame11";

bool NeedsQuotes(const std::wstring& path) {
  return path.find_first_of(L" \t") != std::wstring::npos;
}

}  // namespace

std::wstring ServerExecutable(const std::wstring& java_home) {
  return java_home.empty() ? std::wstring() : java_runtime::ExecutablePath(java_home);
}

std::wstring ServerCommandLine(const std::wstring& java_home, const std::wstring& app_directory) {
  std::wstring command;
  if (java_home.empty()) {
    command = java_runtime::kSearchPathExecutable;
  } else {
    const std::wstring executable = java_runtime::ExecutablePath(java_home);
    command = NeedsQuotes(executable) ? L"\"" + executable + L"\"" : executable;
  }
  command += L" -classpath ";
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

std::wstring DirectoryOfModule(const std::wstring& module_path) {
  const size_t separator = module_path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return std::wstring();
  std::wstring directory = module_path.substr(0, separator);
  // "C:" alone names the drive's current directory, not its root.
  if (!directory.empty() && directory.back() == L':') directory += L'\\';
  return directory;
}

}  // namespace tessary
