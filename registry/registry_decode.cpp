#include <algorithm>

#include "base/runtime_error.h"
#include "registry/registry_value.h"

namespace tessary {
namespace {

// The data as UTF-16 code units; an odd trailing byte is not part of any character.
std::wstring CodeUnits(const std::uint8_t* data, std::size_t size) {
  std::wstring units;
  units.reserve(size / 2);
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    units.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  }
  return units;
}

}  // namespace

RegistryValue DecodeRegistryValue(std::uint32_t type, const std::uint8_t* data, std::size_t available,
                                  std::size_t reported_size) {
  const std::size_t size = data == nullptr ? 0 : std::min(available, reported_size);
  switch (type) {
    case kRegSz:
    case kRegExpandSz: {
      // Data written without its terminator keeps every character.
      std::wstring text = CodeUnits(data, size);
      const std::size_t end = text.find(L'\0');
      if (end != std::wstring::npos) text.resize(end);
      return text;
    }
    case kRegMultiSz: {
      std::wstring text = CodeUnits(data, size);
      for (int i = 0; i < 2 && !text.empty() && text.back() == L'\0'; ++i) text.pop_back();
      return text;
    }
    case kRegBinary:
      return std::vector<std::uint8_t>(data, data + size);
    case kRegDword: {
      std::uint32_t bits = 0;
      for (std::size_t i = 0; i < std::min<std::size_t>(size, 4); ++i) {
        bits |= static_cast<std::uint32_t>(data[i]) << (8 * i);
      }
      return static_cast<std::int32_t>(bits);
    }
    default:
      throw UnsupportedValueType();
  }
}

}  // namespace tessary
