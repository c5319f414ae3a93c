#include "Palette.h"

#include <array>
#include <cstdlib>

namespace ostravel::app {
namespace {

constexpr std::string_view kReset = "\x1b[0m";

// The chat colours of the game client by number, as close as a terminal shows them.
constexpr std::array<std::uint32_t, 18> kChatColors = {
    0x00FF00,  // 0 bright green: broadcasts
    0x40C040,  // 1 green: speech
    0xFFFFFF,  // 2 white
    0xFFFF40,  // 3 yellow: tells
    0xC0C000,  // 4 dark yellow: outgoing tells
    0xFF40FF,  // 5 magenta: system
    0xFF4040,  // 6 red: combat
    0x60B0FF,  // 7 light blue: magic, and the plug-in's usual output
    0xFF8080,  // 8 pink: allegiance
    0xFFB0C0,  // 9 light pink: fellowship
    0xFFFF80,  // 10 yellow
    0xC0A000,  // 11 dark yellow
    0xB0B0B0,  // 12 grey
    0x40FFFF,  // 13 cyan
    0x80FFD0,  // 14 pale green-blue
    0xFF2020,  // 15 red
    0x20FF20,  // 16 green
    0x4060FF,  // 17 blue
};

// The nearest entry of the xterm 6x6x6 colour cube.
int CubeIndex(std::uint32_t rgb) {
  auto level = [](std::uint32_t channel) {
    return channel < 48 ? 0 : channel < 115 ? 1 : static_cast<int>((channel - 35) / 40);
  };
  const int r = level((rgb >> 16) & 0xFF);
  const int g = level((rgb >> 8) & 0xFF);
  const int b = level(rgb & 0xFF);
  return 16 + 36 * r + 6 * g + b;
}

}  // namespace

Palette::Depth Palette::TerminalDepth(const char* colorterm) {
  const std::string_view value = colorterm ? colorterm : "";
  return value == "truecolor" || value == "24bit" ? Depth::kTrueColor : Depth::k256;
}

std::string Palette::Rgb(std::string_view text, std::uint32_t rgb) const {
  if (depth_ == Depth::kNone) return std::string(text);
  std::string code;
  if (depth_ == Depth::kTrueColor) {
    code = "\x1b[38;2;" + std::to_string((rgb >> 16) & 0xFF) + ";" +
           std::to_string((rgb >> 8) & 0xFF) + ";" + std::to_string(rgb & 0xFF) + "m";
  } else {
    code = "\x1b[38;5;" + std::to_string(CubeIndex(rgb)) + "m";
  }
  return code + std::string(text) + std::string(kReset);
}

std::string Palette::Bgr(std::string_view text, std::int32_t bgr) const {
  const auto value = static_cast<std::uint32_t>(bgr);
  const std::uint32_t rgb = ((value & 0xFF) << 16) | (value & 0xFF00) | ((value >> 16) & 0xFF);
  return Rgb(text, rgb);
}

std::string Palette::Chat(std::string_view text, std::int32_t chat_color) const {
  return Rgb(text, ChatRgb(chat_color));
}

std::string Palette::Dim(std::string_view text) const {
  if (depth_ == Depth::kNone) return std::string(text);
  return "\x1b[2m" + std::string(text) + std::string(kReset);
}

std::uint32_t Palette::ChatRgb(std::int32_t chat_color) {
  if (chat_color < 0 || chat_color >= static_cast<std::int32_t>(kChatColors.size())) {
    return 0xFFFFFF;
  }
  return kChatColors[static_cast<std::size_t>(chat_color)];
}

}  // namespace ostravel::app
