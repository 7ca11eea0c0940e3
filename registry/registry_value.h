#ifndef TESSARY_REGISTRY_REGISTRY_VALUE_H_
#define TESSARY_REGISTRY_REGISTRY_VALUE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace tessary {

// A registry value converted by its type: nothing, a text, a 32-bit signed integer
// or a byte array. Texts hold UTF-16 code units, one per wchar_t.
using RegistryValue = std::variant<std::monostate, std::wstring, std::int32_t, std::vector<std::uint8_t>>;

// Registry value types, as the registry numbers them.
enum RegistryValueType : std::uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
};

// Converts raw value data by its type. `data` holds `available` bytes; the registry
// reported `reported_size` bytes, and no byte past the smaller of the two is read.
//   REG_SZ, REG_EXPAND_SZ  text up to the first zero character (all of it without one);
//                          environment references are not expanded
//   REG_MULTI_SZ           one text with the zeros between the strings kept and the
//                          final two zeros dropped
//   REG_BINARY             the bytes
//   REG_DWORD              little-endian signed integer; fewer than four bytes are zero-extended
// Any other type raises RuntimeError 1001 "Unsupported value type".
RegistryValue DecodeRegistryValue(std::uint32_t type, const std::uint8_t* data, std::size_t available,
                                  std::size_t reported_size);

}  // namespace tessary

#endif  // TESSARY_REGISTRY_REGISTRY_VALUE_H_
