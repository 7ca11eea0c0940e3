#include "runtime/version_prefix.h"

#include <gtest/gtest.h>

#include "base/runtime_error.h"
#include "../support/windows_argv.h"

namespace tessary {
namespace {

using test_support::Printable;

TEST(VersionPrefixNumber, ReadsTheFirstThreeCharactersAsADecimal) {
  const std::pair<const wchar_t*, double> cases[] = {
      {L"1.5", 1.5},     {L"1.5.0_06", 1.5}, {L"1.6", 1.6},   {L"1.4.2_19", 1.4}, {L"1.10", 1.1},
      {L"1.3", 1.3},     {L"10.0.1", 10.0},  {L"9", 9.0},     {L"11", 11.0},      {L"1.", 1.0},
      {L" 1.", 1.0},     {L"+1.", 1.0},      {L".5", 0.5}  ,   {L"1.5abc", 1.5},   {L"1 ", 1.0},
  };
  for (const auto& [name, number] : cases) {
    EXPECT_DOUBLE_EQ(VersionPrefixNumber(name), number) << Printable(name);
  }
}

TEST(VersionPrefixNumber, TheThresholdIsExact) {
  EXPECT_GE(VersionPrefixNumber(L"1.5"), 1.5);
  EXPECT_LT(VersionPrefixNumber(L"1.4"), 1.5);
}

TEST(VersionPrefixNumber, AnythingElseIsATypeMismatch) {
  // A comma is not a decimal point here, whatever the user's locale says.
  for (const wchar_t* name : {L"Run", L"", L"1,5", L"jre", L"-", L".", L"1..", L"CurrentVersion", L"1_5", L"v1.5", L".5x"}) {
    try {
      VersionPrefixNumber(name);
      ADD_FAILURE() << "no error for " << Printable(name);
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.number(), kErrorTypeMismatch);
      EXPECT_EQ(error.description(), L"Type mismatch");
    }
  }
}

}  // namespace
}  // namespace tessary
