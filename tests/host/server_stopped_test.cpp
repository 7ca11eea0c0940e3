#include "launcher/server_stopped.h"

#include <gtest/gtest.h>

#include "../support/windows_argv.h"

namespace tessary {
namespace {

using test_support::Printable;

ServerRun RunIn(const std::wstring& app_directory = L"C:\\Srv") {
  ServerRun run;
  run.program = L"C:\\Jre\\bin\\java.exe";
  run.java_home = L"C:\\Jre";
  run.app_directory = app_directory;
  return run;
}

TEST(ServerStoppedMessage, GivesTheRunTimeInTenthsAndStatusCodesInHexadecimalToo) {
  const struct {
    std::uint32_t code;
    unsigned long long milliseconds;
    const wchar_t* line;
  } cases[] = {
      {1, 1234, L"It ran for 1.2 seconds and ended with exit code 1."},
      {0xFFFF, 0, L"It ran for 0.1 seconds and ended with exit code 65535."},
      {0x10000, 9950, L"It ran for 10.0 seconds and ended with exit code 65536 (0x00010000)."},
      {0xC0000005, 1049, L"It ran for 1.0 seconds and ended with exit code 3221225477 (0xC0000005)."},
  };
  for (const auto& c : cases) {
    const std::wstring message = ServerStoppedMessage(c.code, c.milliseconds, RunIn(L"C:\\"));
    EXPECT_EQ(Printable(message),
              Printable(std::wstring(L"The Quorlane server stopped right after it was started.\r\n") + c.line +
                        L"\r\nProgram: C:\\Jre\\bin\\java.exe\r\nCheck the Quorlane folder beside Tessary.exe "
                        L"(C:\\Quorlane) and its lib folder, and the Java runtime."));
  }
}

TEST(ServerStoppedMessage, QuotesTheServerAndSaysWhatItMeans) {
  EXPECT_EQ(Printable(ServerStoppedMessage(1, 400, RunIn(), L"Error: Could not find or load main class Quorlane.Frame11\r\n")),
            Printable(L"The Quorlane server stopped right after it was started.\r\n"
                      L"It ran for 0.4 seconds and ended with exit code 1.\r\nProgram: C:\\Jre\\bin\\java.exe\r\n\r\n"
                      L"It said:\r\nError: Could not find or load main class Quorlane.Frame11\r\n\r\n"
                      L"The server's files are incomplete: the Quorlane folder beside Tessary.exe (C:\\Srv\\Quorlane) "
                      L"must hold its classes, and its lib folder the jars. Reinstall Quorlane."));
}

TEST(WhatTheServerSaidMeans, NamesTheCommonFailuresOfAJavaServer) {
  constexpr wchar_t kNoMainClass[] = L"Error: Could not find or load main class Quorlane.Frame11";
  const struct {
    const wchar_t* said;
    const wchar_t* meaning;
    bool comm_jar_missing = false;
    bool app_directory_unreadable = false;
    std::vector<java_runtime::RegisteredRuntime> registered = {};
  } cases[] = {
      // The stack trace names the server, but what is missing is the serial-port extension.
      {.said = L"Exception in thread \"main\" java.lang.NoClassDefFoundError: javax/comm/SerialPortEventListener\n"
               L"\tat Quorlane.Frame11.main(Frame11.java:12)\n",
       .meaning = L"Comm.jar is missing from the Java runtime's lib\\ext folder (C:\\Jre\\lib\\ext): copy it there "
                  L"again from C:\\dunmere\\GsmModemJar\\."},
      {.said = L"Caused by: java.lang.ClassNotFoundException: Quorlane.Frame11",
       .meaning = L"The server's files are incomplete: the Quorlane folder beside Tessary.exe (C:\\Srv\\Quorlane) "
                  L"must hold its classes, and its lib folder the jars. Reinstall Quorlane."},
      // Java 7 and 8 say the same when the main class needs javax.comm and Comm.jar is absent.
      {.said = kNoMainClass,
       .meaning = L"Comm.jar is missing from the Java runtime's lib\\ext folder (C:\\Jre\\lib\\ext): it must be "
                  L"copied there from C:\\dunmere\\GsmModemJar\\, as the earlier message explained.",
       .comm_jar_missing = true},
      {.said = kNoMainClass,
       .meaning = L"The name of the folder C:\\Srv has letters that Java cannot read on this PC, so it does not find "
                  L"the server's files there: move Tessary.exe and its Quorlane folder to a folder whose name has "
                  L"plain letters only, such as C:\\Quorlane.",
       .comm_jar_missing = true,
       .app_directory_unreadable = true},
      {.said = L"java.lang.UnsupportedClassVersionError: Quorlane/Frame11 has been compiled by a more recent version "
               L"of the Java Runtime (class file version 55.0), this version of the Java Runtime only recognizes class "
               L"file versions up to 52.0",
       .meaning = L"The server was built for Java 11, which cannot load the serial-port support that Quorlane needs: "
                  L"the supplier of Quorlane must provide a version of the server for Java 8 or earlier."},
      {.said = L"java.lang.UnsupportedClassVersionError: Quorlane/Frame11 : Unsupported major.minor version 52.0",
       .meaning = L"The server was built for Java 8, which is newer than the Java that ran it. Java 8 is installed as "
                  L"well (version 1.8.0_471, in C:\\Jre8), but Tessary takes the first version registered, Java 6, in "
                  L"C:\\Jre: remove Java 6 (Control Panel, Programs) so that Tessary uses the newer one.",
       .registered = {{L"1.4.2", L"C:\\J4"}, {L"1.6", L"C:\\Jre"}, {L"1.6.0_45", L"c:\\jre"}, {L"1.7", L"C:\\Jre7"},
                      {L"1.8.0_471", L"C:\\Jre8"}}},
      {.said = L"Error occurred during initialization of VM\r\nError: Could not create the Java Virtual Machine.\r\n",
       .meaning = L"The 32-bit Java could not get the memory it asks for: close other programs, or restart the PC, "
                  L"and start Tessary again."},
      {.said = L"Error occurred during initialization of VM\nCould not reserve enough space for 262144KB object heap\n",
       .meaning = L"The 32-bit Java could not get the memory it asks for: close other programs, or restart the PC, "
                  L"and start Tessary again."},
      {.said = L"Error: Could not create the Java Virtual Machine.\r\nError occurred during initialization of VM\r\n",
       .meaning = L""},
      {.said = L"java.lang.UnsatisfiedLinkError: C:\\Jre\\bin\\Win32com.dll: Can't load IA 32-bit .dll on a AMD "
               L"64-bit platform",
       .meaning = L"The Java that ran the server is 64-bit and cannot load the 32-bit serial-port library "
                  L"Win32com.dll: install the 32-bit (x86) Java Runtime Environment 8."},
      {.said = L"java.lang.UnsatisfiedLinkError: no win32com in java.library.path",
       .meaning = L"The serial-port library Win32com.dll is missing or damaged in the Java runtime's bin folder "
                  L"(C:\\Jre\\bin): copy it there again from C:\\dunmere\\GsmModemJar\\."},
      {.said = L"# An error report file with more information is saved as:\n# C:\\Srv\\hs_err_pid1234.log\n",
       .meaning = L"Java itself failed, and saved a report as C:\\Srv\\hs_err_pid1234.log: send that file to whoever "
                  L"gives you support for Quorlane."},
      // Java 5 and 6 name the report in the working folder, which is the launcher's.
      {.said = L"# An error report file with more information is saved as hs_err_pid6223.log\n",
       .meaning = L"Java itself failed, and saved a report as C:\\Srv\\hs_err_pid6223.log: send that file to whoever "
                  L"gives you support for Quorlane."},
      {.said = L"Listening on COM3", .meaning = L""},
  };
  for (const auto& c : cases) {
    ServerRun run = RunIn();
    run.comm_jar_missing = c.comm_jar_missing;
    run.app_directory_unreadable = c.app_directory_unreadable;
    run.registered = c.registered;
    EXPECT_EQ(Printable(WhatTheServerSaidMeans(c.said, run)), Printable(c.meaning)) << Printable(c.said);
  }
}

TEST(SerialPortsUnreachableMessage, OnlyForTheSerialPortLibrary) {
  EXPECT_EQ(SerialPortsUnreachableMessage(L"java.lang.UnsatisfiedLinkError: no rxtxSerial in java.library.path\r\n"
                                          L"Listening on COM3\r\n",
                                          RunIn()),
            L"");
}

TEST(QuotedLines, KeepsTheLastLinesFilteredAndCut) {
  std::wstring many;
  for (int i = 1; i <= 20; ++i) many += L"line " + std::to_wstring(i) + L"\r\n";
  const std::vector<std::wstring> last = QuotedLines(many);
  ASSERT_EQ(last.size(), kQuotedLines);
  EXPECT_EQ(last.front(), L"line 6");

  const std::vector<std::wstring> cut = QuotedLines(std::wstring(250, L'x') + L"\n" + std::wstring(10, L'y'));
  ASSERT_EQ(cut.size(), 2u);
  EXPECT_EQ(cut[0], std::wstring(kQuotedLineLength - 1, L'x') + L"\x2026");

  std::wstring long_lines;
  for (int i = 0; i < 10; ++i) long_lines += std::wstring(150, static_cast<wchar_t>(L'a' + i)) + L"\n";
  EXPECT_EQ(QuotedLines(long_lines).size(), kQuotedCharacters / 150);

  // Controls go, tabs become spaces, blank lines and a lone carriage return end lines;
  // of each stack trace, two frames stay.
  const std::wstring said = std::wstring(L"a\tb\x07\x1b[0m\x9b\r\n  \r\n\rd\x202E\xD83D\xDE00") + L'\0' +
                           L"e\nException in thread \"main\" E\n\tat a\n\tat b\n\tat c\n\t... 3 more\n"
                           L"Caused by: F\n\tat d\n";
  EXPECT_EQ(QuotedLines(said), (std::vector<std::wstring>{L"a    b[0m", L"d\xD83D\xDE00" L"e",
                                                          L"Exception in thread \"main\" E", L"    at a", L"    at b",
                                                          L"Caused by: F", L"    at d"}));
}

TEST(KeptOutput, HoldsTheBeginningAndTheEndFromTheStartOfALine) {
  KeptOutput kept;
  const std::string chunk = "0123456789abcdef\n";
  kept.Append("first\n", 6);
  for (int i = 0; i < 3000; ++i) kept.Append(chunk.data(), chunk.size());
  kept.Append("last\n", 5);
  const std::string bytes = kept.bytes();
  EXPECT_LE(bytes.size(), 2 * KeptOutput::kHeldBytes + 1);
  EXPECT_GT(bytes.size(), 2 * KeptOutput::kHeldBytes - chunk.size());
  EXPECT_EQ(bytes.compare(0, 6, "first\n"), 0);
  // The end starts at a line of its own.
  const std::size_t end = KeptOutput::kHeldBytes + 1;
  EXPECT_EQ(bytes.compare(end, chunk.size(), chunk), 0);
  EXPECT_EQ(bytes.substr(bytes.size() - 5), "last\n");
}

}  // namespace
}  // namespace tessary
