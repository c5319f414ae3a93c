#include "common/ChatSafeText.h"

#include <algorithm>

#include "base/Utf8.h"

namespace ostravel {
namespace {

bool IsLineBreak(char32_t c) {
  return c == U'\n' || c == U'\r';
}

bool IsControl(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

}  // namespace

std::string ChatSafeText(std::string_view text) {
  std::string safe;
  safe.reserve(std::min(text.size(), kMaxChatTextBytes) + kChatCutMark.size());
  std::size_t line_bytes = 0;
  bool line_cut = false;  // the rest of this line goes
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t start = pos;
    const char32_t c = platform::NextCodePoint(text, pos);
    // An invalid byte decodes as U+FFFD and passes as it came.
    const std::string_view bytes = c == U'\t' ? " " : text.substr(start, pos - start);
    if (IsLineBreak(c)) {
      line_bytes = 0;
      line_cut = false;
    } else if (line_cut || (IsControl(c) && c != U'\t')) {
      continue;
    } else if (line_bytes + bytes.size() > kMaxChatLineBytes) {
      safe.append(kChatCutMark);
      line_cut = true;
      continue;
    } else {
      line_bytes += bytes.size();
    }
    if (safe.size() + bytes.size() > kMaxChatTextBytes) {
      if (!safe.ends_with(kChatCutMark)) safe.append(kChatCutMark);
      return safe;
    }
    safe.append(bytes);
  }
  return safe;
}

}  // namespace ostravel
