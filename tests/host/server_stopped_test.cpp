#include "launcher/diagnosis/server_stopped.h"

#include <gtest/gtest.h>

#include "../support/windows_argv.h"
#include "launcher/server_command.h"
#include "runtime/stale_registration.h"

namespace tessary {
namespace {

using test_support::Printable;

ServerRun RunIn(const std::wstring& app_directory = L"C:\\Srv") {
  ServerRun run;
  run.program = L"C:\\Jre\\bin\\java.exe";
  run.java_home = L"C:\\Jre";
  run.app_directory = app_directory;
  run.serial_library_folder = L"C:\\Jre\\bin";
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
                      L"The server's files are in place in the Quorlane folder beside Tessary.exe (C:\\Srv\\Quorlane), "
                      L"but Java did not find its classes in them: they may be damaged. Reinstall Quorlane."));
}

TEST(WhatTheServerSaidMeans, NamesTheCommonFailuresOfAJavaServer) {
  constexpr wchar_t kNoMainClass[] = L"Error: Could not find or load main class Quorlane.Frame11";
  constexpr wchar_t kJniError[] = L"Error: A JNI error has occurred, please check your installation and try again\n";
  constexpr wchar_t kCommJarCopy[] =
      L"Comm.jar is missing from the Java runtime's lib\\ext folder (C:\\Jre\\lib\\ext): copy it there again from "
      L"C:\\dunmere\\GsmModemJar\\.";
  constexpr wchar_t kFilesDamaged[] =
      L"The server's files are in place in the Quorlane folder beside Tessary.exe (C:\\Srv\\Quorlane), but Java did "
      L"not find its classes in them: they may be damaged. Reinstall Quorlane.";
  constexpr wchar_t kNoMemory[] = L"The 32-bit Java could not get the memory it asks for: close other programs, or "
                                  L"restart the PC, and start Tessary again.";
  constexpr wchar_t kSerialLibraryMissing[] =
      L"The serial-port library Win32com.dll is missing or damaged in the Java runtime's bin folder (C:\\Jre\\bin): "
      L"copy it there again from C:\\dunmere\\GsmModemJar\\.";
  const struct {
    const wchar_t* said;
    const wchar_t* meaning;
    void (*facts)(ServerRun& run) = nullptr;  // what the launcher found on the PC
  } cases[] = {
      // The stack trace names the server, but what is missing is the serial-port extension.
      {.said = L"Exception in thread \"main\" java.lang.NoClassDefFoundError: javax/comm/SerialPortEventListener\n"
               L"\tat Quorlane.Frame11.main(Frame11.java:12)\n",
       .meaning = kCommJarCopy,
       .facts = [](ServerRun& run) { run.comm_jar_missing = true; }},
      // Java 8 finds it while it looks up main; the JNI line is no diagnosis of its own.
      {.said = L"Error: A JNI error has occurred, please check your installation and try again\n"
               L"Exception in thread \"main\" java.lang.NoClassDefFoundError: javax/comm/SerialPortEventListener\n",
       .meaning = L"The server's own copy, Quorlane\\lib\\comm.jar in C:\\Srv, is missing: reinstall Quorlane.",
       .facts = [](ServerRun& run) { run.missing_server_files = {L"Quorlane\\lib\\comm.jar"}; }},
      {.said = L"Exception in thread \"main\" java.lang.NoClassDefFoundError: jxl/Workbook\n", .meaning = kFilesDamaged},
      {.said = L"Caused by: java.lang.ClassNotFoundException: Quorlane.Frame11",
       .meaning = L"The server's file Quorlane\\lib\\Quorlane.jar is missing from the folder of Tessary.exe (C:\\Srv): "
                  L"reinstall Quorlane.",
       .facts = [](ServerRun& run) { run.missing_server_files = {L"Quorlane\\lib\\Quorlane.jar"}; }},
      // The class path names the server's own comm.jar: the runtime's missing one alone is no cause.
      {.said = kNoMainClass, .meaning = kFilesDamaged, .facts = [](ServerRun& run) { run.comm_jar_missing = true; }},
      {.said = kNoMainClass,
       .meaning = L"There is no Quorlane folder beside Tessary.exe (in C:\\Srv): Tessary.exe must stay in the folder "
                  L"that holds the Quorlane folder. To start it from elsewhere, such as the Desktop, put a shortcut to "
                  L"it there, not a copy.",
       .facts = [](ServerRun& run) { run.missing_server_files = ServerClassPathEntries(); }},
      {.said = kNoMainClass,
       .meaning = L"The name of the folder C:\\Srv has letters that Java cannot read on this PC, so it does not find "
                  L"the server's files there: move Tessary.exe and its Quorlane folder to a folder whose name has "
                  L"plain letters only, such as C:\\Quorlane.",
       .facts = [](ServerRun& run) { run.app_directory_unreadable = true; }},
      {.said = L"Error: could not find java.dll\nError: Could not find Java SE Runtime Environment.\n",
       .meaning = L"The name of the Java runtime's folder C:\\Jre has letters that Java cannot read on this PC, so Java "
                  L"does not find its own files: reinstall Java into the folder its installer proposes, such as "
                  L"C:\\Program Files (x86)\\Java.",
       .facts = [](ServerRun& run) { run.java_home_unreadable = true; }},
      // Java 7 ends every failure to create its VM alike: only the line before says why.
      {.said = L"Error occurred during initialization of VM\njava/lang/NoClassDefFoundError: java/lang/Object\n"
               L"Error: Could not create the Java Virtual Machine.\nError: A fatal exception has occurred. Program "
               L"will exit.\n",
       .meaning = L"The Java runtime in C:\\Jre (Java 1.7.0_80) is damaged or incomplete (lib\\rt.jar is missing): "
                  L"reinstall it.",
       .facts = [](ServerRun& run) {
         run.registered = {{L"1.7.0_80", L"C:\\Jre"}};
         run.missing_runtime_files = {L"lib\\rt.jar"};
       }},
      {.said = L"Error: could not open `C:\\Jre\\lib\\i386\\jvm.cfg'",
       .meaning = L"The Java runtime in C:\\Jre is damaged or incomplete: reinstall it."},
      {.said = L"Picked up _JAVA_OPTIONS: -Xmx1024m\nError occurred during initialization of VM\n"
               L"Could not reserve enough space for 1048576KB object heap\n",
       .meaning = L"Java cannot start with the options that the environment variable _JAVA_OPTIONS, set on this PC to "
                  L"\"-Xmx1024m\" gives it: remove it (System Properties, Environment Variables, under User variables "
                  L"or System variables), then start Tessary again. Another program's instructions may have asked for "
                  L"it: check with whoever looks after that program.",
       .facts = [](ServerRun& run) { run.java_options = {{L"_JAVA_OPTIONS", L"-Xmx1024m"}}; }},
      {.said = L"Picked up JAVA_TOOL_OPTIONS: -Xshare:on -XX:+Foo\nUnrecognized VM option 'Foo'\nUnrecognized option: "
               L"-XX:+Foo\nError: Could not create the Java Virtual Machine.\n",
       .meaning = L"Java cannot start with the options that the environment variable JAVA_TOOL_OPTIONS, set on this PC "
                  L"to \"-Xshare:on -XX:+Foo\" gives it: remove it (System Properties, Environment Variables, under "
                  L"User variables or System variables), then start Tessary again. Another program's instructions may "
                  L"have asked for it: check with whoever looks after that program.",
       .facts = [](ServerRun& run) { run.java_options = {{L"JAVA_TOOL_OPTIONS", L"-Xshare:on -XX:+Foo"}}; }},
      {.said = L"java.lang.UnsupportedClassVersionError: Quorlane/Frame11 has been compiled by a more recent version "
               L"of the Java Runtime (class file version 55.0), this version of the Java Runtime only recognizes class "
               L"file versions up to 52.0",
       .meaning = L"The server was built for Java 11, which cannot load the serial-port support that Quorlane needs: "
                  L"the supplier of Quorlane must provide a version of the server for Java 8 or earlier."},
      // Every runtime registered before the one new enough is named, each folder once.
      {.said = L"java.lang.UnsupportedClassVersionError: Quorlane/Frame11 : Unsupported major.minor version 52.0",
       .meaning = L"The server was built for Java 8, which is newer than the Java that ran it. Java 8 is installed as "
                  L"well (version 1.8.0_471, in C:\\Jre8), but Tessary takes the first Java registered, and Java 6 "
                  L"(version 1.6, in C:\\Jre) and Java 7 (version 1.7, in C:\\Jre7) come before it: removing them "
                  L"(Control Panel, Programs) makes Tessary take Java 8. Whoever removes them should first check that "
                  L"no other program needs them.",
       .facts = [](ServerRun& run) {
         run.registered = {{L"1.4.2", L"C:\\J4"},    {L"1.6", L"C:\\Jre"},        {L"1.6.0_45", L"c:\\jre"},
                           {L"1.7", L"C:\\Jre7"},   {L"1.8.0_471", L"C:\\Jre8"}};
       }},
      {.said = L"Error occurred during initialization of VM\r\nError: Could not create the Java Virtual Machine.\r\n",
       .meaning = L""},
      {.said = L"Error occurred during initialization of VM\nCould not reserve enough space for 262144KB object heap\n",
       .meaning = kNoMemory},
      {.said = L"java.lang.UnsatisfiedLinkError: C:\\Jre\\bin\\Win32com.dll: Can't load IA 32-bit .dll on a AMD "
               L"64-bit platform",
       .meaning = L"The Java that ran the server is 64-bit and cannot load the 32-bit serial-port library "
                  L"Win32com.dll: install the 32-bit (x86) Java Runtime Environment 8."},
      {.said = L"java.lang.UnsatisfiedLinkError: no win32com in java.library.path", .meaning = kSerialLibraryMissing},
      {.said = L"java.lang.UnsatisfiedLinkError: C:\\Jre\\bin\\Win32com.dll: Can't find dependent libraries",
       .meaning = kSerialLibraryMissing,
       .facts = [](ServerRun& run) { run.serial_library_present = true; }},
      // In place and refused: the reason is in the user's language, so it is quoted, never read.
      {.said = L"Error loading win32com: java.lang.UnsatisfiedLinkError: C:\\Jre\\bin\\Win32com.dll: Zugriff "
               L"verweigert",
       .meaning = L"Windows or security software refused to load the serial-port library C:\\Jre\\bin\\Win32com.dll "
                  L"(\"Zugriff verweigert\"), which is in place: copying it again does not help. An administrator must "
                  L"allow that file in the antivirus software or in the company's application control. Smart App "
                  L"Control is on in this Windows, and it allows no exception for one file: it can only be turned off "
                  L"(Windows Security, App & browser control), and on most PCs it cannot be turned on again.",
       .facts = [](ServerRun& run) { run.serial_library_present = run.smart_app_control_on = true; }},
      {.said = L"java.lang.UnsatisfiedLinkError: no win32comm in java.library.path", .meaning = L""},
      {.said = L"java.lang.UnsatisfiedLinkError: C:\\win32com\\rxtxSerial.dll: Access is denied", .meaning = L""},
      {.said = L"Exception in thread \"main\" java.net.BindException: Address already in use: JVM_Bind",
       .meaning = L"Another Quorlane server is already running (java.exe with process ID 1234 in Task Manager's "
                  L"Details), and only one server can use the phones' ports. That one goes on serving the phones. To "
                  L"start afresh, end it first, then start Tessary again.",
       .facts = [](ServerRun& run) {
         run.other_servers_known = true;
         run.other_servers = {1234};
       }},
      {.said = L"javax.comm.PortInUseException: Port currently owned by Unknown Windows Application",
       .meaning = L"Another program, perhaps a second Quorlane server, already uses a port that the server needs: only "
                  L"one program at a time can use it."},
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
    if (c.facts != nullptr) c.facts(run);
    EXPECT_EQ(Printable(WhatTheServerSaidMeans(c.said, run)), Printable(c.meaning)) << Printable(c.said);
  }
  (void)kJniError;
}

