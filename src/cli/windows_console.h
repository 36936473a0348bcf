// Standard output and error of tr58kctl.exe: UTF-8 text that shows Chinese
// correctly in a Windows console (written there as UTF-16 with
// WriteConsoleW) and passes as plain UTF-8 bytes, without CR, when redirected.
#pragma once

#include <ostream>
#include <streambuf>
#include <string>

#include <windows.h>

namespace tr58k {

// A stream buffer over one standard handle. On a console it writes whole
// UTF-8 sequences as UTF-16; a sequence split across two writes waits for
// its remaining bytes.
class ConsoleStreamBuf final : public std::streambuf {
 public:
  explicit ConsoleStreamBuf(HANDLE handle);
  ~ConsoleStreamBuf() override;
  bool IsConsole() const { return console_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* data, std::streamsize size) override;
  int sync() override;

 private:
  void Flush(bool all);

  HANDLE handle_;
  bool console_ = false;
  std::string pending_;
};

// The length of the longest prefix of `text` that ends on a UTF-8 sequence
// boundary (an incomplete sequence at the end is left for later).
size_t CompleteUtf8Prefix(const std::string& text);

}  // namespace tr58k
