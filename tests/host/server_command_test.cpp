#include "launcher/server_command.h"

#include <gtest/gtest.h>

#include "../support/windows_argv.h"
#include "base/path.h"

namespace tessary {
namespace {

using test_support::Printable;
using test_support::SplitWindowsCommandLine;

std::wstring ClassPath(const std::wstring& app) {
  return L"\"" + app + L"\\Quorlane\\lib\\comm.jar\";\"" + app + L"\\Quorlane\\lib\\jdc.jar\";\"" + app +
         L"\\Quorlane\\lib\\jxl.jar\";\"" + app + L"\\Quorlane\\lib\\Quorlane.jar\";\"" + app +
         L"\\Quorlane\\lib\\swing-layout-1.0.jar\";\"" + app + L"\\Quorlane\"";
}

TEST(ServerCommandLine, MatchesTheDocumentedLineByteForByte) {
  EXPECT_EQ(ServerCommandLine(L"C:\\Jre", L"C:\\Srv"),
            L"C:\\Jre\\bin\\java.exe -classpath \"C:\\Srv\\Quorlane\\lib\\comm.jar\";"
            L"\"C:\\Srv\\Quorlane\\lib\\jdc.jar\";\"C:\\Srv\\Quorlane\\lib\\jxl.jar\";"
            L"\"C:\\Srv\\Quorlane\\lib\\Quorlane.jar\";\"C:\\Srv\\Quorlane\\lib\\swing-layout-1.0.jar\";"
            L"\"C:\\Srv\\Quorlane\" Quorlane.Frame11");
}

struct Case {
  const wchar_t* home;
  const wchar_t* app;
  const wchar_t* expected_start;  // what the line begins with
  const wchar_t* program;         // argv[0] as Windows splits it
};

const Case kCases[] = {
    {L"", L"C:\\Srv", L"java -classpath \"", L"java"},
    {L"C:\\Jre", L"C:\\Srv", L"C:\\Jre\\bin\\java.exe -classpath \"", L"C:\\Jre\\bin\\java.exe"},
    // A home with a space is quoted: unquoted, Windows would try C:\Program.exe first.
    {L"C:\\Program Files\\Java\\jre1.6.0", L"C:\\Srv",
     L"\"C:\\Program Files\\Java\\jre1.6.0\\bin\\java.exe\" -classpath \"",
     L"C:\\Program Files\\Java\\jre1.6.0\\bin\\java.exe"},
    {L"C:\\Java\tHome", L"C:\\Srv", L"\"C:\\Java\tHome\\bin\\java.exe\" -classpath \"",
     L"C:\\Java\tHome\\bin\\java.exe"},
    // A drive root keeps its separator, so the entries carry a doubled one.
    {L"C:\\Jre", L"D:\\", L"C:\\Jre\\bin\\java.exe -classpath \"D:\\\\Quorlane\\lib\\comm.jar\";",
     L"C:\\Jre\\bin\\java.exe"},
    {L"", L"C:\\SMS Server\\Tessary", L"java -classpath \"C:\\SMS Server\\Tessary\\Quorlane", L"java"},
    {L"C:\\Jre", L"C:\\Ünïcødé\\短信\\Служба", L"C:\\Jre\\bin\\java.exe -classpath \"C:\\Ünïcødé",
     L"C:\\Jre\\bin\\java.exe"},
    {L"\\\\server\\share\\jre", L"\\\\server\\share\\srv", L"\\\\server\\share\\jre\\bin\\java.exe -classpath",
     L"\\\\server\\share\\jre\\bin\\java.exe"},
};

TEST(ServerCommandLine, SplitsIntoRuntimeOptionOneClassPathAndMainClass) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(Printable(c.home) + " | " +
                 Printable(c.app));
    const std::wstring line = ServerCommandLine(c.home, c.app);
    EXPECT_EQ(line.rfind(c.expected_start, 0), 0u) << "line: " << Printable(line.c_str());
    const std::vector<std::wstring> argv = SplitWindowsCommandLine(line);
    ASSERT_EQ(argv.size(), 4u);
    EXPECT_EQ(argv[0], c.program);
    EXPECT_EQ(argv[1], L"-classpath");
    // Each entry stays whole: the quotes only group, the semicolons separate.
    std::wstring app(c.app);
    std::wstring expected_class_path;
    for (const wchar_t* entry : {L"\\Quorlane\\lib\\comm.jar;", L"\\Quorlane\\lib\\jdc.jar;",
                                 L"\\Quorlane\\lib\\jxl.jar;", L"\\Quorlane\\lib\\Quorlane.jar;",
                                 L"\\Quorlane\\lib\\swing-layout-1.0.jar;", L"\\Quorlane"}) {
      expected_class_path += app + entry;
    }
    EXPECT_EQ(argv[2], expected_class_path);
    EXPECT_EQ(argv[3], L"Quorlane.Frame11");
    EXPECT_NE(line.find(L" -classpath " + ClassPath(app) + L" Quorlane.Frame11"), std::wstring::npos);
  }
}

TEST(ServerProgram, IsTheRuntimesOwnJavaOrJavaFromTheSearchPath) {
  EXPECT_EQ(ServerProgram(L""), L"java");
  EXPECT_EQ(ServerProgram(L"C:\\Program Files\\Java\\jre6"), L"C:\\Program Files\\Java\\jre6\\bin\\java.exe");
}

TEST(ParentFolder, DropsTheFileNameAndKeepsADriveRootsSeparator) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"C:\\Srv\\Tessary.exe", L"C:\\Srv"},
      {L"C:\\Tessary.exe", L"C:\\"},
      {L"C:\\SMS Server\\Tessary\\Tessary.exe", L"C:\\SMS Server\\Tessary"},
      {L"\\\\?\\C:\\Tessary.exe", L"\\\\?\\C:\\"},
      {L"\\\\server\\share\\Tessary.exe", L"\\\\server\\share"},
      {L"Tessary.exe", L""},
  };
  for (const auto& [module, directory] : cases) EXPECT_EQ(ParentFolder(module), directory);
}

}  // namespace
}  // namespace tessary
