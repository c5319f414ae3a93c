#include "irc/IRCFormatting.h"

#include <cstddef>

namespace ostravel {
namespace {

constexpr char kBold = '\x02';
constexpr char kColor = '\x03';
constexpr char kHexColor = '\x04';
constexpr char kReset = '\x0F';
constexpr char kMonospace = '\x11';
constexpr char kReverse = '\x16';
constexpr char kItalic = '\x1D';
constexpr char kStrike = '\x1E';
constexpr char kUnderline = '\x1F';

constexpr std::size_t kHexDigits = 6;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// How many of up to two decimal digits stand at `at`.
std::size_t ColorDigits(std::string_view text, std::size_t at) {
  std::size_t n = 0;
  while (n < 2 && at + n < text.size() && IsDigit(text[at + n])) ++n;
  return n;
}

// Whether exactly six hex digits stand at `at` (a shorter run is text, not a colour).
bool HexColorAt(std::string_view text, std::size_t at) {
  if (text.size() < at + kHexDigits) return false;
  for (std::size_t i = 0; i < kHexDigits; ++i) {
    if (!IsHexDigit(text[at + i])) return false;
  }
  return true;
}

// The length of the arguments of the "\x03" at `at - 1`: foreground, then a background only
// after a foreground and only with a digit after the comma (else the comma is text).
std::size_t ColorArguments(std::string_view text, std::size_t at) {
  const std::size_t foreground = ColorDigits(text, at);
  if (foreground == 0) return 0;
  const std::size_t comma = at + foreground;
  if (comma >= text.size() || text[comma] != ',') return foreground;
  const std::size_t background = ColorDigits(text, comma + 1);
  return background == 0 ? foreground : foreground + 1 + background;
}

// The same for "\x04" with six-digit hexadecimal colours.
std::size_t HexColorArguments(std::string_view text, std::size_t at) {
  if (!HexColorAt(text, at)) return 0;
  const std::size_t comma = at + kHexDigits;
  if (comma < text.size() && text[comma] == ',' && HexColorAt(text, comma + 1)) {
    return 2 * kHexDigits + 1;
  }
  return kHexDigits;
}

}  // namespace

std::string StripFormatting(std::string_view text) {
  std::string plain;
  plain.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i++];
    switch (c) {
      case kBold:
      case kReset:
      case kMonospace:
      case kReverse:
      case kItalic:
      case kStrike:
      case kUnderline:
        break;
      case kColor:
        i += ColorArguments(text, i);
        break;
      case kHexColor:
        i += HexColorArguments(text, i);
        break;
      default:
        plain += c;
    }
  }
  return plain;
}

}  // namespace ostravel
