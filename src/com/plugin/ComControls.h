#pragma once

#include <memory>

#include "com/ComSupport.h"
#include "com/plugin/ComEvents.h"
#include "host/Controls.h"

namespace ostravel::com {

// The host's controls through their COM interfaces; each forwards its events to its Signal.

// The control answering IDecalControl, as the host:: kind it answers to QueryInterface;
// throws Error "Type mismatch" for a kind the plug-in does not know.
std::shared_ptr<host::Control> MakeControl(const ComPtr<IDecalControl>& control);

class NotebookSink;
class ChoiceSink;
class CheckboxSink;
class PushButtonSink;
class ListSink;

class ComNotebook final : public host::Notebook {
 public:
  explicit ComNotebook(ComPtr<IDecalNotebook> control);
  ~ComNotebook() override;
  std::int32_t Id() const override;
  std::string Name() const override;
  std::int32_t ActiveTab() const override;
  void SetActiveTab(std::int32_t page) override;

 private:
  ComPtr<IDecalNotebook> control_;
  std::unique_ptr<Advice<NotebookSink>> events_;
};

class ComChoice final : public host::Choice {
 public:
  explicit ComChoice(ComPtr<IDecalChoice> control);
  ~ComChoice() override;
  std::int32_t Id() const override;
  std::string Name() const override;
  void AddChoice(const std::string& text, const host::Variant& data) override;
  std::int32_t ChoiceCount() const override;
  void SetText(std::int32_t index, const std::string& text) override;
  std::string Text(std::int32_t index) const override;
  host::Variant Data(std::int32_t index) const override;
  std::int32_t Selected() const override;
  void SetSelected(std::int32_t index) override;

 private:
  ComPtr<IDecalChoice> control_;
  std::unique_ptr<Advice<ChoiceSink>> events_;
};

class ComCheckbox final : public host::Checkbox {
 public:
  explicit ComCheckbox(ComPtr<IDecalCheckbox> control);
  ~ComCheckbox() override;
  std::int32_t Id() const override;
  std::string Name() const override;
  bool Checked() const override;
  void SetChecked(bool checked) override;

 private:
  ComPtr<IDecalCheckbox> control_;
  std::unique_ptr<Advice<CheckboxSink>> events_;
};

class ComEdit final : public host::Edit {
 public:
  explicit ComEdit(ComPtr<IDecalEdit> control);
  std::int32_t Id() const override;
  std::string Name() const override;
  std::string Text() const override;
  void SetText(const std::string& text) override;

 private:
  ComPtr<IDecalEdit> control_;
};

class ComPushButton final : public host::PushButton {
 public:
  explicit ComPushButton(ComPtr<IDecalPushButton> control);
  ~ComPushButton() override;
  std::int32_t Id() const override;
  std::string Name() const override;

 private:
  ComPtr<IDecalPushButton> control_;
  std::unique_ptr<Advice<PushButtonSink>> events_;
};

class ComList final : public host::List {
 public:
  explicit ComList(ComPtr<IDecalList> control);
  ~ComList() override;
  std::int32_t Id() const override;
  std::string Name() const override;
  void Clear() override;
  std::int32_t Count() const override;
  std::int32_t ColumnCount() const override;
  std::int32_t AddRow() override;
  void InsertRow(std::int32_t row) override;
  void DeleteRow(std::int32_t row) override;
  host::Variant Data(std::int32_t column, std::int32_t row, std::int32_t sub_index) const override;
  void SetData(std::int32_t column, std::int32_t row, std::int32_t sub_index,
               const host::Variant& value) override;
  std::int32_t Color(std::int32_t column, std::int32_t row) const override;
  void SetColor(std::int32_t column, std::int32_t row, std::int32_t color) override;

 private:
  ComPtr<IDecalList> control_;
  std::unique_ptr<Advice<ListSink>> events_;
};

}  // namespace ostravel::com
