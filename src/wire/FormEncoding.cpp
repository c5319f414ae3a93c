#include "wire/FormEncoding.h"

#include <array>

#include "base/Utf8.h"
#include "platform/CodePage.h"

namespace ostravel::wire {
namespace {

bool KeptAsIs(char32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '*' ||
         c == '@' || c == '.' || c == '_' || c == '-' || c == '=';
}

// "%" and the bytes as one number in hexadecimal: a double-byte character gives four digits.
void AppendHex(std::string& out, std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  unsigned code = 0;
  for (unsigned char byte : bytes) code = code << 8 | byte;
  std::array<char, 8> digits{};
  std::size_t count = 0;
  do {
    digits[count++] = kDigits[code & 0xF];
    code >>= 4;
  } while (code != 0);
  out += count < 2 ? "%0" : "%";
  while (count > 0) out += digits[--count];
}

}  // namespace

void AppendFormEncoded(std::string& out, std::string_view text, const platform::CodePage& code_page,
                       Ampersand ampersand) {
  for (std::size_t pos = 0; pos < text.size();) {
    const char32_t c = platform::NextCodePoint(text, pos);
    if (KeptAsIs(c)) {
      out += static_cast<char>(c);
    } else if (c == ' ') {
      out += '+';
    } else if (c == '&') {
      out += ampersand == Ampersand::kSeparates ? "&" : "%26";
    } else {
      AppendHex(out, code_page.EncodeChar(c));
    }
  }
}

std::string FormEncoded(std::string_view text, const platform::CodePage& code_page) {
  std::string encoded;
  encoded.reserve(text.size() + text.size() / 4);
  AppendFormEncoded(encoded, text, code_page, Ampersand::kSeparates);
  return encoded;
}

}  // namespace ostravel::wire
