#include "sim/SimView.h"

#include "base/Error.h"
#include "sim/SimErrors.h"
#include "sim/ViewBuilder.h"

namespace ostravel::sim {

std::shared_ptr<SimView> SimView::Load(const std::string& xml) {
  return ViewBuilder::Build(xml);
}

std::shared_ptr<host::Control> SimView::ControlByName(const std::string& name) {
  auto control = Find(name);
  if (!control) throw Error(kInvalidArgNumber, "No control named " + name, kHostSource);
  return control;
}

std::shared_ptr<host::Control> SimView::Find(const std::string& name) const {
  auto found = controls_.find(name);
  return found == controls_.end() ? nullptr : found->second;
}

}  // namespace ostravel::sim
