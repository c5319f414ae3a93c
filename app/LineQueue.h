#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace ostravel::app {

// Lines on their way from the thread that reads them to the workbench's thread, which runs
// the plug-in's loop while it waits. Either thread may call it.
class LineQueue {
 public:
  // The workbench's side.

  // Asks for the next line: a reader that shows a prompt starts reading now. `arrived` is
  // called on the reader's thread once a line (or the end of input) is there; it should only
  // wake the waiting thread.
  void Request(std::string prompt, std::function<void()> arrived);
  // Whether a line, or the end of input, is there to take.
  bool Ready() const;
  // The next line, or nullopt at the end of input; `arrived` is not called any more.
  std::optional<std::string> Take();
  // Nobody wants lines any more: the reader stops at its next step and calls nothing. True
  // when the reader is not inside a read, so that its thread ends at once.
  bool Close();

  // The reader's side.

  // Waits until a line is asked for and returns the prompt, or nullopt once closed.
  std::optional<std::string> WaitForRequest();
  // A line read whole; false once closed.
  bool Deliver(std::string line);
  // Bytes read from a stream: each line end completes a line. False once closed.
  bool Feed(std::string_view bytes);
  // The end of input; an unfinished last line still counts.
  void End();

 private:
  void Arrived(std::unique_lock<std::mutex>& lock);

  mutable std::mutex mutex_;
  std::condition_variable requested_;
  std::deque<std::string> lines_;
  std::string partial_;  // what Feed has seen of a line without its end
  std::string prompt_;
  std::function<void()> arrived_;
  bool wanted_ = false;  // a line is asked for
  bool idle_ = false;    // the reader waits for a request
  bool ended_ = false;
  bool closed_ = false;
};

}  // namespace ostravel::app
