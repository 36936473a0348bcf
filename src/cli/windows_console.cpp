#include "cli/windows_console.h"

#include "settings/wide_text_windows.h"

namespace tr58k {

size_t CompleteUtf8Prefix(const std::string& text) {
  // Look back at most three bytes for the lead byte of the last sequence.
  const size_t size = text.size();
  for (size_t back = 1; back <= 4 && back <= size; ++back) {
    const auto byte = static_cast<unsigned char>(text[size - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte
    size_t needed = 1;
    if ((byte & 0xE0) == 0xC0) needed = 2;
    else if ((byte & 0xF0) == 0xE0) needed = 3;
    else if ((byte & 0xF8) == 0xF0) needed = 4;
    return back >= needed ? size : size - back;
  }
  return size;  // not UTF-8 at all: passed on as it is
}

ConsoleStreamBuf::ConsoleStreamBuf(HANDLE handle) : handle_(handle) {
  DWORD mode = 0;
  console_ = handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr && ::GetConsoleMode(handle_, &mode);
}

ConsoleStreamBuf::~ConsoleStreamBuf() { Flush(true); }

ConsoleStreamBuf::int_type ConsoleStreamBuf::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  pending_ += traits_type::to_char_type(c);
  if (c == '\n' || c == '\r' || pending_.size() >= 4096) Flush(false);
  return c;
}

std::streamsize ConsoleStreamBuf::xsputn(const char* data, std::streamsize size) {
  pending_.append(data, static_cast<size_t>(size));
  Flush(false);
  return size;
}

int ConsoleStreamBuf::sync() {
  Flush(false);
  return 0;
}

void ConsoleStreamBuf::Flush(bool all) {
  const size_t ready = all ? pending_.size() : CompleteUtf8Prefix(pending_);
  if (ready == 0) return;
  if (console_) {
    const std::wstring wide = Utf8ToWide(std::string_view(pending_.data(), ready));
    DWORD written = 0;
    ::WriteConsoleW(handle_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    DWORD written = 0;
    ::WriteFile(handle_, pending_.data(), static_cast<DWORD>(ready), &written, nullptr);
  }
  pending_.erase(0, ready);
}

}  // namespace tr58k
