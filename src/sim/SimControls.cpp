#include "sim/SimControls.h"

#include <utility>

#include "sim/SimErrors.h"

namespace ostravel::sim {
namespace {

// Sizes of the host's collections are 32-bit on the wire; none of ours comes near the limit.
template <class Container>
std::int32_t Size32(const Container& items) {
  return static_cast<std::int32_t>(items.size());
}

bool InRange(std::int32_t index, std::int32_t count) {
  return index >= 0 && index < count;
}

}  // namespace

// ---- SimNotebook ----

SimNotebook::SimNotebook(ControlInfo info, std::vector<std::string> page_labels)
    : info_(std::move(info)), labels_(std::move(page_labels)) {}

void SimNotebook::SetActiveTab(std::int32_t page) {
  if (!InRange(page, Size32(labels_))) ThrowInvalidArg(info_.progid);
  active_ = page;
}

void SimNotebook::UserSelect(std::int32_t page) {
  SetActiveTab(page);
  Change.Emit(info_.id, page);
}

// ---- SimChoice ----

SimChoice::SimChoice(ControlInfo info, std::vector<Option> options, std::int32_t selected)
    : info_(std::move(info)), options_(std::move(options)), selected_(-1) {
  SetSelected(selected);
}

void SimChoice::AddChoice(const std::string& text, const host::Variant& data) {
  options_.push_back(Option{text, data});
}

std::int32_t SimChoice::ChoiceCount() const {
  return Size32(options_);
}

std::string SimChoice::Text(std::int32_t index) const {
  if (!InRange(index, ChoiceCount())) ThrowInvalidArg(info_.progid);
  return options_[static_cast<std::size_t>(index)].text;
}

void SimChoice::SetText(std::int32_t index, const std::string& text) {
  if (!InRange(index, ChoiceCount())) ThrowInvalidArg(info_.progid);
  options_[static_cast<std::size_t>(index)].text = text;
}

host::Variant SimChoice::Data(std::int32_t index) const {
  if (!InRange(index, ChoiceCount())) ThrowInvalidArg(info_.progid);
  return options_[static_cast<std::size_t>(index)].data;
}

void SimChoice::SetSelected(std::int32_t index) {
  if (index != -1 && !InRange(index, ChoiceCount())) ThrowInvalidArg(info_.progid);
  selected_ = index;
}

void SimChoice::UserChoose(std::int32_t index) {
  SetSelected(index);
  Change.Emit(info_.id, index);
}

// ---- SimCheckbox, SimEdit, SimPushButton ----

SimCheckbox::SimCheckbox(ControlInfo info, bool checked)
    : info_(std::move(info)), checked_(checked) {}

void SimCheckbox::UserCheck(bool checked) {
  checked_ = checked;
  Change.Emit(info_.id, checked);
}

SimEdit::SimEdit(ControlInfo info, std::string text)
    : info_(std::move(info)), text_(std::move(text)) {}

SimPushButton::SimPushButton(ControlInfo info) : info_(std::move(info)) {}

void SimPushButton::UserPress() {
  Accepted.Emit(info_.id);
}

// ---- SimList ----

SimList::SimList(ControlInfo info, std::vector<Column> columns)
    : info_(std::move(info)), columns_(std::move(columns)) {}

std::int32_t SimList::Count() const {
  return Size32(rows_);
}

std::int32_t SimList::ColumnCount() const {
  return Size32(columns_);
}

std::int32_t SimList::AddRow() {
  rows_.emplace_back(columns_.size());
  return Count() - 1;
}

void SimList::InsertRow(std::int32_t row) {
  if (row < 0 || row > Count()) ThrowInvalidArg(info_.progid);
  rows_.insert(rows_.begin() + row, std::vector<Cell>(columns_.size()));
}

void SimList::DeleteRow(std::int32_t row) {
  if (!InRange(row, Count())) ThrowInvalidArg(info_.progid);
  rows_.erase(rows_.begin() + row);
}

host::Variant SimList::Data(std::int32_t column, std::int32_t row, std::int32_t sub_index) const {
  const Cell& cell = CellAt(column, row);
  auto found = cell.data.find(sub_index);
  return found == cell.data.end() ? host::Variant{} : found->second;
}

void SimList::SetData(std::int32_t column, std::int32_t row, std::int32_t sub_index,
                      const host::Variant& value) {
  if (sub_index < 0) ThrowInvalidArg(info_.progid);
  CellAt(column, row).data[sub_index] = value;
}

std::int32_t SimList::Color(std::int32_t column, std::int32_t row) const {
  return CellAt(column, row).color.value_or(kDefaultColor);
}

void SimList::SetColor(std::int32_t column, std::int32_t row, std::int32_t color) {
  CellAt(column, row).color = color;
}

const std::vector<SimList::Cell>& SimList::Row(std::int32_t row) const {
  if (!InRange(row, Count())) ThrowInvalidArg(info_.progid);
  return rows_[static_cast<std::size_t>(row)];
}

void SimList::UserClick(std::int32_t column, std::int32_t row) {
  CellAt(column, row);  // the player can only click a cell that is there
  Change.Emit(info_.id, column, row);
}

const SimList::Cell& SimList::CellAt(std::int32_t column, std::int32_t row) const {
  if (!InRange(column, ColumnCount())) ThrowInvalidArg(info_.progid);
  return Row(row)[static_cast<std::size_t>(column)];
}

SimList::Cell& SimList::CellAt(std::int32_t column, std::int32_t row) {
  return const_cast<Cell&>(std::as_const(*this).CellAt(column, row));
}

}  // namespace ostravel::sim
