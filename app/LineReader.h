#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "EditedLine.h"
#include "LineQueue.h"

namespace ostravel::platform {
class EventLoop;
}

namespace ostravel::app {

// Where the workbench's lines come from: a person at a terminal (with line editing and
// history) or a script on standard input. A script is read on a thread of its own, so that the
// workbench's thread can run the plug-in's loop while nobody types; on Linux a person's line is
// edited on the loop itself, between the plug-in's events, so that chat arriving meanwhile is
// printed above the prompt instead of into the line being typed.
class LineReader final : public EditedLine {
 public:
  // Looks at standard input once; construct it before opening any file, so that a closed
  // standard input is seen as such and not as whatever file takes its place.
  LineReader();
  // A reader still blocked in a read is left to the end of the process.
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  bool Interactive() const { return interactive_; }

  // Where a person's line is edited, from the next Request on; Detach before the loop ends.
  // Scripts (and Windows, which has no line editing) keep their own thread.
  void Attach(platform::EventLoop& loop);
  void Detach();

  // Asks for the next line; the prompt shows only to a person. `arrived` is called on the
  // reader's thread once the line (or the end of input) is there, until Take.
  void Request(const std::string& prompt, std::function<void()> arrived);
  // Whether the line asked for, or the end of input, is there.
  bool Ready() const;
  // The line without its line end, or nullopt at the end of input.
  std::optional<std::string> Take();

  void Hide() override;
  void Show() override;

  // The platform's line editor on the loop (Linux only).
  struct Editor;
  struct EditorDeleter {
    void operator()(Editor* editor) const;
  };

 private:
  // Starts reading the line just asked for.
  void StartLine(const std::string& prompt);
  // The reading thread, started with the first line asked for.
  void StartReading();

  bool interactive_ = false;
  bool closed_ = false;
  bool started_ = false;
  std::shared_ptr<LineQueue> queue_ = std::make_shared<LineQueue>();
  std::unique_ptr<Editor, EditorDeleter> editor_;
  std::thread thread_;
};

// Whether standard output goes to a terminal (colour is only for a person).
bool OutputIsTerminal();

}  // namespace ostravel::app
