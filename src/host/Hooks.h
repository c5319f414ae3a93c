#pragma once

#include <cstdint>
#include <string>

#include "host/Signal.h"

namespace ostravel::host {

// The host's hooks into the game client: chat, the chat line, selection and location.
class Hooks {
 public:
  virtual ~Hooks() = default;

  // Writes text into a chat window; the operation used for the plug-in's prefixed output.
  virtual void ChatOut(const std::string& text, std::int32_t color, std::int32_t window) = 0;
  // The second chat-text operation, used for text written without the prefix.
  virtual void ChatText(const std::string& text, std::int32_t color, std::int32_t window) = 0;
  // Runs a line through the game's chat parser as if the player had typed it.
  virtual void InvokeChatParser(const std::string& line) = 0;
  // The id of the selected object; 0 when nothing is selected.
  virtual std::int32_t CurrentSelection() const = 0;
  // The landblock the character stands in (32 bits, read as unsigned by callers).
  virtual std::int32_t Location() const = 0;
  // Puts plain text on the system clipboard; true when the clipboard took it.
  virtual bool SetClipboardText(const std::string& text) = 0;
  // Places text into the game's chat input line.
  virtual void TypeText(const std::string& text, std::int32_t flag) = 0;

  // Every line the player enters, before the game sees it; a handler sets eat to keep it
  // from the game.
  Signal<const std::string& /*bstrText*/, bool& /*bEat*/> ChatParserIntercept;
};

}  // namespace ostravel::host
