#include "LineReader.h"

// The parts of the line reader that both builds share; LineReader.cpp and LineReaderWin.cpp
// read the lines.
namespace ostravel::app {

LineReader::~LineReader() {
  Detach();
  const bool idle = queue_->Close();
  if (!thread_.joinable()) return;
  // A read blocked on a console or a pipe nobody closes would never return: that thread is
  // left to the end of the process, holding nothing but the queue it shares.
  if (idle) {
    thread_.join();
  } else {
    thread_.detach();
  }
}

void LineReader::Request(const std::string& prompt, std::function<void()> arrived) {
  queue_->Request(prompt, std::move(arrived));
  StartLine(prompt);
}

bool LineReader::Ready() const {
  return queue_->Ready();
}

std::optional<std::string> LineReader::Take() {
  return queue_->Take();
}

}  // namespace ostravel::app