TEST(StaleRegistrationAdvice, NamesEveryStaleKeyBeforeTheRuntimeThatWouldBeTaken) {
  const std::vector<java_runtime::RegisteredRuntime> registered = {
      {L"1.4.2", L"C:\\J4", false},           {L"1.6", L"C:\\Jre6", false},
      {L"1.6.0_45", L"C:\\Jre6\\", false},    {L"1.8", L"C:\\Jre8"},
      {L"1.8.0_471", L"C:\\Jre8"}};
  EXPECT_EQ(Printable(StaleRegistrationAdvice(registered, L"C:\\Jre6", true)),
            Printable(L"Java 1.6 is registered for C:\\Jre6, which no longer holds java.exe: it was uninstalled or "
                      L"moved, but its registry entry stayed. Tessary takes the first Java registered. Java 1.8, in "
                      L"C:\\Jre8, has its java.exe: Tessary will take it once the stale entries are gone. To remove "
                      L"them, reinstall Java 1.6 and uninstall it (Control Panel, Programs), or have an administrator "
                      L"delete these registry keys:\r\n"
                      L"HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6\r\n"
                      L"HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6.0_45\r\n"
                      L"On this 64-bit Windows, Registry Editor shows them under HKEY_LOCAL_MACHINE\\SOFTWARE\\"
                      L"WOW6432Node\\JavaSoft\\Java Runtime Environment."));
  // Its java.exe is there after all, or it is not registered: nothing to say.
  EXPECT_EQ(StaleRegistrationAdvice(registered, L"C:\\Jre8", false), L"");
  EXPECT_EQ(StaleRegistrationAdvice(registered, L"C:\\Other", false), L"");
}

