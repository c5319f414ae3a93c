#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/Controls.h"

namespace ostravel::sim {

// What every simulated control knows about itself besides its state.
struct ControlInfo {
  std::int32_t id = 0;
  std::string name;    // "" for a control without a name
  std::string progid;  // "DecalControls.List", ...
  std::string text;    // the "text" attribute (caption of a check box or button)
};

class SimNotebook final : public host::Notebook {
 public:
  SimNotebook(ControlInfo info, std::vector<std::string> page_labels);
  std::int32_t Id() const override { return info_.id; }
  std::string Name() const override { return info_.name; }
  std::int32_t ActiveTab() const override { return active_; }
  void SetActiveTab(std::int32_t page) override;  // throws Error for a page it lacks

  const ControlInfo& Info() const { return info_; }
  const std::vector<std::string>& PageLabels() const { return labels_; }
  // The player picks a page: it shows and the Change event is raised.
  void UserSelect(std::int32_t page);

 private:
  ControlInfo info_;
  std::vector<std::string> labels_;
  std::int32_t active_ = 0;
};

class SimChoice final : public host::Choice {
 public:
  struct Option {
    std::string text;
    host::Variant data;
  };
  SimChoice(ControlInfo info, std::vector<Option> options, std::int32_t selected);
  std::int32_t Id() const override { return info_.id; }
  std::string Name() const override { return info_.name; }
  void AddChoice(const std::string& text, const host::Variant& data) override;
  std::int32_t ChoiceCount() const override;
  void SetText(std::int32_t index, const std::string& text) override;
  std::string Text(std::int32_t index) const override;    // throws Error out of range
  host::Variant Data(std::int32_t index) const override;  // throws Error out of range
  std::int32_t Selected() const override { return selected_; }
  void SetSelected(std::int32_t index) override;  // -1 or a valid index, else throws Error

  const ControlInfo& Info() const { return info_; }
  const std::vector<Option>& Options() const { return options_; }
  // The player picks an option: it is selected and the Change event is raised.
  void UserChoose(std::int32_t index);

 private:
  ControlInfo info_;
  std::vector<Option> options_;
  std::int32_t selected_;
};

class SimCheckbox final : public host::Checkbox {
 public:
  SimCheckbox(ControlInfo info, bool checked);
  std::int32_t Id() const override { return info_.id; }
  std::string Name() const override { return info_.name; }
  bool Checked() const override { return checked_; }
  void SetChecked(bool checked) override { checked_ = checked; }

  const ControlInfo& Info() const { return info_; }
  // The player ticks or clears the box: its state changes and the Change event is raised.
  void UserCheck(bool checked);

 private:
  ControlInfo info_;
  bool checked_;
};

class SimEdit final : public host::Edit {
 public:
  SimEdit(ControlInfo info, std::string text);
  std::int32_t Id() const override { return info_.id; }
  std::string Name() const override { return info_.name; }
  std::string Text() const override { return text_; }
  void SetText(const std::string& text) override { text_ = text; }

  const ControlInfo& Info() const { return info_; }
  // The player types into the box (the plug-in handles no event of it).
  void UserType(const std::string& text) { text_ = text; }

 private:
  ControlInfo info_;
  std::string text_;
};

class SimPushButton final : public host::PushButton {
 public:
  explicit SimPushButton(ControlInfo info);
  std::int32_t Id() const override { return info_.id; }
  std::string Name() const override { return info_.name; }

  const ControlInfo& Info() const { return info_; }
  // The player presses the button: the Accepted event is raised.
  void UserPress();

 private:
  ControlInfo info_;
};

class SimList final : public host::List {
 public:
  struct Column {
    bool icon = false;               // DecalControls.IconColumn, else TextColumn
    std::optional<int> fixed_width;  // the "fixedwidth" attribute
  };
  struct Cell {
    std::map<std::int32_t, host::Variant> data;  // by sub-index
    std::optional<std::int32_t> color;           // unset: the list's default colour
  };

  SimList(ControlInfo info, std::vector<Column> columns);
  std::int32_t Id() const override { return info_.id; }
  std::string Name() const override { return info_.name; }
  void Clear() override { rows_.clear(); }
  std::int32_t Count() const override;
  std::int32_t ColumnCount() const override;
  std::int32_t AddRow() override;
  void InsertRow(std::int32_t row) override;  // 0..Count(), else throws Error
  void DeleteRow(std::int32_t row) override;  // throws Error out of range
  host::Variant Data(std::int32_t column, std::int32_t row, std::int32_t sub_index) const override;
  void SetData(std::int32_t column, std::int32_t row, std::int32_t sub_index,
               const host::Variant& value) override;
  std::int32_t Color(std::int32_t column, std::int32_t row) const override;  // default 0xFFFFFF
  void SetColor(std::int32_t column, std::int32_t row, std::int32_t color) override;

  const ControlInfo& Info() const { return info_; }
  const std::vector<Column>& Columns() const { return columns_; }
  // The cells of a row, one per column (throws Error out of range).
  const std::vector<Cell>& Row(std::int32_t row) const;
  // The player clicks a cell: the Change event is raised with its column and row.
  void UserClick(std::int32_t column, std::int32_t row);

  static constexpr std::int32_t kDefaultColor = 0xFFFFFF;

 private:
  const Cell& CellAt(std::int32_t column, std::int32_t row) const;  // throws Error
  Cell& CellAt(std::int32_t column, std::int32_t row);
  ControlInfo info_;
  std::vector<Column> columns_;
  std::vector<std::vector<Cell>> rows_;
};

}  // namespace ostravel::sim
