#include "platform/Clipboard.h"

namespace ostravel::platform {

bool SetClipboardText(const std::string&) {
  return false;
}

}  // namespace ostravel::platform
