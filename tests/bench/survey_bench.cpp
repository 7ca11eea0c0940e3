// Times the survey of installed Java, and the most heap it holds at once, with N stale
// registrations under one vendor's key: each names a folder that is gone.
//   survey_bench N...   prints "N median_ms min_ms peak_heap_bytes" per N, of nine runs each
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "base/seams.h"
#include "runtime/java_survey_win.h"

namespace {

// Every allocation of the C++ heap, counted while `counting` is set.
bool counting = false;
std::size_t live_bytes = 0, peak_bytes = 0;
constexpr std::size_t kSizeField = alignof(std::max_align_t) > sizeof(std::size_t) ? alignof(std::max_align_t)
                                                                                    : sizeof(std::size_t);

void* Allocate(std::size_t size) {
  auto* block = static_cast<unsigned char*>(std::malloc(size + kSizeField));
  if (block == nullptr) throw std::bad_alloc();
  *reinterpret_cast<std::size_t*>(block) = size;
  if (counting) {
    live_bytes += size;
    peak_bytes = std::max(peak_bytes, live_bytes);
  }
  return block + kSizeField;
}

void Release(void* memory) {
  if (memory == nullptr) return;
  unsigned char* block = static_cast<unsigned char*>(memory) - kSizeField;
  const std::size_t size = *reinterpret_cast<std::size_t*>(block);
  if (counting) live_bytes -= std::min(size, live_bytes);
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* memory) noexcept { Release(memory); }
void operator delete[](void* memory) noexcept { Release(memory); }
void operator delete(void* memory, std::size_t) noexcept { Release(memory); }
void operator delete[](void* memory, std::size_t) noexcept { Release(memory); }

namespace {

void Ignore(const std::wstring&) {}
void NoExit(tessary::ExitCode) {}

// HKEY_CURRENT_USER stands for HKEY_LOCAL_MACHINE, as in the lookup benchmark; the survey reads
// vendors' keys there as well, as it reads those of per-user installs.
// Under Wine, a run now and then takes ten times as long as the others: the median of nine.
constexpr int kRuns = 9;
const wchar_t kVendorRoot[] = L"SOFTWARE\\Azul Systems";
const wchar_t kVendorKey[] = L"SOFTWARE\\Azul Systems\\Zulu";

void Register(int count) {
  RegDeleteTreeW(HKEY_CURRENT_USER, kVendorRoot);
  HKEY vendor = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, kVendorKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &vendor, nullptr);
  for (int i = 1; i <= count; ++i) {
    wchar_t name[32], folder[64];
    wsprintfW(name, L"zulu-8.%05d", i);
    wsprintfW(folder, L"C:\\gone\\zulu-8.%05d", i);
    HKEY version = nullptr;
    RegCreateKeyExW(vendor, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &version, nullptr);
    RegSetValueExW(version, L"InstallationPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                   static_cast<DWORD>((lstrlenW(folder) + 1) * sizeof(wchar_t)));
    RegCloseKey(version);
  }
  RegCloseKey(vendor);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  tessary::InstallSeams(tessary::Seams{Ignore, NoExit});
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  for (int arg = 1; arg < argc; ++arg) {
    const int count = _wtoi(argv[arg]);
    Register(count);
    std::vector<double> runs;
    runs.reserve(kRuns);
    std::size_t peak = 0;
    for (int run = 0; run < kRuns; ++run) {
      live_bytes = peak_bytes = 0;
      counting = true;
      LARGE_INTEGER start, end;
      QueryPerformanceCounter(&start);
      tessary::ExplainUnusedJava(HKEY_CURRENT_USER);
      QueryPerformanceCounter(&end);
      counting = false;
      peak = std::max(peak, peak_bytes);
      runs.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
    }
    std::sort(runs.begin(), runs.end());
    std::printf("%d %.2f %.2f %u\n", count, runs[kRuns / 2], runs[0], static_cast<unsigned>(peak));
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, kVendorRoot);
  return 0;
}
