#ifndef TESSARY_REGISTRY_MREGISTRY_H_
#define TESSARY_REGISTRY_MREGISTRY_H_

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "registry/registry_value.h"

// Read-only registry access. Each call opens what it needs with KEY_READ and closes it
// before returning; nothing is cached.
namespace tessary {

// Which registry view a key is opened in. The process's own view is the one to read: a
// 32-bit launcher on 64-bit Windows sees the 32-bit view that 32-bit Java runtimes
// register in. The 64-bit view is only looked at to explain what the launcher cannot use.
enum class RegistryView { kOwn, k64Bit };

// True when the key can be opened; any open failure counts as absent.
bool RegistryKeyExists(HKEY root, const std::wstring& key_path);

// The names of the key's direct subkeys in enumeration order, the first `limit` of them. An
// empty path lists the root itself; a key that cannot be opened gives an empty list.
// Enumeration stops at the first failing call.
std::vector<std::wstring> ListRegistrySubkeys(HKEY root, const std::wstring& key_path,
                                              RegistryView view = RegistryView::kOwn,
                                              std::size_t limit = static_cast<std::size_t>(-1));

// The value converted by its type (see DecodeRegistryValue). A key that cannot be
// opened gives the default, or nothing. A missing value, or one that keeps changing
// size while it is read, raises RuntimeError 1001 "Unsupported value type", as does an
// unsupported type; the key is closed first.
RegistryValue ReadRegistryValue(HKEY root, const std::wstring& key_path, const std::wstring& value_name,
                                const std::optional<RegistryValue>& default_value = std::nullopt,
                                RegistryView view = RegistryView::kOwn);

}  // namespace tessary

#endif  // TESSARY_REGISTRY_MREGISTRY_H_
