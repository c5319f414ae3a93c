#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ostravel::app {

// Paints text for the terminal with ANSI colour codes, or leaves it plain when output is not
// for a person (scripts, files). The game's colours are given as the view's 0x00BBGGRR values
// or as the chat's colour numbers.
class Palette {
 public:
  enum class Depth {
    kNone,       // no escape codes at all
    k256,        // the xterm 256-colour cube, nearest match
    kTrueColor,  // 24-bit colour
  };

  explicit Palette(Depth depth) : depth_(depth) {}

  // The depth that suits a terminal whose COLORTERM variable holds `colorterm` (may be null).
  static Depth TerminalDepth(const char* colorterm);

  bool Enabled() const { return depth_ != Depth::kNone; }
  // `text` in the colour of a list cell (0x00BBGGRR).
  std::string Bgr(std::string_view text, std::int32_t bgr) const;
  // `text` in the colour the game uses for that chat colour number.
  std::string Chat(std::string_view text, std::int32_t chat_color) const;
  // `text` dimmed, for the workbench's own tags.
  std::string Dim(std::string_view text) const;

  // The RGB (0x00RRGGBB) of a chat colour number; unknown numbers read as white.
  static std::uint32_t ChatRgb(std::int32_t chat_color);

 private:
  std::string Rgb(std::string_view text, std::uint32_t rgb) const;

  Depth depth_;
};

}  // namespace ostravel::app
