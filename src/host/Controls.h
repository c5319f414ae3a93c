#pragma once

#include <cstdint>
#include <string>

#include "host/Signal.h"
#include "host/Variant.h"

namespace ostravel::host {

// A control of the view. Every control has the id that its events carry as nID.
class Control {
 public:
  virtual ~Control() = default;
  virtual std::int32_t Id() const = 0;
  virtual std::string Name() const = 0;
};

// The page control; pages are numbered from 0 in layout order.
class Notebook : public Control {
 public:
  virtual std::int32_t ActiveTab() const = 0;
  virtual void SetActiveTab(std::int32_t page) = 0;
  Signal<std::int32_t /*nID*/, std::int32_t /*nNewPage*/> Change;
};

// A drop-down list of options, each with a text and a data value.
class Choice : public Control {
 public:
  virtual void AddChoice(const std::string& text, const Variant& data) = 0;
  virtual std::int32_t ChoiceCount() const = 0;
  virtual std::string Text(std::int32_t index) const = 0;
  virtual void SetText(std::int32_t index, const std::string& text) = 0;
  virtual Variant Data(std::int32_t index) const = 0;
  // The selected option, -1 when none is selected.
  virtual std::int32_t Selected() const = 0;
  virtual void SetSelected(std::int32_t index) = 0;
  Signal<std::int32_t /*nID*/, std::int32_t /*nIndex*/> Change;
};

class Checkbox : public Control {
 public:
  virtual bool Checked() const = 0;
  virtual void SetChecked(bool checked) = 0;
  Signal<std::int32_t /*nID*/, bool /*bChecked*/> Change;
};

class Edit : public Control {
 public:
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
};

class PushButton : public Control {
 public:
  Signal<std::int32_t /*nID*/> Accepted;
};

// A table of cells. A cell holds values by sub-index: text columns use sub-index 0,
// icon columns keep the icon number in sub-index 1. Colours are 0x00BBGGRR values.
class List : public Control {
 public:
  virtual void Clear() = 0;
  virtual std::int32_t Count() const = 0;
  virtual std::int32_t ColumnCount() const = 0;
  // Adds a row at the end and returns its index.
  virtual std::int32_t AddRow() = 0;
  virtual void InsertRow(std::int32_t row) = 0;
  virtual void DeleteRow(std::int32_t row) = 0;
  virtual Variant Data(std::int32_t column, std::int32_t row, std::int32_t sub_index = 0) const = 0;
  virtual void SetData(std::int32_t column, std::int32_t row, std::int32_t sub_index,
                       const Variant& value) = 0;
  virtual std::int32_t Color(std::int32_t column, std::int32_t row) const = 0;
  virtual void SetColor(std::int32_t column, std::int32_t row, std::int32_t color) = 0;
  // A click on a cell: the column nX and the row nY.
  Signal<std::int32_t /*nID*/, std::int32_t /*nX*/, std::int32_t /*nY*/> Change;
};

}  // namespace ostravel::host
