#include "com/plugin/ComControls.h"

namespace ostravel::com {
namespace {

template <class I>
std::int32_t IdOf(const ComPtr<I>& control) {
  LONG id = 0;
  ThrowIfFailed(control->get_Id(&id));
  return id;
}

template <class I>
std::string NameOf(const ComPtr<I>& control) {
  Bstr name;
  ThrowIfFailed(control->get_Name(name.Put()));
  return name.Utf8();
}

// The control as interface I, or nothing when it is not of that kind.
template <class I>
ComPtr<I> As(const ComPtr<IDecalControl>& control) {
  ComPtr<I> typed;
  if (FAILED(control.As(&typed))) return nullptr;
  return typed;
}

}  // namespace

class NotebookSink final : public Sink<ComNotebook, IDecalNotebookEvents> {
 public:
  explicit NotebookSink(ComNotebook* owner) : Sink(owner) {}
  STDMETHOD(Change)(LONG nID, LONG nNewPage) override {
    return Forward([&](ComNotebook& owner) { owner.Change.Emit(nID, nNewPage); });
  }
};

class ChoiceSink final : public Sink<ComChoice, IDecalChoiceEvents> {
 public:
  explicit ChoiceSink(ComChoice* owner) : Sink(owner) {}
  STDMETHOD(Change)(LONG nID, LONG nIndex) override {
    return Forward([&](ComChoice& owner) { owner.Change.Emit(nID, nIndex); });
  }
};

class CheckboxSink final : public Sink<ComCheckbox, IDecalCheckboxEvents> {
 public:
  explicit CheckboxSink(ComCheckbox* owner) : Sink(owner) {}
  STDMETHOD(Change)(LONG nID, VARIANT_BOOL bChecked) override {
    return Forward([&](ComCheckbox& owner) { owner.Change.Emit(nID, FromVariantBool(bChecked)); });
  }
};

class PushButtonSink final : public Sink<ComPushButton, IDecalPushButtonEvents> {
 public:
  explicit PushButtonSink(ComPushButton* owner) : Sink(owner) {}
  STDMETHOD(Accepted)(LONG nID) override {
    return Forward([&](ComPushButton& owner) { owner.Accepted.Emit(nID); });
  }
};

class ListSink final : public Sink<ComList, IDecalListEvents> {
 public:
  explicit ListSink(ComList* owner) : Sink(owner) {}
  STDMETHOD(Change)(LONG nID, LONG nX, LONG nY) override {
    return Forward([&](ComList& owner) { owner.Change.Emit(nID, nX, nY); });
  }
};

std::shared_ptr<host::Control> MakeControl(const ComPtr<IDecalControl>& control) {
  if (!control)
    throw Error(error_number::kObjectNotSet, "Object variable or With block variable not set");
  if (auto c = As<IDecalNotebook>(control)) return std::make_shared<ComNotebook>(std::move(c));
  if (auto c = As<IDecalChoice>(control)) return std::make_shared<ComChoice>(std::move(c));
  if (auto c = As<IDecalCheckbox>(control)) return std::make_shared<ComCheckbox>(std::move(c));
  if (auto c = As<IDecalEdit>(control)) return std::make_shared<ComEdit>(std::move(c));
  if (auto c = As<IDecalPushButton>(control)) return std::make_shared<ComPushButton>(std::move(c));
  if (auto c = As<IDecalList>(control)) return std::make_shared<ComList>(std::move(c));
  throw Error(error_number::kTypeMismatch, "Type mismatch");
}

// ---- Notebook

ComNotebook::ComNotebook(ComPtr<IDecalNotebook> control)
    : control_(std::move(control)), events_(AdviseSink<NotebookSink>(control_, this)) {}
ComNotebook::~ComNotebook() = default;
std::int32_t ComNotebook::Id() const {
  return IdOf(control_);
}
std::string ComNotebook::Name() const {
  return NameOf(control_);
}

std::int32_t ComNotebook::ActiveTab() const {
  LONG page = 0;
  ThrowIfFailed(control_->get_ActiveTab(&page));
  return page;
}

void ComNotebook::SetActiveTab(std::int32_t page) {
  ThrowIfFailed(control_->put_ActiveTab(page));
}

// ---- Choice

ComChoice::ComChoice(ComPtr<IDecalChoice> control)
    : control_(std::move(control)), events_(AdviseSink<ChoiceSink>(control_, this)) {}
ComChoice::~ComChoice() = default;
std::int32_t ComChoice::Id() const {
  return IdOf(control_);
}
std::string ComChoice::Name() const {
  return NameOf(control_);
}

void ComChoice::AddChoice(const std::string& text, const host::Variant& data) {
  Bstr bstr(text);
  UniqueVariant value;
  ToVariant(data, value.Put());
  ThrowIfFailed(control_->AddChoice(bstr.Get(), value.Get()));
}

std::int32_t ComChoice::ChoiceCount() const {
  LONG count = 0;
  ThrowIfFailed(control_->get_ChoiceCount(&count));
  return count;
}

std::string ComChoice::Text(std::int32_t index) const {
  Bstr text;
  ThrowIfFailed(control_->get_Text(index, text.Put()));
  return text.Utf8();
}

void ComChoice::SetText(std::int32_t index, const std::string& text) {
  Bstr bstr(text);
  ThrowIfFailed(control_->put_Text(index, bstr.Get()));
}

host::Variant ComChoice::Data(std::int32_t index) const {
  UniqueVariant value;
  ThrowIfFailed(control_->get_Data(index, value.Put()));
  return FromVariant(value.Get());
}

std::int32_t ComChoice::Selected() const {
  LONG index = -1;
  ThrowIfFailed(control_->get_Selected(&index));
  return index;
}

void ComChoice::SetSelected(std::int32_t index) {
  ThrowIfFailed(control_->put_Selected(index));
}

// ---- Checkbox

ComCheckbox::ComCheckbox(ComPtr<IDecalCheckbox> control)
    : control_(std::move(control)), events_(AdviseSink<CheckboxSink>(control_, this)) {}
ComCheckbox::~ComCheckbox() = default;
std::int32_t ComCheckbox::Id() const {
  return IdOf(control_);
}
std::string ComCheckbox::Name() const {
  return NameOf(control_);
}

bool ComCheckbox::Checked() const {
  VARIANT_BOOL checked = VARIANT_FALSE;
  ThrowIfFailed(control_->get_Checked(&checked));
  return FromVariantBool(checked);
}

void ComCheckbox::SetChecked(bool checked) {
  ThrowIfFailed(control_->put_Checked(ToVariantBool(checked)));
}

// ---- Edit

ComEdit::ComEdit(ComPtr<IDecalEdit> control) : control_(std::move(control)) {}
std::int32_t ComEdit::Id() const {
  return IdOf(control_);
}
std::string ComEdit::Name() const {
  return NameOf(control_);
}

std::string ComEdit::Text() const {
  Bstr text;
  ThrowIfFailed(control_->get_Text(text.Put()));
  return text.Utf8();
}

void ComEdit::SetText(const std::string& text) {
  Bstr bstr(text);
  ThrowIfFailed(control_->put_Text(bstr.Get()));
}

// ---- PushButton

ComPushButton::ComPushButton(ComPtr<IDecalPushButton> control)
    : control_(std::move(control)), events_(AdviseSink<PushButtonSink>(control_, this)) {}
ComPushButton::~ComPushButton() = default;
std::int32_t ComPushButton::Id() const {
  return IdOf(control_);
}
std::string ComPushButton::Name() const {
  return NameOf(control_);
}

// ---- List

ComList::ComList(ComPtr<IDecalList> control)
    : control_(std::move(control)), events_(AdviseSink<ListSink>(control_, this)) {}
ComList::~ComList() = default;
std::int32_t ComList::Id() const {
  return IdOf(control_);
}
std::string ComList::Name() const {
  return NameOf(control_);
}
void ComList::Clear() {
  ThrowIfFailed(control_->Clear());
}

std::int32_t ComList::Count() const {
  LONG rows = 0;
  ThrowIfFailed(control_->get_Count(&rows));
  return rows;
}

std::int32_t ComList::ColumnCount() const {
  LONG columns = 0;
  ThrowIfFailed(control_->get_ColumnCount(&columns));
  return columns;
}

std::int32_t ComList::AddRow() {
  LONG row = 0;
  ThrowIfFailed(control_->AddRow(&row));
  return row;
}

void ComList::InsertRow(std::int32_t row) {
  ThrowIfFailed(control_->InsertRow(row));
}
void ComList::DeleteRow(std::int32_t row) {
  ThrowIfFailed(control_->DeleteRow(row));
}

host::Variant ComList::Data(std::int32_t column, std::int32_t row, std::int32_t sub_index) const {
  UniqueVariant value;
  ThrowIfFailed(control_->get_Data(column, row, sub_index, value.Put()));
  return FromVariant(value.Get());
}

void ComList::SetData(std::int32_t column, std::int32_t row, std::int32_t sub_index,
                      const host::Variant& value) {
  UniqueVariant variant;
  ToVariant(value, variant.Put());
  ThrowIfFailed(control_->put_Data(column, row, sub_index, variant.Get()));
}

std::int32_t ComList::Color(std::int32_t column, std::int32_t row) const {
  LONG color = 0;
  ThrowIfFailed(control_->get_Color(column, row, &color));
  return color;
}

void ComList::SetColor(std::int32_t column, std::int32_t row, std::int32_t color) {
  ThrowIfFailed(control_->put_Color(column, row, color));
}

}  // namespace ostravel::com
