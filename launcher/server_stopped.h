#ifndef TESSARY_LAUNCHER_SERVER_STOPPED_H_
#define TESSARY_LAUNCHER_SERVER_STOPPED_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessary {

// The end of what the server wrote on its output and error while the launcher watched it:
// at most kHeldBytes, as the server wrote them. When older bytes had to go, what is held
// begins at the start of a line, if a line starts in it.
class OutputTail {
 public:
  static constexpr std::size_t kHeldBytes = 16384;

  void Append(const char* bytes, std::size_t count);
  const std::string& bytes() const { return held_; }

 private:
  std::string held_;
};

// The server's last lines as a message box quotes them: control characters other than line
// ends removed, tabs turned into spaces, blank lines dropped, each line cut at
// kQuotedLineLength characters, at most kQuotedLines lines and kQuotedCharacters characters
// in all. Of a Java stack trace, only the first frames after each exception line are kept.
inline constexpr std::size_t kQuotedLines = 15;
inline constexpr std::size_t kQuotedCharacters = 1200;
inline constexpr std::size_t kQuotedLineLength = 200;
std::vector<std::wstring> QuotedLines(const std::wstring& said);

// One sentence that says what the server's words mean and what to do about them, for the
// failures Java servers commonly end with; empty when the words show none of them.
// program is the runtime that ran the server, app_directory the launcher's folder.
std::wstring WhatTheServerSaidMeans(const std::wstring& said, const std::wstring& program,
                                    const std::wstring& app_directory);

// What the operator is told when the server ends with a failure code while the launcher
// still lingers: that it stopped, its exit code in decimal (and in hexadecimal when it
// looks like a Windows status code), how long it ran, the program that was started, the
// last lines the server wrote, if any, and what to do.
std::wstring ServerStoppedMessage(std::uint32_t exit_code, unsigned long long ran_milliseconds,
                                  const std::wstring& program, const std::wstring& app_directory,
                                  const std::wstring& said = std::wstring());

}  // namespace tessary

#endif  // TESSARY_LAUNCHER_SERVER_STOPPED_H_
