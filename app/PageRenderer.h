#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Palette.h"
#include "sim/SimView.h"

namespace ostravel::app {

// Draws a page of the simulated view as text, roughly as the player sees it: the controls of
// its top row on one line, then its list as a table. Rows and columns are numbered as
// :click takes them; columns of width 0 stay hidden as they do in the game.
class PageRenderer {
 public:
  explicit PageRenderer(const Palette& palette) : palette_(palette) {}

  std::string Render(const sim::SimView::Page& page, std::int32_t index) const;

  // The mark drawn for a cell that holds an icon.
  static constexpr const char* kIconMark = "\u25c6";

 private:
  std::string TopRow(const sim::SimView::Page& page) const;
  std::string Table(const sim::SimList& list) const;
  // One line of the table; `colors` holds each cell's colour where it has one.
  std::string FormatRow(const std::vector<std::string>& cells,
                        const std::vector<std::size_t>& widths,
                        const std::vector<std::optional<std::int32_t>>& colors) const;

  const Palette& palette_;
};

}  // namespace ostravel::app
