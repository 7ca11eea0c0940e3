#ifndef TESSARY_LAUNCHER_LAUNCH_SEQUENCE_H_
#define TESSARY_LAUNCHER_LAUNCH_SEQUENCE_H_

namespace tessary {

// Everything after the splash: find the runtime, start the server hidden in the
// application directory, linger 10 seconds and end the process. Ends the process on
// every path; it returns only when a test's seams let it.
void LaunchSequence();

}  // namespace tessary

#endif  // TESSARY_LAUNCHER_LAUNCH_SEQUENCE_H_
