#ifndef TESSARY_REGISTRY_MREGISTRY_H_
#define TESSARY_REGISTRY_MREGISTRY_H_

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "registry/registry_value.h"

// Read-only registry access. Each call opens what it needs with KEY_READ and closes it
// before returning; nothing is cached. Keys are opened in the process's own registry
// view: a 32-bit launcher sees the 32-bit view that 32-bit Java runtimes register in.
namespace tessary {

// True when the key can be opened; any open failure counts as absent.
bool RegistryKeyExists(HKEY root, const std::wstring& key_path);

// The names of the key's direct subkeys in enumeration order. An empty path lists the
// root itself; a key that cannot be opened gives an empty list. Enumeration stops at
// the first failing call.
std::vector<std::wstring> ListRegistrySubkeys(HKEY root, const std::wstring& key_path);

// The value converted by its type (see DecodeRegistryValue). A key that cannot be
// opened gives the default, or nothing. A missing value, or one that keeps changing
// size while it is read, raises RuntimeError 1001 "Unsupported value type", as does an
// unsupported type; the key is closed first.
RegistryValue ReadRegistryValue(HKEY root, const std::wstring& key_path, const std::wstring& value_name,
                                const std::optional<RegistryValue>& default_value = std::nullopt);

}  // namespace tessary

#endif  // TESSARY_REGISTRY_MREGISTRY_H_
