#pragma once

#include <memory>
#include <utility>

#include "com/ComSupport.h"
#include "com/simhost/HostCounters.h"
#include "host/Controls.h"

namespace ostravel::com::simhost {

// What every control of a view answers: its id and its name, over the host's control.
template <class Interface, class Control>
class ControlObject : public ComObject<Interface>, protected Counted {
 public:
  STDMETHOD(get_Id)(LONG* id) override {
    if (!id) return E_POINTER;
    *id = control_->Id();
    return S_OK;
  }
  STDMETHOD(get_Name)(BSTR* name) override {
    if (!name) return E_POINTER;
    try {
      *name = Bstr(control_->Name()).Detach();
      return S_OK;
    } catch (...) {
      return ReportedHresult();
    }
  }

 protected:
  ControlObject(std::shared_ptr<Control> control, std::shared_ptr<HostCounters> counters)
      : Counted(std::move(counters)), control_(std::move(control)) {}

  std::shared_ptr<Control> control_;
};

// A control that raises events to the sinks advised on it.
template <class Interface, class Control, class Events>
class EventfulControl : public ControlObject<Interface, Control> {
 public:
  STDMETHOD(Advise)(IUnknown* sink, DWORD* cookie) override { return sinks_.Advise(sink, cookie); }
  STDMETHOD(Unadvise)(DWORD cookie) override { return sinks_.Unadvise(cookie); }

 protected:
  using ControlObject<Interface, Control>::ControlObject;

  // Hands an event of the host's control to every sink. The object stays alive meanwhile,
  // even if a sink releases its last reference.
  template <class Call>
  void Raise(Call&& call) {
    ComPtr<Interface> hold(this);
    this->Deliver(sinks_, std::forward<Call>(call));
  }

  EventSource<Events> sinks_;
  host::Connection connection_;
};

class NotebookObject final
    : public EventfulControl<IDecalNotebook, host::Notebook, IDecalNotebookEvents> {
 public:
  NotebookObject(std::shared_ptr<host::Notebook> control, std::shared_ptr<HostCounters> counters);
  STDMETHOD(get_ActiveTab)(LONG* page) override;
  STDMETHOD(put_ActiveTab)(LONG page) override;
};

class ChoiceObject final : public EventfulControl<IDecalChoice, host::Choice, IDecalChoiceEvents> {
 public:
  ChoiceObject(std::shared_ptr<host::Choice> control, std::shared_ptr<HostCounters> counters);
  STDMETHOD(AddChoice)(BSTR text, VARIANT data) override;
  STDMETHOD(get_ChoiceCount)(LONG* count) override;
  STDMETHOD(get_Text)(LONG index, BSTR* text) override;
  STDMETHOD(get_Data)(LONG index, VARIANT* data) override;
  STDMETHOD(get_Selected)(LONG* index) override;
  STDMETHOD(put_Selected)(LONG index) override;
  STDMETHOD(put_Text)(LONG index, BSTR text) override;
};

class CheckboxObject final
    : public EventfulControl<IDecalCheckbox, host::Checkbox, IDecalCheckboxEvents> {
 public:
  CheckboxObject(std::shared_ptr<host::Checkbox> control, std::shared_ptr<HostCounters> counters);
  STDMETHOD(get_Checked)(VARIANT_BOOL* checked) override;
  STDMETHOD(put_Checked)(VARIANT_BOOL checked) override;
};

// An edit box raises no event, so nothing can be advised on it.
class EditObject final : public ControlObject<IDecalEdit, host::Edit> {
 public:
  EditObject(std::shared_ptr<host::Edit> control, std::shared_ptr<HostCounters> counters);
  STDMETHOD(Advise)(IUnknown* sink, DWORD* cookie) override;
  STDMETHOD(Unadvise)(DWORD cookie) override;
  STDMETHOD(get_Text)(BSTR* text) override;
  STDMETHOD(put_Text)(BSTR text) override;
};

class PushButtonObject final
    : public EventfulControl<IDecalPushButton, host::PushButton, IDecalPushButtonEvents> {
 public:
  PushButtonObject(std::shared_ptr<host::PushButton> control,
                   std::shared_ptr<HostCounters> counters);
};

class ListObject final : public EventfulControl<IDecalList, host::List, IDecalListEvents> {
 public:
  ListObject(std::shared_ptr<host::List> control, std::shared_ptr<HostCounters> counters);
  STDMETHOD(Clear)() override;
  STDMETHOD(get_Count)(LONG* rows) override;
  STDMETHOD(get_ColumnCount)(LONG* columns) override;
  STDMETHOD(AddRow)(LONG* row) override;
  STDMETHOD(InsertRow)(LONG row) override;
  STDMETHOD(DeleteRow)(LONG row) override;
  STDMETHOD(get_Data)(LONG column, LONG row, LONG subIndex, VARIANT* value) override;
  STDMETHOD(put_Data)(LONG column, LONG row, LONG subIndex, VARIANT value) override;
  STDMETHOD(get_Color)(LONG column, LONG row, LONG* color) override;
  STDMETHOD(put_Color)(LONG column, LONG row, LONG color) override;
};

// The COM object for a control of the host's view, of the interface its kind answers; throws
// Error for a control of a kind the declared interfaces do not know.
ComPtr<IDecalControl> MakeControlObject(const std::shared_ptr<host::Control>& control,
                                        const std::shared_ptr<HostCounters>& counters);

}  // namespace ostravel::com::simhost
