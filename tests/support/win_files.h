#ifndef TESSARY_TESTS_SUPPORT_WIN_FILES_H_
#define TESSARY_TESTS_SUPPORT_WIN_FILES_H_

#include <string>
#include <vector>

namespace tessary::test_support {

// Makes the folder and every missing folder above it, below the drive's root.
void MakeFolders(const std::wstring& path);

// Appends every file and folder under the folder, by relative path after the prefix;
// folders end in a separator and come before what they hold.
void ListTree(const std::wstring& folder, const std::wstring& prefix, std::vector<std::wstring>& listing);

// Removes the folder and everything in it, read-only files included.
void RemoveTree(const std::wstring& folder);

}  // namespace tessary::test_support

#endif  // TESSARY_TESTS_SUPPORT_WIN_FILES_H_
