#include <gtest/gtest.h>

#include "base/runtime_error.h"
#include "registry/registry_value.h"
#include "tests/support/utf16.h"

namespace tessary {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test_support::Utf16;

RegistryValue Decode(std::uint32_t type, const Bytes& bytes, size_t reported) {
  return DecodeRegistryValue(type, bytes.data(), bytes.size(), reported);
}

TEST(DecodeRegistryValue, StringsEndAtTheirFirstZero) {
  const struct {
    std::uint32_t type;
    Bytes data;
    size_t reported;
    std::wstring expected;
  } cases[] = {
      {kRegSz, Utf16(L"C:\\Jre", true), 14, L"C:\\Jre"},  // six characters and the terminator
      {kRegSz, Utf16(L"C:\\Jre", false), 12, L"C:\\Jre"},  // no terminator: nothing is cut off
      {kRegSz, Utf16(L"ab", true), 7, L"ab"},               // an odd size
      {kRegSz, Utf16(L"abc", false), 5, L"ab"},             // half a character is no character
      {kRegSz, Utf16(std::wstring(L"a\0b", 3), true), 8, L"a"},
      {kRegSz, Bytes{}, 0, L""},
      {kRegSz, Bytes{'x'}, 1, L""},
      {kRegSz, Utf16(L"abcdef", true), 4, L"ab"},  // reported smaller than the data
      {kRegSz, Utf16(L"ab", false), 400, L"ab"},   // reported larger than the data: not read past it
      {kRegExpandSz, Utf16(L"%JAVA_HOME%\\jre", true), 32, L"%JAVA_HOME%\\jre"},  // not expanded
      {kRegSz, Utf16(L"C:\\Программы\\Java", true), 36, L"C:\\Программы\\Java"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(std::get<std::wstring>(Decode(c.type, c.data, c.reported)), c.expected);
  }
}

TEST(DecodeRegistryValue, MultiStringsKeepInnerZerosAndDropTheFinalTwo) {
  EXPECT_EQ(std::get<std::wstring>(Decode(kRegMultiSz, Utf16(std::wstring(L"a\0bc\0\0", 6), false), 12)),
            std::wstring(L"a\0bc", 4));
  EXPECT_EQ(std::get<std::wstring>(Decode(kRegMultiSz, Utf16(std::wstring(L"\0", 1), false), 2)), L"");
  EXPECT_EQ(std::get<std::wstring>(Decode(kRegMultiSz, Bytes{}, 0)), L"");
  EXPECT_EQ(std::get<std::wstring>(Decode(kRegMultiSz, Bytes{0}, 1)), L"");
  EXPECT_EQ(std::get<std::wstring>(Decode(kRegMultiSz, Utf16(L"ab", false), 4)), L"ab");
}

TEST(DecodeRegistryValue, DwordsAreLittleEndianSignedAndShortOnesZeroExtended) {
  const struct {
    Bytes data;
    size_t reported;
    std::int32_t expected;
  } cases[] = {
      {{0xFF, 0xFF, 0xFF, 0xFF}, 4, -1},
      {{0x01, 0x02, 0x03, 0x04}, 4, 0x04030201},
      {{0x2A, 0, 0, 0, 0x99}, 5, 42},
      {{0xFF, 0xFF}, 2, 0xFFFF},
      {{0xFF, 0xFF, 0xFF, 0xFF}, 3, 0xFFFFFF},
      {{}, 0, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(std::get<std::int32_t>(Decode(kRegDword, c.data, c.reported)), c.expected);
}

TEST(DecodeRegistryValue, BinaryIsExactlyTheReportedBytes) {
  EXPECT_EQ(std::get<Bytes>(Decode(kRegBinary, Bytes{1, 2, 3, 4}, 3)), (Bytes{1, 2, 3}));
  EXPECT_EQ(std::get<Bytes>(Decode(kRegBinary, Bytes{1, 2}, 10)), (Bytes{1, 2}));
  EXPECT_EQ(std::get<Bytes>(Decode(kRegBinary, Bytes{}, 0)), Bytes{});
}

TEST(DecodeRegistryValue, OtherTypesAreUnsupported) {
  for (std::uint32_t type : {0u, 5u, 6u, 8u, 9u, 10u, 11u, 0xFFFFFFFFu}) {
    try {
      Decode(type, Bytes{1, 0, 0, 0}, 4);
      ADD_FAILURE() << "type " << type;
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.number(), 1001);
      EXPECT_EQ(error.description(), L"Unsupported value type");
    }
  }
}

}  // namespace
}  // namespace tessary
