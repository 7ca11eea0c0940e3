// Decodes any data under any value type and reported size.
// Input: the type (4 bytes, little-endian), the reported size (4 bytes), then the data.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/runtime_error.h"
#include "registry/registry_value.h"

namespace {

using namespace tessary;

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz_registry_decode: %s\n", what);
  std::abort();
}

std::uint32_t LittleEndian32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

wchar_t CodeUnit(const std::uint8_t* data, std::size_t index) {
  return static_cast<wchar_t>(data[2 * index] | data[2 * index + 1] << 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t input_size) {
  if (input_size < 8) return 0;
  const std::uint32_t type = LittleEndian32(input);
  const std::uint32_t raw_reported = LittleEndian32(input + 4);
  const std::size_t available = input_size - 8;
  // With the top bit set the reported size stays far past the data; otherwise it is
  // folded so that sizes below, at and just past the end of the data all come up.
  const std::size_t reported = (raw_reported & 0x80000000u) ? raw_reported : raw_reported % (available + 3);
  const std::size_t size = std::min(available, reported);

  // An exactly sized copy: AddressSanitizer stops any read past `available`.
  std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[available]);
  if (available > 0) std::memcpy(copy.get(), input + 8, available);
  const std::uint8_t* data = copy.get();

  const bool supported = type == kRegSz || type == kRegExpandSz || type == kRegBinary || type == kRegDword ||
                         type == kRegMultiSz;
  RegistryValue value;
  try {
    value = DecodeRegistryValue(type, data, available, reported);
  } catch (const RuntimeError& error) {
    Require(!supported, "a supported type raised an error");
    Require(error.number() == kErrorUnsupportedValueType, "an unsupported type raised the wrong error");
    return 0;
  }
  Require(supported, "an unsupported type was decoded");

  const std::size_t units = size / 2;
  if (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz) {
    const std::wstring* text = std::get_if<std::wstring>(&value);
    Require(text != nullptr, "a string type did not give a text");
    Require(text->size() <= units, "a text is longer than its data");
    for (std::size_t i = 0; i < text->size(); ++i) {
      Require((*text)[i] == CodeUnit(data, i), "a text differs from its data");
    }
    if (type == kRegMultiSz) {
      // Only the final zeros are dropped, two of them when there are two.
      const std::size_t dropped = units - text->size();
      Require(dropped <= 2, "more than two characters dropped");
      for (std::size_t i = text->size(); i < units; ++i) Require(CodeUnit(data, i) == 0, "a character dropped");
      Require(dropped == 2 || text->empty() || text->back() != 0, "a final zero kept");
    } else {
      Require(text->find(L'\0') == std::wstring::npos, "a text holds a zero");
      Require(text->size() == units || CodeUnit(data, text->size()) == 0, "a text ends before its first zero");
    }
  } else if (type == kRegBinary) {
    const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&value);
    Require(bytes != nullptr, "REG_BINARY did not give bytes");
    Require(bytes->size() == size, "REG_BINARY size is not the smaller of available and reported");
    Require(size == 0 || std::memcmp(bytes->data(), data, size) == 0, "REG_BINARY bytes differ");
  } else {
    const auto* number = std::get_if<std::int32_t>(&value);
    Require(number != nullptr, "REG_DWORD did not give an integer");
    const auto bits = static_cast<std::uint32_t>(*number);
    for (std::size_t i = 0; i < 4; ++i) {
      Require(((bits >> (8 * i)) & 0xFF) == (i < size ? data[i] : 0u), "REG_DWORD byte differs");
    }
  }
  return 0;
}
