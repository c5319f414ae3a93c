#include "platform/CodePage.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <string>

#include "base/Error.h"

namespace ostravel::platform {
namespace {

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
      : CodePage(number),
        encoder_(IconvName(number), "UTF-8"),
        decoder_("UTF-8", IconvName(number)) {
    if (!encoder_.Valid() || !decoder_.Valid()) {
      throw Error(error_number::kInvalidCall,
                  "Code page " + std::to_string(number) + " is not available on this system");
    }
  }

  std::string EncodeOne(char32_t code_point) const override {
    std::string utf8;
    AppendUtf8(utf8, code_point);
    std::string bytes;
    if (!encoder_.Convert(utf8, bytes)) return {};
    return bytes;
  }

  bool DecodeOne(std::string_view bytes, std::string& utf8) const override {
    return decoder_.Convert(bytes, utf8);
  }

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
