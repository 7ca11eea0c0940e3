#ifndef TESSARY_LAUNCHER_LAUNCH_SEQUENCE_H_
#define TESSARY_LAUNCHER_LAUNCH_SEQUENCE_H_

namespace tessary {

// Everything after the splash: find the runtime, start the server hidden in the
// application directory, linger up to 10 seconds while watching it, and end the process;
// a server that fails within that time is reported. Ends the process on every path.
[[noreturn]] void LaunchSequence();

}  // namespace tessary

#endif  // TESSARY_LAUNCHER_LAUNCH_SEQUENCE_H_
