#include "platform/CodePage.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <string>

#include "common/Error.h"

namespace ostravel::platform {
namespace {

// The five bytes 1252 leaves unassigned; the Windows conversion maps each to the character of
// the same value and back, and so do we, so that no byte is lost on a round trip.
bool IsUnassigned1252(char32_t c) {
  return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

std::string IconvName(int number) {
  switch (number) {
    case 1252:
      return "WINDOWS-1252";
    case 932:
      return "WINDOWS-31J";
    case 65001:
      return "UTF-8";
    default:
      return "CP" + std::to_string(number);
  }
}

// One iconv conversion, opened once and reused; iconv keeps no state between whole
// characters for the single- and double-byte code pages used here.
class Converter {
 public:
  Converter(const std::string& to, const std::string& from)
      : handle_(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (Valid()) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // Converts one whole unit; false when the input has no mapping or is incomplete.
  bool Convert(std::string_view in, std::string& out) const {
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    std::array<char, 16> buffer{};
    char* in_ptr = const_cast<char*>(in.data());
    std::size_t in_left = in.size();
    char* out_ptr = buffer.data();
    std::size_t out_left = buffer.size();
    if (iconv(handle_, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<std::size_t>(-1) ||
        in_left != 0) {
      return false;
    }
    out.append(buffer.data(), buffer.size() - out_left);
    return true;
  }

 private:
  iconv_t handle_;
};

class IconvCodePage final : public CodePage {
 public:
  explicit IconvCodePage(int number)
      : number_(number),
        encoder_(IconvName(number), "UTF-8"),
        decoder_("UTF-8", IconvName(number)) {
    if (!encoder_.Valid() || !decoder_.Valid()) {
      throw Error(error_number::kInvalidCall,
                  "Code page " + std::to_string(number) + " is not available on this system");
    }
  }

  int Number() const override { return number_; }

  std::string EncodeChar(char32_t code_point) const override {
    if (code_point < 0x80 || (number_ == 1252 && IsUnassigned1252(code_point))) {
      return std::string(1, static_cast<char>(code_point));
    }
    std::string utf8;
    AppendUtf8(utf8, code_point);
    std::string bytes;
    if (!encoder_.Convert(utf8, bytes)) return "?";
    return bytes;
  }

  std::string FromUtf8(std::string_view utf8) const override {
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

  std::string ToUtf8(std::string_view bytes) const override {
    std::string utf8;
    utf8.reserve(bytes.size());
    for (std::size_t pos = 0; pos < bytes.size();) {
      const auto byte = static_cast<unsigned char>(bytes[pos]);
      if (byte < 0x80) {
        utf8.push_back(static_cast<char>(byte));
        ++pos;
      } else {
        pos += DecodeOne(bytes.substr(pos), utf8);
      }
    }
    return utf8;
  }

 private:
  // Decodes the character at the start of `bytes` (one or two bytes); returns its length.
  std::size_t DecodeOne(std::string_view bytes, std::string& utf8) const {
    if (decoder_.Convert(bytes.substr(0, 1), utf8)) return 1;
    if (bytes.size() >= 2 && decoder_.Convert(bytes.substr(0, 2), utf8)) return 2;
    const auto byte = static_cast<unsigned char>(bytes[0]);
    AppendUtf8(utf8,
               number_ == 1252 && IsUnassigned1252(byte) ? char32_t{byte} : kReplacementCharacter);
    return 1;
  }

  int number_;
  Converter encoder_;
  Converter decoder_;
};

}  // namespace

std::unique_ptr<CodePage> CodePage::Open(int number) {
  return std::make_unique<IconvCodePage>(number);
}

int SystemCodePageNumber() {
  // No system code page here: the Windows default of the game's players.
  return 1252;
}

}  // namespace ostravel::platform
