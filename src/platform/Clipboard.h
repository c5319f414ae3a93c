#pragma once

#include <string>

namespace ostravel::platform {

// Puts UTF-8 text on the system clipboard (as Unicode text on Windows); true when the clipboard
// took it. Where there is no system clipboard (Linux builds) it takes nothing and returns
// false: the simulated host keeps a clipboard of its own.
bool SetClipboardText(const std::string& utf8);

}  // namespace ostravel::platform
