#ifndef TESSARY_LAUNCHER_SERVER_START_H_
#define TESSARY_LAUNCHER_SERVER_START_H_

#include <string>

#include "base/unique_handle.h"

namespace tessary {

// The folder that holds the launcher's executable: no trailing separator except at a
// drive root. Paths longer than MAX_PATH are returned whole.
std::wstring ApplicationDirectory();

// The folders the server's command line names, as Java can read them. Java 1.5 to 8 read
// their command line in the ANSI code page: a folder whose name has letters outside it is
// named by its short (8.3) name, which is plain ASCII, where it has one.
struct ServerFolders {
  std::wstring java_home;
  std::wstring app_directory;
  bool app_directory_unreadable;  // neither the launcher's folder's name nor a short name survives
  bool java_home_unreadable;      // neither the runtime home's name nor a short name survives
};
ServerFolders FoldersJavaCanRead(const std::wstring& java_home, const std::wstring& app_directory);

// A started server: its process, and the launcher's reading end of the pipe that the
// server's output and error go to (no handle when that pipe could not be made: the server
// then writes to its own console, as it would without the launcher).
struct StartedServer {
  UniqueKernelHandle process;
  UniqueFile output;
  unsigned long process_id = 0;
};

// Makes app_directory the process's working directory, so that the server inherits it,
// then starts the command line with its window hidden and returns as soon as the process
// exists. Name the folder as the command line does: Java 5 and 6 take their user.dir, and
// the VM its crash report's folder, from the working directory's name in the ANSI code page. The server gets a console of its own, hidden; its output and error go to a pipe
// the launcher reads, and a read of its input waits, as on a console nobody types into. It
// inherits no other handle, and its environment is the launcher's. A program with a folder
// is started exactly; one without ("java") is found by the usual search. Raises
// RuntimeError, naming the folder or the program, when either step fails.
StartedServer StartServer(const std::wstring& program, const std::wstring& command_line,
                          const std::wstring& app_directory);

}  // namespace tessary

#endif  // TESSARY_LAUNCHER_SERVER_START_H_
