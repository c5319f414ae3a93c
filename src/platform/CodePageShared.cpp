// The parts of CodePage that every system's conversion shares; CodePage.cpp (iconv) and
// CodePageWin.cpp (Windows) give the conversion of one character.
#include "platform/CodePage.h"

namespace ostravel::platform {
namespace {

// The five bytes 1252 leaves unassigned; the Windows conversion maps each to the character of
// the same value and back, and so do we on every system, so that no byte is lost on a round
// trip.
bool IsUnassigned1252(char32_t c) {
  return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

}  // namespace

std::string CodePage::EncodeChar(char32_t code_point) const {
  if (code_point < 0x80 || (number_ == 1252 && IsUnassigned1252(code_point))) {
    return std::string(1, static_cast<char>(code_point));
  }
  std::string bytes = EncodeOne(code_point);
  return bytes.empty() ? "?" : bytes;
}

std::string CodePage::FromUtf8(std::string_view utf8) const {
  std::string bytes;
  bytes.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const auto byte = static_cast<unsigned char>(utf8[pos]);
    if (byte < 0x80) {
      bytes.push_back(static_cast<char>(byte));
      ++pos;
      continue;
    }
    bytes += EncodeChar(NextCodePoint(utf8, pos));
  }
  return bytes;
}

std::string CodePage::ToUtf8(std::string_view bytes) const {
  std::string utf8;
  utf8.reserve(bytes.size());
  for (std::size_t pos = 0; pos < bytes.size();) {
    const auto byte = static_cast<unsigned char>(bytes[pos]);
    if (byte < 0x80) {
      utf8.push_back(static_cast<char>(byte));
      ++pos;
    } else {
      pos += DecodeNext(bytes.substr(pos), utf8);
    }
  }
  return utf8;
}

std::size_t CodePage::DecodeNext(std::string_view bytes, std::string& utf8) const {
  if (DecodeOne(bytes.substr(0, 1), utf8)) return 1;
  if (bytes.size() >= 2 && DecodeOne(bytes.substr(0, 2), utf8)) return 2;
  const auto byte = static_cast<unsigned char>(bytes[0]);
  AppendUtf8(utf8,
             number_ == 1252 && IsUnassigned1252(byte) ? char32_t{byte} : kReplacementCharacter);
  return 1;
}

}  // namespace ostravel::platform
