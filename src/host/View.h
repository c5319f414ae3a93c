#pragma once

#include <memory>
#include <string>

#include "base/Error.h"
#include "host/Controls.h"
#include "host/Signal.h"

namespace ostravel::host {

// A loaded view: the window with its controls.
class View {
 public:
  virtual ~View() = default;

  // The control of that name; throws Error when the view has none.
  virtual std::shared_ptr<Control> ControlByName(const std::string& name) = 0;

  Signal<> Activate;
  Signal<> Deactivate;
  // Asked whether the view may be resized; a handler sets the answer.
  Signal<bool& /*answer*/> Size;
};

// The control of that name as the kind the caller expects; throws Error when the view has no
// such control or it is of another kind.
template <class T>
std::shared_ptr<T> GetControl(View& view, const std::string& name) {
  auto control = std::dynamic_pointer_cast<T>(view.ControlByName(name));
  if (!control) throw Error(error_number::kTypeMismatch, "Type mismatch");
  return control;
}

}  // namespace ostravel::host
