#include "platform/TextEncoding.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "platform/CodePage.h"

namespace ostravel::platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return lower;
}

// The number after a prefix such as "windows-" or "cp"; none when the rest is no number.
std::optional<int> NumberAfter(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix) || name.size() == prefix.size()) return std::nullopt;
  int number = 0;
  const char* end = name.data() + name.size();
  const auto [at, error] = std::from_chars(name.data() + prefix.size(), end, number);
  if (error != std::errc() || at != end || number <= 0) return std::nullopt;
  return number;
}

struct NamedCodePage {
  std::string_view name;
  int code_page;
};

constexpr std::array kNames = {
    NamedCodePage{"utf-8", kUtf8},
    NamedCodePage{"utf8", kUtf8},
    NamedCodePage{"utf-16", kUtf16LE},
    NamedCodePage{"utf-16le", kUtf16LE},
    NamedCodePage{"utf-16be", kUtf16BE},
    NamedCodePage{"unicode", kUtf16LE},
    NamedCodePage{"iso-8859-1", kLatin1},
    NamedCodePage{"iso8859-1", kLatin1},
    NamedCodePage{"iso_8859-1", kLatin1},
    NamedCodePage{"latin1", kLatin1},
    NamedCodePage{"l1", kLatin1},
    NamedCodePage{"iso-ir-100", kLatin1},
    NamedCodePage{"csisolatin1", kLatin1},
    NamedCodePage{"us-ascii", kAscii},
    NamedCodePage{"ascii", kAscii},
    NamedCodePage{"shift_jis", 932},
    NamedCodePage{"shift-jis", 932},
    NamedCodePage{"sjis", 932},
    NamedCodePage{"x-sjis", 932},
    NamedCodePage{"ms_kanji", 932},
    NamedCodePage{"csshiftjis", 932},
    NamedCodePage{"windows-31j", 932},
    NamedCodePage{"gb2312", 936},
    NamedCodePage{"gbk", 936},
    NamedCodePage{"ks_c_5601-1987", 949},
    NamedCodePage{"euc-kr", 949},
    NamedCodePage{"big5", 950},
    NamedCodePage{"koi8-r", 20866},
};

// Latin-1 and ASCII are exact by definition; ASCII takes no byte above 7F.
std::string DecodeLatin1(std::string_view bytes, char32_t highest) {
  std::string utf8;
  utf8.reserve(bytes.size());
  for (const char byte : bytes) {
    const auto value = static_cast<unsigned char>(byte);
    AppendUtf8(utf8, value <= highest ? char32_t{value} : kReplacement);
  }
  return utf8;
}

std::optional<std::string> EncodeLatin1(std::string_view utf8, char32_t highest) {
  std::string bytes;
  bytes.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const char32_t c = NextCodePoint(utf8, pos);
    if (c > highest) return std::nullopt;
    bytes.push_back(static_cast<char>(c));
  }
  return bytes;
}

std::string DecodeUtf16(std::string_view bytes, bool big_endian) {
  std::string utf8;
  utf8.reserve(bytes.size());
  const auto unit = [&](std::size_t at) {
    const auto a = static_cast<unsigned char>(bytes[at]);
    const auto b = static_cast<unsigned char>(bytes[at + 1]);
    return static_cast<char32_t>(big_endian ? (a << 8) | b : (b << 8) | a);
  };
  std::size_t at = 0;
  for (; at + 1 < bytes.size(); at += 2) {
    const char32_t first = unit(at);
    if (first >= 0xD800 && first <= 0xDBFF && at + 3 < bytes.size()) {
      const char32_t second = unit(at + 2);
      if (second >= 0xDC00 && second <= 0xDFFF) {
        AppendUtf8(utf8, 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00));
        at += 2;
        continue;
      }
    }
    AppendUtf8(utf8, first >= 0xD800 && first <= 0xDFFF ? kReplacement : first);
  }
  if (at < bytes.size()) AppendUtf8(utf8, kReplacement);
  return utf8;
}

std::string EncodeUtf16(std::string_view utf8, bool big_endian) {
  std::string bytes;
  bytes.reserve(utf8.size() * 2);
  const auto put = [&](char32_t unit) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes.push_back(big_endian ? high : low);
    bytes.push_back(big_endian ? low : high);
  };
  for (std::size_t pos = 0; pos < utf8.size();) {
    const char32_t c = NextCodePoint(utf8, pos);
    if (c < 0x10000) {
      put(c);
    } else {
      put(0xD800 + ((c - 0x10000) >> 10));
      put(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  return bytes;
}

}  // namespace

std::optional<int> CodePageForEncodingName(std::string_view name) {
  const std::string lower = Lower(name);
  for (const auto& entry : kNames) {
    if (entry.name == lower) return entry.code_page;
  }
  for (const std::string_view prefix : {"windows-", "cp", "ibm", "x-cp"}) {
    if (const auto number = NumberAfter(lower, prefix)) return number;
  }
  return std::nullopt;
}

std::string EncodingNameForCodePage(int code_page) {
  switch (code_page) {
    case kUtf8:
      return "UTF-8";
    case kUtf16LE:
    case kUtf16BE:
      return "UTF-16";
    case kLatin1:
      return "ISO-8859-1";
    case kAscii:
      return "US-ASCII";
    case 932:
      return "Shift_JIS";
    default:
      return "windows-" + std::to_string(code_page);
  }
}

bool SameEncoding(int a, int b) {
  const auto family = [](int n) { return n == kUtf16BE ? kUtf16LE : n; };
  return family(a) == family(b);
}

std::string DecodeText(std::string_view bytes, int code_page) {
  switch (code_page) {
    case kUtf8:
      return std::string(bytes);
    case kLatin1:
      return DecodeLatin1(bytes, 0xFF);
    case kAscii:
      return DecodeLatin1(bytes, 0x7F);
    case kUtf16LE:
    case kUtf16BE:
      return DecodeUtf16(bytes, code_page == kUtf16BE);
    default:
      return CodePage::Open(code_page)->ToUtf8(bytes);
  }
}

std::optional<std::string> EncodeText(std::string_view utf8, int code_page) {
  switch (code_page) {
    case kUtf8:
      return std::string(utf8);
    case kLatin1:
      return EncodeLatin1(utf8, 0xFF);
    case kAscii:
      return EncodeLatin1(utf8, 0x7F);
    case kUtf16LE:
    case kUtf16BE:
      return EncodeUtf16(utf8, code_page == kUtf16BE);
    default: {
      const auto page = CodePage::Open(code_page);
      std::string bytes = page->FromUtf8(utf8);
      // A character the code page lacks came out as "?": the text would not read back.
      if (page->ToUtf8(bytes) != utf8) return std::nullopt;
      return bytes;
    }
  }
}

}  // namespace ostravel::platform
