// Builds the survey box from installations of any content: registrations, key names, homes,
// where they were found, release files and java.exe headers, half of them well-formed for any
// machine so that the PE reading gets past its signatures.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/java_survey.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const auto& rows = tessary::java_runtime::kJavaRegistrations;
  std::vector<tessary::FoundJava> found;
  for (int added = 0; input.remaining_bytes() > 0 && added < 12; ++added) {
    const auto* row = &rows[input.ConsumeIntegralInRange<std::size_t>(0, std::size(rows) - 1)];
    const std::string key = input.ConsumeRandomLengthString(16), home = input.ConsumeRandomLengthString(32);
    std::string header = input.ConsumeRandomLengthString(128);
    if (input.ConsumeBool()) {
      const auto machine = input.ConsumeIntegral<std::uint16_t>();
      header = "MZ" + std::string(0x3A, '\0') + "\x40" + std::string(3, '\0') + std::string("PE\0\0", 4) +
               static_cast<char>(machine & 0xFF) + static_cast<char>(machine >> 8);
    }
    const std::wstring version = tessary::ReleaseFileVersion(input.ConsumeRandomLengthString(64));
    const auto under = input.ConsumeBool() ? tessary::FoundUnder::kCurrentUser : tessary::FoundUnder::kLocalMachine;
    tessary::AddFoundJava(found, {row, std::wstring(key.begin(), key.end()), std::wstring(home.begin(), home.end()),
                                  under, tessary::ExecutableBits(header), version});
  }
  const std::wstring message = tessary::UnusedJavaMessage(found);
  if (!message.empty() && message.rfind(L"Tessary found Java on this computer that it cannot use:\r\n", 0) != 0) {
    std::abort();
  }
  return 0;
}
