#include "wire/CharacterKey.h"

#include <algorithm>

namespace ostravel::wire {

bool IsCharacterKey(std::string_view text) {
  constexpr std::size_t kShortest = 16;
  constexpr std::size_t kLongest = 128;
  if (text.size() < kShortest || text.size() > kLongest) return false;
  return std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-';
  });
}

}  // namespace ostravel::wire
