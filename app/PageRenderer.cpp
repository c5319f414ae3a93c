#include "PageRenderer.h"

#include <algorithm>
#include <vector>

#include "sim/SimControls.h"

namespace ostravel::app {
namespace {

// The width of UTF-8 text on a terminal, counting every character as one column.
std::size_t Width(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::string PadTo(const std::string& text, std::size_t width) {
  return text + std::string(width - std::min(width, Width(text)), ' ');
}

std::string ControlText(const host::Control& control) {
  if (auto choice = dynamic_cast<const sim::SimChoice*>(&control)) {
    const auto selected = choice->Selected();
    const bool valid = selected >= 0 && selected < choice->ChoiceCount();
    return "[" + (valid ? choice->Text(selected) + " " : std::string()) + "\u25be]";
  }
  if (auto box = dynamic_cast<const sim::SimCheckbox*>(&control)) {
    return std::string(box->Checked() ? "[x] " : "[ ] ") + box->Info().text;
  }
  if (auto edit = dynamic_cast<const sim::SimEdit*>(&control)) return "\"" + edit->Text() + "\"";
  if (auto button = dynamic_cast<const sim::SimPushButton*>(&control)) {
    return "<" + button->Info().text + ">";
  }
  return control.Name();
}

// A cell's text on one line, so that the table keeps its shape.
std::string CellText(const sim::SimList::Column& column, const sim::SimList::Cell& cell) {
  const auto sub_index = column.icon ? 1 : 0;
  auto value = cell.data.find(sub_index);
  if (value == cell.data.end() || host::IsEmpty(value->second)) return "";
  if (column.icon) return PageRenderer::kIconMark;
  std::string text = host::ToText(value->second);
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
  return text;
}

std::vector<std::size_t> ShownColumns(const sim::SimList& list) {
  std::vector<std::size_t> shown;
  const auto& columns = list.Columns();
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (columns[c].fixed_width != 0) shown.push_back(c);
  }
  return shown;
}

// Every cell of the table as plain text, the header first: widths must not count colour codes.
std::vector<std::vector<std::string>> PlainCells(const sim::SimList& list,
                                                 const std::vector<std::size_t>& shown) {
  std::vector<std::vector<std::string>> cells(1, std::vector<std::string>{"row"});
  for (auto c : shown) cells[0].push_back(std::to_string(c));
  for (std::int32_t r = 0; r < list.Count(); ++r) {
    const auto& row = list.Row(r);
    std::vector<std::string> line{std::to_string(r)};
    for (auto c : shown) line.push_back(CellText(list.Columns()[c], row[c]));
    cells.push_back(std::move(line));
  }
  return cells;
}

std::vector<std::size_t> ColumnWidths(const std::vector<std::vector<std::string>>& cells) {
  std::vector<std::size_t> widths(cells[0].size(), 0);
  for (const auto& line : cells) {
    for (std::size_t i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], Width(line[i]));
  }
  return widths;
}

}  // namespace

std::string PageRenderer::Render(const sim::SimView::Page& page, std::int32_t index) const {
  std::string text = "page " + std::to_string(index) + " \"" + page.label + "\"\n";
  text += TopRow(page);
  if (page.list) text += Table(*page.list);
  return text;
}

std::string PageRenderer::TopRow(const sim::SimView::Page& page) const {
  std::string line;
  for (const auto& control : page.top_row) {
    if (!line.empty()) line += "  ";
    line += ControlText(*control);
  }
  return line.empty() ? "" : line + "\n";
}

std::string PageRenderer::Table(const sim::SimList& list) const {
  const auto shown = ShownColumns(list);
  const auto cells = PlainCells(list, shown);
  const auto widths = ColumnWidths(cells);
  const auto rows = list.Count();
  std::string text = list.Name() + ": " + std::to_string(rows) + (rows == 1 ? " row\n" : " rows\n");
  text += FormatRow(cells[0], widths, {});
  std::string rule;
  for (std::size_t i = 0; i < widths.size(); ++i)
    rule += (i > 0 ? "-+-" : "") + std::string(widths[i], '-');
  text += rule + "\n";
  for (std::int32_t r = 0; r < rows; ++r) {
    const auto& row = list.Row(r);
    std::vector<std::optional<std::int32_t>> colors{std::nullopt};
    for (auto c : shown) colors.push_back(row[c].color);
    text += FormatRow(cells[static_cast<std::size_t>(r) + 1], widths, colors);
  }
  return text;
}

std::string PageRenderer::FormatRow(const std::vector<std::string>& cells,
                                    const std::vector<std::size_t>& widths,
                                    const std::vector<std::optional<std::int32_t>>& colors) const {
  std::string line;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) line += " | ";
    const bool last = i + 1 == cells.size();
    const std::string cell = last ? cells[i] : PadTo(cells[i], widths[i]);
    const bool colored = i < colors.size() && colors[i] && !cells[i].empty();
    line += colored ? palette_.Bgr(cell, *colors[i]) : cell;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line + "\n";
}

}  // namespace ostravel::app
