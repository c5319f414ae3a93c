#include "com/simhost/ControlObjects.h"

#include "com/simhost/Guarded.h"
#include "base/Error.h"

namespace ostravel::com::simhost {

NotebookObject::NotebookObject(std::shared_ptr<host::Notebook> control,
                               std::shared_ptr<HostCounters> counters)
    : EventfulControl(std::move(control), std::move(counters)) {
  connection_ = control_->Change.Connect([this](std::int32_t id, std::int32_t page) {
    Raise([&](IDecalNotebookEvents* sink) { sink->Change(id, page); });
  });
}

HRESULT NotebookObject::get_ActiveTab(LONG* page) {
  if (!page) return E_POINTER;
  return Guarded([&] { *page = control_->ActiveTab(); });
}

HRESULT NotebookObject::put_ActiveTab(LONG page) {
  return Guarded([&] { control_->SetActiveTab(page); });
}

ChoiceObject::ChoiceObject(std::shared_ptr<host::Choice> control,
                           std::shared_ptr<HostCounters> counters)
    : EventfulControl(std::move(control), std::move(counters)) {
  connection_ = control_->Change.Connect([this](std::int32_t id, std::int32_t index) {
    Raise([&](IDecalChoiceEvents* sink) { sink->Change(id, index); });
  });
}

HRESULT ChoiceObject::AddChoice(BSTR text, VARIANT data) {
  return Guarded([&] { control_->AddChoice(ToUtf8(text), FromVariant(data)); });
}

HRESULT ChoiceObject::get_ChoiceCount(LONG* count) {
  if (!count) return E_POINTER;
  return Guarded([&] { *count = control_->ChoiceCount(); });
}

HRESULT ChoiceObject::get_Text(LONG index, BSTR* text) {
  if (!text) return E_POINTER;
  *text = nullptr;
  return Guarded([&] { *text = Bstr(control_->Text(index)).Detach(); });
}

HRESULT ChoiceObject::put_Text(LONG index, BSTR text) {
  return Guarded([&] { control_->SetText(index, ToUtf8(text)); });
}

HRESULT ChoiceObject::get_Data(LONG index, VARIANT* data) {
  if (!data) return E_POINTER;
  VariantInit(data);
  return Guarded([&] { ToVariant(control_->Data(index), data); });
}

HRESULT ChoiceObject::get_Selected(LONG* index) {
  if (!index) return E_POINTER;
  return Guarded([&] { *index = control_->Selected(); });
}

HRESULT ChoiceObject::put_Selected(LONG index) {
  return Guarded([&] { control_->SetSelected(index); });
}

CheckboxObject::CheckboxObject(std::shared_ptr<host::Checkbox> control,
                               std::shared_ptr<HostCounters> counters)
    : EventfulControl(std::move(control), std::move(counters)) {
  connection_ = control_->Change.Connect([this](std::int32_t id, bool checked) {
    Raise([&](IDecalCheckboxEvents* sink) { sink->Change(id, ToVariantBool(checked)); });
  });
}

HRESULT CheckboxObject::get_Checked(VARIANT_BOOL* checked) {
  if (!checked) return E_POINTER;
  return Guarded([&] { *checked = ToVariantBool(control_->Checked()); });
}

HRESULT CheckboxObject::put_Checked(VARIANT_BOOL checked) {
  return Guarded([&] { control_->SetChecked(FromVariantBool(checked)); });
}

EditObject::EditObject(std::shared_ptr<host::Edit> control, std::shared_ptr<HostCounters> counters)
    : ControlObject(std::move(control), std::move(counters)) {}

HRESULT EditObject::Advise(IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_POINTER;
  *cookie = 0;
  return E_NOINTERFACE;
}

HRESULT EditObject::Unadvise(DWORD) {
  return CONNECT_E_NOCONNECTION;
}

HRESULT EditObject::get_Text(BSTR* text) {
  if (!text) return E_POINTER;
  *text = nullptr;
  return Guarded([&] { *text = Bstr(control_->Text()).Detach(); });
}

HRESULT EditObject::put_Text(BSTR text) {
  return Guarded([&] { control_->SetText(ToUtf8(text)); });
}

PushButtonObject::PushButtonObject(std::shared_ptr<host::PushButton> control,
                                   std::shared_ptr<HostCounters> counters)
    : EventfulControl(std::move(control), std::move(counters)) {
  connection_ = control_->Accepted.Connect([this](std::int32_t id) {
    Raise([&](IDecalPushButtonEvents* sink) { sink->Accepted(id); });
  });
}

ListObject::ListObject(std::shared_ptr<host::List> control, std::shared_ptr<HostCounters> counters)
    : EventfulControl(std::move(control), std::move(counters)) {
  connection_ = control_->Change.Connect([this](std::int32_t id, std::int32_t x, std::int32_t y) {
    Raise([&](IDecalListEvents* sink) { sink->Change(id, x, y); });
  });
}

HRESULT ListObject::Clear() {
  return Guarded([&] { control_->Clear(); });
}

HRESULT ListObject::get_Count(LONG* rows) {
  if (!rows) return E_POINTER;
  return Guarded([&] { *rows = control_->Count(); });
}

HRESULT ListObject::get_ColumnCount(LONG* columns) {
  if (!columns) return E_POINTER;
  return Guarded([&] { *columns = control_->ColumnCount(); });
}

HRESULT ListObject::AddRow(LONG* row) {
  if (!row) return E_POINTER;
  return Guarded([&] { *row = control_->AddRow(); });
}

HRESULT ListObject::InsertRow(LONG row) {
  return Guarded([&] { control_->InsertRow(row); });
}

HRESULT ListObject::DeleteRow(LONG row) {
  return Guarded([&] { control_->DeleteRow(row); });
}

HRESULT ListObject::get_Data(LONG column, LONG row, LONG subIndex, VARIANT* value) {
  if (!value) return E_POINTER;
  VariantInit(value);
  return Guarded([&] { ToVariant(control_->Data(column, row, subIndex), value); });
}

HRESULT ListObject::put_Data(LONG column, LONG row, LONG subIndex, VARIANT value) {
  return Guarded([&] { control_->SetData(column, row, subIndex, FromVariant(value)); });
}

HRESULT ListObject::get_Color(LONG column, LONG row, LONG* color) {
  if (!color) return E_POINTER;
  return Guarded([&] { *color = control_->Color(column, row); });
}

HRESULT ListObject::put_Color(LONG column, LONG row, LONG color) {
  return Guarded([&] { control_->SetColor(column, row, color); });
}

namespace {

// The COM object of one kind, if the control is of that kind.
template <class Object, class Kind>
bool TryMake(const std::shared_ptr<host::Control>& control,
             const std::shared_ptr<HostCounters>& counters, ComPtr<IDecalControl>& made) {
  auto typed = std::dynamic_pointer_cast<Kind>(control);
  if (!typed) return false;
  made = MakeComObject<Object>(std::move(typed), counters);
  return true;
}

}  // namespace

ComPtr<IDecalControl> MakeControlObject(const std::shared_ptr<host::Control>& control,
                                        const std::shared_ptr<HostCounters>& counters) {
  ComPtr<IDecalControl> made;
  const bool known = TryMake<NotebookObject, host::Notebook>(control, counters, made) ||
                     TryMake<ChoiceObject, host::Choice>(control, counters, made) ||
                     TryMake<CheckboxObject, host::Checkbox>(control, counters, made) ||
                     TryMake<EditObject, host::Edit>(control, counters, made) ||
                     TryMake<PushButtonObject, host::PushButton>(control, counters, made) ||
                     TryMake<ListObject, host::List>(control, counters, made);
  if (!known) throw Error(error_number::kTypeMismatch, "Type mismatch");
  return made;
}

}  // namespace ostravel::com::simhost
