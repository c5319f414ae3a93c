#include "com/simhost/ClipboardWatch.h"

namespace ostravel::com::simhost {
namespace {

// The clipboard's Unicode text, "" when it has none or cannot be opened.
std::string ClipboardText() {
  if (!OpenClipboard(nullptr)) return {};
  std::string text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = ToUtf8(std::wstring(wide));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

}  // namespace

ClipboardWatch::ClipboardWatch() : sequence_(GetClipboardSequenceNumber()) {}

std::optional<std::string> ClipboardWatch::Changed() {
  const DWORD now = GetClipboardSequenceNumber();
  if (now == sequence_) return std::nullopt;
  sequence_ = now;
  return ClipboardText();
}

}  // namespace ostravel::com::simhost
