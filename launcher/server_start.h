#ifndef TESSARY_LAUNCHER_SERVER_START_H_
#define TESSARY_LAUNCHER_SERVER_START_H_

#include <string>

namespace tessary {

// The folder that holds the launcher's executable: no trailing separator except at a
// drive root. Paths longer than MAX_PATH are returned whole.
std::wstring ApplicationDirectory();

// Makes app_directory the process's working directory, so that the server inherits it,
// then starts the command line with its window hidden and returns as soon as the process
// exists; no handle to it is kept. With an executable, exactly that program is started;
// without one, the first word of the command line is found by the usual search.
// Raises RuntimeError, naming the folder or the program, when either step fails.
void StartServer(const std::wstring& executable, const std::wstring& command_line,
                 const std::wstring& app_directory);

}  // namespace tessary

#endif  // TESSARY_LAUNCHER_SERVER_START_H_
