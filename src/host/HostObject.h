#pragma once

namespace ostravel::host {

// Anything the plug-in site hands out by path (the network filters).
class HostObject {
 public:
  virtual ~HostObject() = default;
};

}  // namespace ostravel::host
