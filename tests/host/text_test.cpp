#include <gtest/gtest.h>

#include <climits>

#include "base/text.h"
#include "runtime/java_runtime.h"

namespace tessary {
namespace {

TEST(DecimalText, WritesEveryIntegerIncludingTheExtremes) {
  EXPECT_EQ(DecimalText(0), L"0");
  EXPECT_EQ(DecimalText(42), L"42");
  EXPECT_EQ(DecimalText(-1), L"-1");
  EXPECT_EQ(DecimalText(INT_MIN), L"-2147483648");
  EXPECT_EQ(DecimalText(LLONG_MIN), L"-9223372036854775808");
  EXPECT_EQ(DecimalText(4294967295LL), L"4294967295");
}

TEST(Abbreviated, KeepsShortTextAndBothEndsOfLongText) {
  EXPECT_EQ(Abbreviated(L"C:\\Jre"), L"C:\\Jre");
  const std::wstring long_path = L"C:\\" + std::wstring(1 << 20, L'a') + L"\\java.exe";
  const std::wstring shown = Abbreviated(long_path);
  EXPECT_EQ(shown.size(), 601u);
  EXPECT_EQ(shown.substr(0, 3), L"C:\\");
  EXPECT_EQ(shown.substr(shown.size() - 9), L"\\java.exe");
  EXPECT_NE(shown.find(L'\x2026'), std::wstring::npos);
}

TEST(IsUsableHome, RejectsWhatWouldCorruptPathsOrTheCommandLine) {
  for (const std::wstring& home : {std::wstring(L""), std::wstring(L"C:\\Program Files\\Java\\jre6"),
                                   std::wstring(L"C:\\Jre\\"), std::wstring(L"\\\\server\\share\\jre"),
                                   std::wstring(L"C:\\Программы\\Java"), std::wstring(32767, L'a')}) {
    EXPECT_TRUE(java_runtime::IsUsableHome(home)) << home.size();
  }
  for (const std::wstring& home :
       {std::wstring(L"C:\\jre\" -Dx=1 \""), std::wstring(L"C:\\jre\0C:\\other", 15), std::wstring(L"C:\\jre\r\n"),
        std::wstring(L"C:\\\tjre"), std::wstring(32768, L'a')}) {
    EXPECT_FALSE(java_runtime::IsUsableHome(home)) << home.size();
  }
}

}  // namespace
}  // namespace tessary
