#pragma once

#include <memory>

#include "com/ComSupport.h"
#include "com/plugin/ComEvents.h"
#include "host/View.h"

namespace ostravel::com {

class ViewSink;

// A loaded view through IDecalView; its events reach Activate, Deactivate and Size.
class ComView final : public host::View {
 public:
  explicit ComView(ComPtr<IDecalView> view);
  ~ComView() override;
  // The control as the host:: kind it answers to QueryInterface.
  std::shared_ptr<host::Control> ControlByName(const std::string& name) override;

 private:
  ComPtr<IDecalView> view_;
  std::unique_ptr<Advice<ViewSink>> events_;
};

}  // namespace ostravel::com
