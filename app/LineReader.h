#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "LineQueue.h"

namespace ostravel::app {

// Where the workbench's lines come from: a person at a terminal (with line editing and
// history) or a script on standard input. Lines are read on a thread of their own, so that
// the workbench's thread can run the plug-in's loop while nobody types.
class LineReader {
 public:
  // Looks at standard input once; construct it before opening any file, so that a closed
  // standard input is seen as such and not as whatever file takes its place.
  LineReader();
  // A reader still blocked in a read is left to the end of the process.
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  bool Interactive() const { return interactive_; }

  // Asks for the next line; the prompt shows only to a person. `arrived` is called on the
  // reader's thread once the line (or the end of input) is there, until Take.
  void Request(const std::string& prompt, std::function<void()> arrived);
  // Whether the line asked for, or the end of input, is there.
  bool Ready() const;
  // The line without its line end, or nullopt at the end of input.
  std::optional<std::string> Take();

 private:
  void StartReading();
  // Before a line is asked for: the prompt, where the platform's reader does not show it.
  void ShowPrompt(const std::string& prompt) const;

  bool interactive_ = false;
  bool closed_ = false;
  bool started_ = false;
  std::shared_ptr<LineQueue> queue_ = std::make_shared<LineQueue>();
  std::thread thread_;
};

// Whether standard output goes to a terminal (colour is only for a person).
bool OutputIsTerminal();

}  // namespace ostravel::app
