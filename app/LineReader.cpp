#include "LineReader.h"

#include <editline/readline.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <memory>

namespace ostravel::app {

LineReader::LineReader()
    : interactive_(isatty(STDIN_FILENO) == 1), closed_(fcntl(STDIN_FILENO, F_GETFD) == -1) {}

std::optional<std::string> LineReader::ReadLine(const std::string& prompt) {
  if (closed_) return std::nullopt;
  if (interactive_) return ReadEdited(prompt);
  std::string line;
  if (!std::getline(std::cin, line)) return std::nullopt;
  // Scripts written on Windows end their lines with CR LF.
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::optional<std::string> LineReader::ReadEdited(const std::string& prompt) {
  std::unique_ptr<char, decltype(&std::free)> raw(readline(prompt.c_str()), &std::free);
  if (!raw) return std::nullopt;
  std::string line(raw.get());
  if (line.find_first_not_of(" \t") != std::string::npos) add_history(raw.get());
  return line;
}

bool OutputIsTerminal() {
  return isatty(STDOUT_FILENO) == 1;
}

}  // namespace ostravel::app
