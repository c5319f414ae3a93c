#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>

#include "LineReader.h"

namespace ostravel::app {

// Windows has no line editing here: a person types plain lines. The streams are switched to
// bytes, so that output and scripts are byte for byte those of the Linux workbench (no CR is
// added to a line end, none is taken from one but by ReadLine).
LineReader::LineReader()
    : interactive_(_isatty(_fileno(stdin)) != 0), closed_(_get_osfhandle(_fileno(stdin)) == -1) {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

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
  std::cout << prompt << std::flush;
  std::string line;
  if (!std::getline(std::cin, line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

bool OutputIsTerminal() {
  return _isatty(_fileno(stdout)) != 0;
}

}  // namespace ostravel::app
