#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/Utf8.h"

namespace ostravel::platform {

// The system's ANSI code page: the encoding of every byte that leaves or enters the plug-in
// (HTTP bodies, the socket, the log file). Text inside the plug-in is UTF-8.
// Not thread-safe: used on the user-interface thread only.
class CodePage {
 public:
  virtual ~CodePage() = default;

  // The code page with this Windows number (1252 Western European, 932 Japanese, ...);
  // throws Error when the system cannot convert it.
  static std::unique_ptr<CodePage> Open(int number);

  int Number() const { return number_; }

  // The bytes of one character in this code page (one or two); "?" for a character the code
  // page lacks, as the Windows conversion writes by default.
  std::string EncodeChar(char32_t code_point) const;

  // UTF-8 text to bytes of this code page; characters it lacks become "?". Invalid UTF-8
  // bytes count as a lacking character each.
  std::string FromUtf8(std::string_view utf8) const;

  // Bytes of this code page to UTF-8; a byte sequence without a mapping becomes U+FFFD,
  // except the five unassigned bytes of 1252 (81, 8D, 8F, 90, 9D), which keep their value.
  std::string ToUtf8(std::string_view bytes) const;

 protected:
  explicit CodePage(int number) : number_(number) {}

  // What each system's conversion gives for one character outside ASCII: its bytes, or ""
  // when the code page lacks it.
  virtual std::string EncodeOne(char32_t code_point) const = 0;
  // Appends the UTF-8 of one whole character of one or two bytes; false when the bytes are no
  // character of this code page (a lead byte alone included).
  virtual bool DecodeOne(std::string_view bytes, std::string& utf8) const = 0;

 private:
  // Decodes the character at the start of `bytes`; returns how many bytes it took.
  std::size_t DecodeNext(std::string_view bytes, std::string& utf8) const;

  int number_;
};

// The system's ANSI code page number (GetACP on Windows), the plug-in's default.
int SystemCodePageNumber();

}  // namespace ostravel::platform
