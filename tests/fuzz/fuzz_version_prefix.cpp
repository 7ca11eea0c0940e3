// Reads version names of any content, two bytes (little-endian) a character, and checks
// the number against the C library's decimal conversion of the same characters.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "base/runtime_error.h"
#include "runtime/version_prefix.h"

namespace {

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz_version_prefix: %s\n", what);
  std::abort();
}

// The number, or nothing for "Type mismatch".
std::optional<double> Outcome(const std::wstring& name) {
  try {
    const double number = tessary::VersionPrefixNumber(name);
    Require(std::isfinite(number), "the number is not finite");
    return number;
  } catch (const tessary::RuntimeError& error) {
    Require(error.number() == tessary::kErrorTypeMismatch, "an error other than Type mismatch");
    return std::nullopt;
  }
}

// What strtod reads from the first three characters less their surrounding spaces;
// nothing if they hold anything but spaces, signs, full stops and digits, or if strtod
// stops short of their end.
std::optional<double> Expected(const std::wstring& name) {
  std::string prefix;
  for (wchar_t c : name.substr(0, 3)) {
    if (c != L' ' && c != L'+' && c != L'-' && c != L'.' && !(c >= L'0' && c <= L'9')) return std::nullopt;
    prefix += static_cast<char>(c);
  }
  const std::size_t first = prefix.find_first_not_of(' ');
  if (first == std::string::npos) return std::nullopt;
  const std::string number = prefix.substr(first, prefix.find_last_not_of(' ') + 1 - first);
  char* end = nullptr;
  const double value = std::strtod(number.c_str(), &end);
  if (end != number.c_str() + number.size()) return std::nullopt;
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::wstring name;
  for (std::size_t i = 0; i + 1 < size; i += 2) name.push_back(static_cast<wchar_t>(data[i] | data[i + 1] << 8));
  const std::optional<double> outcome = Outcome(name);
  Require(outcome == Outcome(name.substr(0, 3)), "characters past the third changed the outcome");
  Require(outcome == Expected(name), "the number differs from the decimal reading of the first three characters");
  return 0;
}
