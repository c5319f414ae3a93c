#include <windows.h>

#include <cstring>

#include "platform/Clipboard.h"
#include "platform/WideText.h"

namespace ostravel::platform {
namespace {

// Owns the clipboard while it is open.
class OpenClipboardScope {
 public:
  OpenClipboardScope() : open_(OpenClipboard(nullptr) != FALSE) {}
  ~OpenClipboardScope() {
    if (open_) CloseClipboard();
  }
  OpenClipboardScope(const OpenClipboardScope&) = delete;
  OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
  bool IsOpen() const { return open_; }

 private:
  bool open_;
};

}  // namespace

bool SetClipboardText(const std::string& utf8) {
  const std::wstring wide = ToWide(utf8);
  const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!memory) return false;
  auto* text = static_cast<wchar_t*>(GlobalLock(memory));
  if (!text) {
    GlobalFree(memory);
    return false;
  }
  std::memcpy(text, wide.c_str(), bytes);
  GlobalUnlock(memory);

  OpenClipboardScope clipboard;
  if (!clipboard.IsOpen() || !EmptyClipboard() || !SetClipboardData(CF_UNICODETEXT, memory)) {
    GlobalFree(memory);  // still ours: the clipboard did not take it
    return false;
  }
  return true;  // the clipboard owns the memory now
}

}  // namespace ostravel::platform
