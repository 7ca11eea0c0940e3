// Builds the survey box from installations of any content: registrations, key names, homes,
// release files and java.exe headers, the last often a well-formed header for any machine so
// that the PE reading is reached.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/java_survey.h"

namespace {

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz_java_survey: %s\n", what);
  std::abort();
}

std::wstring Wide(const std::string& bytes) { return std::wstring(bytes.begin(), bytes.end()); }

std::string Header(FuzzedDataProvider& input) {
  if (!input.ConsumeBool()) return input.ConsumeRandomLengthString(128);
  std::string header(0x40, '\0');
  header[0] = 'M', header[1] = 'Z', header[0x3C] = 0x40;
  const auto machine = input.ConsumeIntegral<std::uint16_t>();
  return header + std::string("PE\0\0", 4) + static_cast<char>(machine & 0xFF) + static_cast<char>(machine >> 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const auto& rows = tessary::java_runtime::kJavaRegistrations;
  std::vector<tessary::FoundJava> found;
  while (input.remaining_bytes() > 0 && found.size() < 12) {
    const auto* row = &rows[input.ConsumeIntegralInRange<std::size_t>(0, std::size(rows) - 1)];
    std::wstring key = Wide(input.ConsumeRandomLengthString(16));
    std::wstring home = Wide(input.ConsumeRandomLengthString(32));
    std::string release = input.ConsumeRandomLengthString(64);
    found.push_back({row, key, home, release, Header(input)});
  }
  const std::wstring message = tessary::UnusedJavaMessage(found);
  if (message.empty()) return 0;
  Require(message.rfind(L"Tessary found Java on this computer that it cannot use:\r\n", 0) == 0, "no heading");
  std::size_t paragraphs = 0;
  for (std::size_t at = message.find(L"\r\n\r\n"); at != std::wstring::npos; at = message.find(L"\r\n\r\n", at + 1)) {
    ++paragraphs;
  }
  // Five installations, "And N more", the remedy.
  Require(paragraphs >= 2 && paragraphs <= 7, "not one to five installations and a remedy");
  return 0;
}
