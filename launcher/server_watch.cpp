#include "launcher/server_watch.h"

#include <windows.h>

#include <string>

#include "base/unique_handle.h"
#include "launcher/diagnosis/server_stopped.h"

namespace tessary {

namespace {

// Reads the server's output as fast as it comes, so that a server that writes a lot never
// waits for the launcher, and keeps the end of it.
class OutputListener {
 public:
  explicit OutputListener(HANDLE pipe) : pipe_(pipe), event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    overlapped_.hEvent = event_.get();
    if (pipe_ != INVALID_HANDLE_VALUE && event_) StartRead();
  }
  ~OutputListener() { FinishRead(true); }
  OutputListener(const OutputListener&) = delete;
  OutputListener& operator=(const OutputListener&) = delete;

  bool listening() const { return pending_; }
  // Signalled when the read in progress has finished.
  HANDLE event() const { return event_.get(); }
  const KeptOutput& kept() const { return kept_; }

  // Keeps what the read in progress has read, and reads no more.
  void Stop() { FinishRead(true); }

  // Once event() is signalled.
  void TakeRead() {
    if (FinishRead(false) && !pending_) StartRead();
  }

  // Once the server has ended: what is in the pipe already, without waiting for more. A
  // child of the server may hold the pipe open, and even go on writing.
  void TakeWhatIsLeft() {
    for (int round = 0; round < kReadsAfterTheEnd; ++round) {
      if (!FinishRead(true)) return;
      DWORD available = 0;
      if (!PeekNamedPipe(pipe_, nullptr, 0, nullptr, &available, nullptr) || available == 0) return;
      StartRead();
    }
  }

 private:
  static constexpr DWORD kReadBytes = 16384;
  static constexpr int kReadsAfterTheEnd = 64;

  void StartRead() {
    // A read that completes at once still signals the event, and is taken from there.
    pending_ = ReadFile(pipe_, buffer_, kReadBytes, nullptr, &overlapped_) || GetLastError() == ERROR_IO_PENDING;
  }

  // Ends the read in progress, cancelling it first when asked, and keeps what it read.
  // False when no read is in progress or the pipe is broken: nobody holds its writing end.
  bool FinishRead(bool cancel) {
    if (!pending_) return false;
    if (cancel) CancelIo(pipe_);
    DWORD read = 0;
    const BOOL done = GetOverlappedResult(pipe_, &overlapped_, &read, cancel);
    const DWORD error = done ? ERROR_SUCCESS : GetLastError();
    if (error == ERROR_IO_INCOMPLETE) return true;
    pending_ = false;
    if (done) kept_.Append(buffer_, read);
    return done || error == ERROR_OPERATION_ABORTED;
  }

  HANDLE pipe_;
  UniqueKernelHandle event_;
  OVERLAPPED overlapped_ = {};
  bool pending_ = false;
  char buffer_[kReadBytes];
  KeptOutput kept_;
};

std::wstring Decoded(UINT code_page, DWORD flags, const char* bytes, int size) {
  if (size == 0) return std::wstring();
  const int length = MultiByteToWideChar(code_page, flags, bytes, size, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(code_page, flags, bytes, size, &text[0], length);
  return text;
}

// A locale of Unicode only has no ANSI code page (0). Java then writes UTF-8, while the
// launcher of Java and HotSpot write their own lines in the system's ANSI code page: each
// line is taken as UTF-8 where it is valid UTF-8.
std::wstring DecodedLineByLine(const std::string& bytes) {
  std::wstring text;
  for (std::size_t at = 0; at < bytes.size();) {
    std::size_t end = bytes.find('\n', at);
    end = end == std::string::npos ? bytes.size() : end + 1;
    const int size = static_cast<int>(end - at);
    const bool utf8 = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data() + at, size, nullptr, 0) > 0;
    text += Decoded(utf8 ? CP_UTF8 : CP_ACP, 0, bytes.data() + at, size);
    at = end;
  }
  return text;
}

// Java writes to a pipe in its file.encoding, the ANSI code page of the user's default
// locale, which need not be the system's.
std::wstring DecodedOutput(const std::string& bytes) {
  if (bytes.empty()) return std::wstring();
  DWORD user_code_page = 0;
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                     reinterpret_cast<wchar_t*>(&user_code_page), sizeof(user_code_page) / sizeof(wchar_t)) == 0) {
    user_code_page = CP_ACP;
  } else if (user_code_page == 0) {
    return DecodedLineByLine(bytes);
  }
  const int size = static_cast<int>(bytes.size());
  // One not installed cannot decode.
  for (const UINT code_page : {static_cast<UINT>(user_code_page), static_cast<UINT>(CP_ACP)}) {
    std::wstring text = Decoded(code_page, 0, bytes.data(), size);
    if (!text.empty()) return text;
  }
  return std::wstring();
}

}  // namespace

ServerWatch WatchServer(const StartedServer& server, unsigned milliseconds) {
  ServerWatch watch;
  const ULONGLONG waited_from = GetTickCount64();
  OutputListener output(server.output.get());
  DWORD waited = WAIT_FAILED;
  for (;;) {
    const ULONGLONG elapsed = GetTickCount64() - waited_from;
    const DWORD remaining = elapsed < milliseconds ? static_cast<DWORD>(milliseconds - elapsed) : 0;
    const HANDLE handles[] = {server.process.get(), output.event()};
    waited = WaitForMultipleObjects(output.listening() ? 2 : 1, handles, FALSE, remaining);
    if (waited != WAIT_OBJECT_0 + 1) break;
    output.TakeRead();
    // A server that writes without pause must not keep the launcher here past its time.
    if (remaining == 0) {
      waited = WaitForSingleObject(server.process.get(), 0);
      break;
    }
  }
  watch.ran_milliseconds = GetTickCount64() - waited_from;
  DWORD exit_code = 0;
  if (waited == WAIT_TIMEOUT) {
    output.Stop();
    watch.said = DecodedOutput(output.kept().bytes());
    return watch;
  }
  if (waited != WAIT_OBJECT_0 || !GetExitCodeProcess(server.process.get(), &exit_code)) {
    // Nothing to tell of the server: linger as long as the wait would have, so that the
    // launcher does not seem to have given up on it.
    if (milliseconds > watch.ran_milliseconds) Sleep(static_cast<DWORD>(milliseconds - watch.ran_milliseconds));
    return watch;
  }
  watch.ended = true;
  watch.exit_code = exit_code;
  wchar_t image[32768];
  DWORD length = 32768;
  if (QueryFullProcessImageNameW(server.process.get(), 0, image, &length)) watch.program.assign(image, length);
  output.TakeWhatIsLeft();
  watch.said = DecodedOutput(output.kept().bytes());
  return watch;
}

}  // namespace tessary
