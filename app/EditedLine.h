#pragma once

namespace ostravel::app {

// The line a person is typing at the prompt. Output made while it is open goes above it: the
// line is hidden for the output and drawn again after it, half-typed text and cursor intact.
class EditedLine {
 public:
  virtual ~EditedLine() = default;
  // Clears the prompt and the text typed so far from the screen, if a line is being edited.
  virtual void Hide() = 0;
  // Draws them again on the line below the output.
  virtual void Show() = 0;
};

}  // namespace ostravel::app