// A second server still running: the one to end is the one just started, by its process id.
TEST(PortTakenMessage, NamesTheServersTheSystemSaw) {
  ServerRun run = RunIn();
  run.server_process_id = 42;
  run.other_servers_known = true;
  run.other_servers = {1234, 5678};
  EXPECT_EQ(Printable(PortTakenMessage(L"Listening\r\njavax.comm.PortInUseException: Port currently owned by "
                                       L"Unknown\r\n", run)),
            Printable(L"Another Quorlane server is already running (java.exe with process ID 1234 and java.exe with "
                      L"process ID 5678 in Task Manager's Details), and only one server can use the phones' ports. End "
                      L"the one Tessary has just started, java.exe with process ID 42, in Task Manager's Details: the "
                      L"other one goes on.\r\n\r\nIt said:\r\njavax.comm.PortInUseException: Port currently owned by "
                      L"Unknown"));
  EXPECT_EQ(PortTakenMessage(L"Listening on COM3\r\n", run), L"");
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

TEST(KeptOutput, HoldsTheBeginningAndTheEndInWholeLines) {
  KeptOutput kept;
  const std::string chunk = "0123456789abcdef\n";
  kept.Append("first\n", 6);
  for (int i = 0; i < 3000; ++i) kept.Append(chunk.data(), chunk.size());
  kept.Append("last\n", 5);
  const std::string bytes = kept.bytes();
  EXPECT_LE(bytes.size(), 2 * KeptOutput::kHeldBytes + 1);
  EXPECT_GT(bytes.size(), 2 * KeptOutput::kHeldBytes - 2 * chunk.size());
  EXPECT_EQ(bytes.compare(0, 6, "first\n"), 0);
  EXPECT_EQ(bytes.substr(bytes.size() - 5), "last\n");
  // Where bytes were dropped, neither side of the gap holds half a line.
  std::size_t gaps = 0;
  for (std::size_t at = 6; at < bytes.size() - 5;) {
    const std::size_t end = bytes.find('\n', at) + 1;
    const std::string line = bytes.substr(at, end - at);
    if (line == "\n") {
      ++gaps;
    } else {
      EXPECT_EQ(line, chunk) << at;
    }
    at = end;
  }
  EXPECT_EQ(gaps, 1u);

  // Nothing dropped: a line across the mark is kept whole.
  KeptOutput whole;
  const std::string across = std::string(KeptOutput::kHeldBytes - 3, 'a') + "\nbbbbbb\n";
  whole.Append(across.data(), across.size());
  EXPECT_EQ(whole.bytes(), across);
}

}  // namespace
}  // namespace tessary
