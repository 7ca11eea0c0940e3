#include "launcher/server_command.h"

#include "base/text.h"
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

std::wstring ServerStoppedMessage(std::uint32_t exit_code, unsigned long long ran_milliseconds,
                                  const std::wstring& program, const std::wstring& app_directory) {
  std::wstring code = DecimalText(exit_code);
  // Crashes end with an NTSTATUS such as 0xC0000005, which is looked up in that form.
  if (exit_code > 0xFFFF) code += L" (" + HexText(exit_code) + L")";
  const bool at_root = !app_directory.empty() && app_directory.back() == L'\\';
  const std::wstring server_folder = app_directory + (at_root ? kServerClassFolder + 1 : kServerClassFolder);
  return L"The Quorlane server stopped right after it was started.\r\n"
         L"It ran for " + SecondsText(ran_milliseconds) + L" and ended with exit code " + code + L".\r\n"
         L"Program: " + Abbreviated(program) + L"\r\n"
         L"Check the Quorlane folder beside Tessary.exe (" + Abbreviated(server_folder) +
         L") and its lib folder, and the Java runtime.";
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
