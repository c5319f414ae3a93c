#pragma once

#include <string_view>
#include <vector>

namespace ostravel {

// Words of typed text, where spaces, tabs and line breaks all separate (chat arguments and form
// values, which may carry the line feeds of a multi-line record).

// Without leading and trailing white space.
std::string_view Trim(std::string_view text);

// The words of a text, split at runs of white space.
std::vector<std::string_view> SplitWords(std::string_view text);

// The first word of a text and what follows it (without the separating white space).
struct WordAndRest {
  std::string_view word;
  std::string_view rest;
};
WordAndRest FirstWord(std::string_view text);

}  // namespace ostravel
