#include "Console.h"

#include <ostream>
#include <string>

namespace ostravel::app {

Console::Console(std::ostream& out, std::ostream& err, Palette palette)
    : out_(out), err_(err), palette_(palette) {}

void Console::ShowEffect(const sim::Effect& effect) {
  switch (effect.kind) {
    case sim::Effect::Kind::kChat: {
      // The line end stays outside the colour, so no empty coloured line follows.
      std::string_view text = effect.text;
      if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
      Print(palette_.Chat(text, effect.color));
      return;
    }
    case sim::Effect::Kind::kGame:
      Tagged("game> ", effect.text);
      return;
    case sim::Effect::Kind::kInvoke:
      Tagged("invoke> ", effect.text);
      return;
    case sim::Effect::Kind::kClipboard:
      Tagged("clipboard> ", effect.text);
      return;
    case sim::Effect::Kind::kTypeText:
      Tagged("typetext> ", effect.text);
      return;
  }
}

void Console::Tagged(std::string_view tag, std::string_view text) {
  Print(palette_.Dim(tag) + std::string(text));
}

void Console::Print(std::string_view text) {
  if (edited_) edited_->Hide();
  out_ << text;
  if (text.empty() || text.back() != '\n') out_ << '\n';
  out_.flush();
  if (edited_) edited_->Show();
}

void Console::Complain(std::string_view text) {
  if (edited_) edited_->Hide();
  // Keeps the two streams in order on a terminal, where both show.
  out_.flush();
  err_ << text << '\n';
  err_.flush();
  if (edited_) edited_->Show();
}

}  // namespace ostravel::app
