#pragma once

#include <iosfwd>
#include <string_view>

#include "EditedLine.h"
#include "Palette.h"
#include "sim/SimHost.h"

namespace ostravel::app {

// What the person (or the script's reader) sees: chat as the game would show it, the other
// effects with a short tag, and the workbench's own output and complaints.
class Console {
 public:
  Console(std::ostream& out, std::ostream& err, Palette palette);

  const Palette& Colors() const { return palette_; }
  // The line a person is typing, which output goes above; nullptr for none.
  void SetEditedLine(EditedLine* line) { edited_ = line; }

  void ShowEffect(const sim::Effect& effect);
  // A line (or lines) of the workbench's own output.
  void Print(std::string_view text);
  // A complaint about a command or the session; goes to the error stream.
  void Complain(std::string_view text);

 private:
  void Tagged(std::string_view tag, std::string_view text);

  std::ostream& out_;
  std::ostream& err_;
  Palette palette_;
  EditedLine* edited_ = nullptr;
};

}  // namespace ostravel::app
