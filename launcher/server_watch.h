#ifndef TESSARY_LAUNCHER_SERVER_WATCH_H_
#define TESSARY_LAUNCHER_SERVER_WATCH_H_

#include <cstdint>
#include <string>

#include "launcher/server_start.h"

namespace tessary {

// How the server fared while the launcher waited for it.
struct ServerWatch {
  bool ended = false;                 // false: still running when the wait was over
  std::uint32_t exit_code = 0;        // when ended
  unsigned long long ran_milliseconds = 0;
  std::wstring program;               // the program file that ran, when the system says
  std::wstring said;                  // the beginning and the end of what it wrote, decoded
};

// Waits up to the given time for the server started by StartServer to end, reading its
// output all the while. When the wait or the server's exit code cannot be had, the
// launcher still lingers for that time.
ServerWatch WatchServer(const StartedServer& server, unsigned milliseconds);

}  // namespace tessary

#endif  // TESSARY_LAUNCHER_SERVER_WATCH_H_
