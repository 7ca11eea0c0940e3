#ifndef TESSARY_LAUNCHER_DIAGNOSIS_SERVER_FACTS_WIN_H_
#define TESSARY_LAUNCHER_DIAGNOSIS_SERVER_FACTS_WIN_H_

#include <string>
#include <vector>

#include "launcher/diagnosis/server_stopped.h"

namespace tessary {

// Checks on this PC what the advice on a failed server rests on, and fills the second part
// of run with it: the server's files, the runtime's, the registered runtimes, the serial-port
// library, the options Java takes from the environment and, when the server's words say that
// a port is taken, the other servers. Once, after the failure: none of it costs a normal start.
void GatherServerFacts(ServerRun& run, const std::wstring& said);

// The processes other than except that hold the file open, by the Restart Manager, which
// sees every session's without administrator rights. False when it cannot say.
bool ProcessesUsingFile(const std::wstring& file, unsigned long except, std::vector<unsigned long>& found);

}  // namespace tessary

#endif  // TESSARY_LAUNCHER_DIAGNOSIS_SERVER_FACTS_WIN_H_
