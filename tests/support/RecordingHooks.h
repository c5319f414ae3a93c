#pragma once

#include <string>
#include <vector>

#include "host/Hooks.h"

namespace ostravel::test {

// Hooks that remember what the plug-in wrote, for tests that need no whole host.
class RecordingHooks final : public host::Hooks {
 public:
  struct ChatLine {
    std::string text;
    std::int32_t color;
    std::int32_t window;
    bool prefixed;
  };

  void ChatOut(const std::string& text, std::int32_t color, std::int32_t window) override {
    chat.push_back({text, color, window, true});
  }
  void ChatText(const std::string& text, std::int32_t color, std::int32_t window) override {
    chat.push_back({text, color, window, false});
  }
  void InvokeChatParser(const std::string& line) override { invoked.push_back(line); }
  std::int32_t CurrentSelection() const override { return selection; }
  std::int32_t Location() const override { return location; }
  bool SetClipboardText(const std::string& text) override {
    clipboard.push_back(text);
    return clipboard_works;
  }
  void TypeText(const std::string& text, std::int32_t) override { typed.push_back(text); }

  std::vector<ChatLine> chat;
  std::vector<std::string> invoked;
  std::vector<std::string> clipboard;
  std::vector<std::string> typed;
  std::int32_t selection = 0;
  std::int32_t location = 0;
  bool clipboard_works = true;
};

}  // namespace ostravel::test
