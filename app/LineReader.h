#pragma once

#include <istream>
#include <optional>
#include <string>

namespace ostravel::app {

// Where the workbench's lines come from: a person at a terminal (with line editing and
// history) or a script on standard input.
class LineReader {
 public:
  // Looks at standard input once; construct it before opening any file, so that a closed
  // standard input is seen as such and not as whatever file takes its place.
  LineReader();

  bool Interactive() const { return interactive_; }
  // The next line without its line end, or nullopt at the end of input. The prompt shows only
  // to a person.
  std::optional<std::string> ReadLine(const std::string& prompt);

 private:
  std::optional<std::string> ReadEdited(const std::string& prompt);

  bool interactive_ = false;
  bool closed_ = false;
};

// Whether standard output goes to a terminal (colour is only for a person).
bool OutputIsTerminal();

}  // namespace ostravel::app
