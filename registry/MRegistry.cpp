#include "registry/MRegistry.h"

#include <algorithm>

#include "base/diagnostics.h"
#include "base/runtime_error.h"
#include "base/unique_handle.h"
#include "base/win_error.h"

namespace tessary {
namespace {

UniqueRegistryKey OpenKey(HKEY root, const std::wstring& key_path, RegistryView view) {
  UniqueRegistryKey key;
  const REGSAM access = KEY_READ | (view == RegistryView::k64Bit ? KEY_WOW64_64KEY : 0);
  if (RegOpenKeyExW(root, key_path.c_str(), 0, access, key.put()) != ERROR_SUCCESS) key.release();
  return key;
}

constexpr DWORD kEnumBufferCharacters = 260;
constexpr DWORD kFirstQueryBytes = 2048;  // 1023 characters and the terminator
// A value may change between the query that reports its size and the one that reads it.
constexpr int kMaximumQueries = 4;

}  // namespace

bool RegistryKeyExists(HKEY root, const std::wstring& key_path) {
  return OpenKey(root, key_path, RegistryView::kOwn).valid();
}

std::vector<std::wstring> ListRegistrySubkeys(HKEY root, const std::wstring& key_path, RegistryView view,
                                              std::size_t limit) {
  std::vector<std::wstring> names;
  UniqueRegistryKey opened;
  HKEY enumerated = root;  // the root itself is never closed
  if (!key_path.empty()) {
    opened = OpenKey(root, key_path, view);
    if (!opened) return names;
    enumerated = opened.get();
  }
  for (DWORD index = 0; names.size() < limit; ++index) {
    wchar_t buffer[kEnumBufferCharacters + 1] = {};
    if (RegEnumKeyW(enumerated, index, buffer, kEnumBufferCharacters) != ERROR_SUCCESS) break;
    names.emplace_back(buffer);  // up to the first zero character
  }
  return names;
}

RegistryValue ReadRegistryValue(HKEY root, const std::wstring& key_path, const std::wstring& value_name,
                                const std::optional<RegistryValue>& default_value, RegistryView view) {
  const UniqueRegistryKey key = OpenKey(root, key_path, view);
  if (!key) return default_value.value_or(RegistryValue());

  std::vector<std::uint8_t> buffer(kFirstQueryBytes);
  DWORD type = REG_NONE;
  DWORD size = static_cast<DWORD>(buffer.size());
  LONG status = RegQueryValueExW(key.get(), value_name.c_str(), nullptr, &type, buffer.data(), &size);
  for (int query = 1; status == ERROR_MORE_DATA && query < kMaximumQueries; ++query) {
    buffer.resize(size);
    size = static_cast<DWORD>(buffer.size());
    status = RegQueryValueExW(key.get(), value_name.c_str(), nullptr, &type, buffer.data(), &size);
  }
  // A missing value, or one that would not hold still, reads like a value of no type; why it
  // could not be read (missing, access denied ...) goes to the debugger output.
  if (status != ERROR_SUCCESS) {
    Trace(L"the value " + value_name + L" of " + key_path + L" cannot be read: " +
          SystemMessage(static_cast<unsigned long>(status)));
    throw UnsupportedValueType();
  }
  return DecodeRegistryValue(type, buffer.data(), buffer.size(), size);
}

}  // namespace tessary
