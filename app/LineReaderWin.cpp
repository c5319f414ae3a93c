#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <array>
#include <cstdio>
#include <iostream>

#include "LineReader.h"

namespace ostravel::app {
namespace {

// Console or pipe alike: plain ReadFile, read ahead. Not through the C runtime, whose stream
// lock a read blocked at the end of the process would hold, so that exit would wait for it.
void ReadInput(HANDLE input, const std::shared_ptr<LineQueue>& queue) {
  std::array<char, 4096> buffer;
  for (;;) {
    DWORD count = 0;
    if (!ReadFile(input, buffer.data(), static_cast<DWORD>(buffer.size()), &count, nullptr) ||
        count == 0) {
      break;
    }
    if (!queue->Feed(std::string_view(buffer.data(), count))) return;
  }
  queue->End();
}

}  // namespace

// Windows has no line editing here: a person types plain lines. The streams are switched to
// bytes, so that output and scripts are byte for byte those of the Linux workbench (no CR is
// added to a line end, none is taken from one but by the reader).
LineReader::LineReader()
    : interactive_(_isatty(_fileno(stdin)) != 0), closed_(_get_osfhandle(_fileno(stdin)) == -1) {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

void LineReader::StartReading() {
  const auto input = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stdin)));
  if (closed_ || input == INVALID_HANDLE_VALUE) {
    queue_->End();
    return;
  }
  thread_ = std::thread(ReadInput, input, queue_);
}

struct LineReader::Editor {};

void LineReader::EditorDeleter::operator()(Editor* editor) const {
  delete editor;
}

// Lines are read on the thread; a person sees the prompt and types below the output.
void LineReader::Attach(platform::EventLoop&) {}
void LineReader::Detach() {}
void LineReader::Hide() {}
void LineReader::Show() {}

void LineReader::StartLine(const std::string& prompt) {
  if (interactive_) std::cout << prompt << std::flush;
  if (started_) return;
  started_ = true;
  StartReading();
}

bool OutputIsTerminal() {
  return _isatty(_fileno(stdout)) != 0;
}

}  // namespace ostravel::app
