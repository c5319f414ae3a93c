#pragma once

#include <optional>
#include <string>

#include "com/ComSupport.h"

namespace ostravel::com::simhost {

// The plug-in puts text on the system's clipboard itself (the host's hooks have no such
// operation), so the host notices it as a person would: the clipboard has changed.
class ClipboardWatch {
 public:
  // Changes made before this count as seen.
  ClipboardWatch();

  // The clipboard's text when it has changed since the last look (empty when it holds no
  // text), else nullopt.
  std::optional<std::string> Changed();

 private:
  DWORD sequence_;
};

}  // namespace ostravel::com::simhost
