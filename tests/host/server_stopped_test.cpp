#include "launcher/server_stopped.h"

#include <gtest/gtest.h>

#include "../support/windows_argv.h"

namespace tessary {
namespace {

using test_support::Printable;

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
    const std::wstring message = ServerStoppedMessage(c.code, c.milliseconds, L"C:\\Jre\\bin\\java.exe", L"C:\\");
    EXPECT_EQ(Printable(message),
              Printable(std::wstring(L"The Quorlane server stopped right after it was started.\r\n") + c.line +
                        L"\r\nProgram: C:\\Jre\\bin\\java.exe\r\nCheck the Quorlane folder beside Tessary.exe "
                        L"(C:\\Quorlane) and its lib folder, and the Java runtime."));
  }
}

TEST(ServerStoppedMessage, QuotesTheServerAndSaysWhatItMeans) {
  EXPECT_EQ(Printable(ServerStoppedMessage(1, 400, L"C:\\Jre\\bin\\java.exe", L"C:\\Srv",
                                           L"Error: Could not find or load main class Quorlane.Frame11\r\n")),
            Printable(L"The Quorlane server stopped right after it was started.\r\n"
                      L"It ran for 0.4 seconds and ended with exit code 1.\r\nProgram: C:\\Jre\\bin\\java.exe\r\n\r\n"
                      L"It said:\r\nError: Could not find or load main class Quorlane.Frame11\r\n\r\n"
                      L"The server's files are incomplete: the Quorlane folder beside Tessary.exe (C:\\Srv\\Quorlane) "
                      L"must hold its classes, and its lib folder the jars. Reinstall Quorlane."));
}

TEST(WhatTheServerSaidMeans, NamesTheCommonFailuresOfAJavaServer) {
  const struct {
    const wchar_t* said;
    const wchar_t* meaning;
  } cases[] = {
      // The stack trace names the server, but what is missing is the serial-port extension.
      {L"Exception in thread \"main\" java.lang.NoClassDefFoundError: javax/comm/SerialPortEventListener\n"
       L"\tat Quorlane.Frame11.main(Frame11.java:12)\n",
       L"Comm.jar is missing from the Java runtime's lib\\ext folder (C:\\Jre\\lib\\ext): copy it there again from "
       L"C:\\dunmere\\GsmModemJar\\."},
      {L"Caused by: java.lang.ClassNotFoundException: Quorlane.Frame11",
       L"The server's files are incomplete: the Quorlane folder beside Tessary.exe (C:\\Srv\\Quorlane) must hold its "
       L"classes, and its lib folder the jars. Reinstall Quorlane."},
      {L"java.lang.UnsupportedClassVersionError: Quorlane/Frame11 has been compiled by a more recent version of the "
       L"Java Runtime (class file version 55.0), this version of the Java Runtime only recognizes class file "
       L"versions up to 52.0",
       L"The server was built for Java 11, which is newer than the Java that ran it: install the 32-bit (x86) Java "
       L"Runtime Environment 11."},
      {L"Error occurred during initialization of VM\r\nError: Could not create the Java Virtual Machine.\r\n",
       L"The 32-bit Java could not get the memory it asks for: close other programs, or restart the PC, and start "
       L"Tessary again."},
      {L"Error: Could not create the Java Virtual Machine.\r\nError occurred during initialization of VM\r\n", L""},
      {L"java.lang.UnsatisfiedLinkError: C:\\Jre\\bin\\Win32com.dll: Can't load IA 32-bit .dll on a AMD 64-bit "
       L"platform",
       L"The Java that ran the server is 64-bit and cannot load the 32-bit serial-port library Win32com.dll: install "
       L"the 32-bit (x86) Java Runtime Environment 8."},
      {L"java.lang.UnsatisfiedLinkError: no win32com in java.library.path",
       L"The serial-port library Win32com.dll is missing or damaged in the Java runtime's bin folder (C:\\Jre\\bin): "
       L"copy it there again from C:\\dunmere\\GsmModemJar\\."},
      {L"# An error report file with more information is saved as:\n# C:\\Srv\\hs_err_pid1234.log\n",
       L"Java itself failed, and saved a report as C:\\Srv\\hs_err_pid1234.log: send that file to whoever gives you "
       L"support for Quorlane."},
      {L"Listening on COM3", L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Printable(WhatTheServerSaidMeans(c.said, L"C:\\Jre\\bin\\java.exe", L"C:\\Srv")), Printable(c.meaning))
        << Printable(c.said);
  }
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

TEST(OutputTail, HoldsTheEndFromTheStartOfALine) {
  OutputTail tail;
  const std::string chunk = "0123456789abcdef\n";
  for (int i = 0; i < 2000; ++i) tail.Append(chunk.data(), chunk.size());
  EXPECT_LE(tail.bytes().size(), OutputTail::kHeldBytes);
  EXPECT_GT(tail.bytes().size(), OutputTail::kHeldBytes - chunk.size());
  EXPECT_EQ(tail.bytes().compare(0, chunk.size(), chunk), 0);
}

}  // namespace
}  // namespace tessary
