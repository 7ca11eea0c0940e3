#include "windows_argv.h"

namespace tessary::test_support {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

std::vector<std::wstring> SplitWindowsCommandLine(const std::wstring& line) {
  std::vector<std::wstring> argv;
  size_t at = 0;
  const size_t end = line.size();

  // The program name: no escapes, a quote only opens or closes it.
  std::wstring program;
  if (at < end && line[at] == L'"') {
    for (++at; at < end && line[at] != L'"'; ++at) program += line[at];
    if (at < end) ++at;
  } else {
    for (; at < end && !IsBlank(line[at]); ++at) program += line[at];
  }
  argv.push_back(program);
  while (at < end && IsBlank(line[at])) ++at;
  if (at == end) return argv;

  std::wstring current;
  int quotes = 0;
  size_t backslashes = 0;
  while (at < end) {
    const wchar_t c = line[at];
    if (IsBlank(c) && quotes == 0) {
      argv.push_back(current);
      current.clear();
      backslashes = 0;
      while (at < end && IsBlank(line[at])) ++at;
      if (at == end) return argv;
    } else if (c == L'\\') {
      current += c;
      ++backslashes;
      ++at;
    } else if (c == L'"') {
      // 2n backslashes and a quote: n backslashes, and the quote opens or closes.
      // 2n+1 backslashes and a quote: n backslashes and a literal quote.
      if (backslashes % 2 == 0) {
        current.resize(current.size() - backslashes / 2);
        ++quotes;
      } else {
        current.resize(current.size() - backslashes / 2 - 1);
        current += L'"';
      }
      ++at;
      backslashes = 0;
      // Runs of quotes: every third one is literal.
      while (at < end && line[at] == L'"') {
        if (++quotes == 3) {
          current += L'"';
          quotes = 0;
        }
        ++at;
      }
      if (quotes == 2) quotes = 0;
    } else {
      current += c;
      backslashes = 0;
      ++at;
    }
  }
  argv.push_back(current);
  return argv;
}

std::string Printable(const std::wstring& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string printable;
  for (wchar_t c : text) {
    const unsigned code = static_cast<unsigned>(c) & 0xFFFF;
    if (code >= 0x20 && code < 0x7F) {
      printable += static_cast<char>(code);
    } else {
      printable += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) printable += kHex[(code >> shift) & 0xF];
    }
  }
  return printable;
}

std::string Join(const std::vector<std::wstring>& texts) {
  std::string joined;
  for (const std::wstring& text : texts) joined += "[" + Printable(text) + "] ";
  return joined;
}

}  // namespace tessary::test_support
