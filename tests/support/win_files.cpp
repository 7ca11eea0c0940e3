#include "win_files.h"

#include <windows.h>

namespace tessary::test_support {

void MakeFolders(const std::wstring& path) {
  for (size_t at = path.find(L'\\', 3);; at = path.find(L'\\', at + 1)) {
    CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    if (at == std::wstring::npos) break;
  }
}

void ListTree(const std::wstring& folder, const std::wstring& prefix, std::vector<std::wstring>& listing) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      listing.push_back(prefix + name + L"\\");
      ListTree(folder + L"\\" + name, prefix + name + L"\\", listing);
    } else {
      listing.push_back(prefix + name);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

void RemoveTree(const std::wstring& folder) {
  std::vector<std::wstring> listing;
  ListTree(folder, L"", listing);
  // Deepest first: a folder's contents are listed after it.
  for (auto entry = listing.rbegin(); entry != listing.rend(); ++entry) {
    const std::wstring path = folder + L"\\" + *entry;
    if (entry->back() == L'\\') {
      RemoveDirectoryW(path.c_str());
    } else {
      // DeleteFileW refuses a read-only file.
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(path.c_str());
    }
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace tessary::test_support
