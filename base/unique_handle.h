#ifndef TESSARY_BASE_UNIQUE_HANDLE_H_
#define TESSARY_BASE_UNIQUE_HANDLE_H_

#include <windows.h>

#include <utility>

namespace tessary {

// A move-only owner of one Win32 handle. Traits name the handle type, which values hold no
// handle (NULL for most, INVALID_HANDLE_VALUE as well for files and searches) and how to
// close it.
template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const { return handle_; }
  bool valid() const { return Traits::IsValid(handle_); }
  explicit operator bool() const { return valid(); }

  Handle release() { return std::exchange(handle_, Traits::Invalid()); }
  // Closing never changes the last error: a failure is often reported after its handles go.
  void reset(Handle handle = Traits::Invalid()) {
    if (valid()) {
      const DWORD error = GetLastError();
      Traits::Close(handle_);
      SetLastError(error);
    }
    handle_ = handle;
  }
  // For out-parameters: closes what is held and hands out the slot.
  Handle* put() {
    reset();
    return &handle_;
  }

 private:
  Handle handle_ = Traits::Invalid();
};

// Handles that are absent when NULL.
template <typename HandleType, auto CloseFunction>
struct NullHandleTraits {
  using Handle = HandleType;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle handle) { return handle != nullptr; }
  static void Close(Handle handle) { CloseFunction(handle); }
};

// Handles that some functions give as INVALID_HANDLE_VALUE and others as NULL.
template <auto CloseFunction>
struct FileLikeHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { CloseFunction(handle); }
};

inline void ReleaseScreenDC(HDC dc) { ReleaseDC(nullptr, dc); }

using UniqueKernelHandle = UniqueHandle<NullHandleTraits<HANDLE, CloseHandle>>;
using UniqueFile = UniqueHandle<FileLikeHandleTraits<CloseHandle>>;
using UniqueFind = UniqueHandle<FileLikeHandleTraits<FindClose>>;
using UniqueRegistryKey = UniqueHandle<NullHandleTraits<HKEY, RegCloseKey>>;
using UniqueGdiObject = UniqueHandle<NullHandleTraits<HGDIOBJ, DeleteObject>>;
using UniqueIcon = UniqueHandle<NullHandleTraits<HICON, DestroyIcon>>;
using UniqueGlobalMemory = UniqueHandle<NullHandleTraits<HGLOBAL, GlobalFree>>;
// The whole screen's device context, from GetDC(nullptr).
using UniqueScreenDC = UniqueHandle<NullHandleTraits<HDC, ReleaseScreenDC>>;

// A started process: both of the handles CreateProcessW hands back, closed together.
struct OwnedProcess {
  UniqueKernelHandle process;
  UniqueKernelHandle thread;
};

}  // namespace tessary

#endif  // TESSARY_BASE_UNIQUE_HANDLE_H_
