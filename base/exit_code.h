#ifndef TESSARY_BASE_EXIT_CODE_H_
#define TESSARY_BASE_EXIT_CODE_H_

namespace tessary {

// The launcher's process exit codes. Anything that ends the process names one of these.
enum class ExitCode : unsigned {
  kNormal = 0,               // the server was started, or the user closed the splash
  kNoJavaRuntime = 2,        // no Java runtime is registered at all
  kNoRecentJavaRuntime = 3,  // runtimes are registered, none of version 1.5 or higher
  kServerStartFailed = 4,    // the working directory or the server process could not be set up
  kStartupFailed = 5,        // the splash window could not be created
  kServerStopped = 6,        // the server ended with a failure code before the linger was over
  kUnexpectedFailure = 7,    // an unforeseen failure, such as running out of memory
  kSerialPortsUnreachable = 8,  // the server runs, but said that its serial-port library did not load
  kPortTaken = 9,               // the server runs, but said that a port it needs is taken
};

}  // namespace tessary

#endif  // TESSARY_BASE_EXIT_CODE_H_
