#ifndef TESSARY_LAUNCHER_SERVER_COMMAND_H_
#define TESSARY_LAUNCHER_SERVER_COMMAND_H_

#include <string>
#include <vector>

namespace tessary {

// The command line that starts the server, built from the runtime home (empty: use
// `java` from the search path) and the application directory.
//
// For a home without spaces the result is, on one line:
//   C:\Jre\bin\java.exe -classpath "C:\Srv\Quorlane\lib\comm.jar";...;"C:\Srv\Quorlane" Quorlane.Frame11
// A home that contains a space or a tab has its executable path quoted: unquoted,
// Windows would split it at the space and could start C:\Program.exe instead.
std::wstring ServerCommandLine(const std::wstring& java_home, const std::wstring& app_directory);

// The program the server runs in: the runtime's own java.exe when a home is known, so that
// nothing else can run in its place; otherwise "java", found through the search path.
std::wstring ServerProgram(const std::wstring& java_home);

// The server's own class folder: app_directory\Quorlane, with one separator also at a
// drive root.
std::wstring ServerClassFolder(const std::wstring& app_directory);

// The class path's entries as the operator knows them, relative to app_directory and in
// class-path order: Quorlane\lib\comm.jar ... Quorlane\lib\swing-layout-1.0.jar, then the
// class folder Quorlane.
std::vector<std::wstring> ServerClassPathEntries();
// The server's own jar, Quorlane\lib\Quorlane.jar, which a running server holds open.
const wchar_t* ServerJar();

}  // namespace tessary

#endif  // TESSARY_LAUNCHER_SERVER_COMMAND_H_
