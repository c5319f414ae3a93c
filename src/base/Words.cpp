#include "base/Words.h"

namespace ostravel {
namespace {

constexpr std::string_view kWhiteSpace = " \t\r\n";

}  // namespace

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kWhiteSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

std::vector<std::string_view> SplitWords(std::string_view text) {
  std::vector<std::string_view> words;
  for (auto split = FirstWord(text); !split.word.empty(); split = FirstWord(split.rest)) {
    words.push_back(split.word);
  }
  return words;
}

WordAndRest FirstWord(std::string_view text) {
  text = Trim(text);
  const std::size_t end = text.find_first_of(kWhiteSpace);
  if (end == std::string_view::npos) return {text, {}};
  return {text.substr(0, end), Trim(text.substr(end))};
}

}  // namespace ostravel
