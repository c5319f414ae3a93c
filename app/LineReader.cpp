#include "LineReader.h"

#include <editline/readline.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <asio/posix/stream_descriptor.hpp>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/EventLoop.h"

namespace ostravel::app {

// A person's line, edited with libedit's callback interface: the loop watches the terminal and
// hands libedit each key as it comes, so the workbench's output and the editing share one
// thread and never write over each other.
struct LineReader::Editor {
  Editor(asio::io_context& context, std::shared_ptr<LineQueue> lines)
      : input(context, dup(STDIN_FILENO)), queue(std::move(lines)) {}

  asio::posix::stream_descriptor input;
  std::shared_ptr<LineQueue> queue;
  bool editing = false;  // a prompt is shown and a line is being typed
  // A wait that completed just before the editor went must not reach it.
  std::shared_ptr<Editor*> self = std::make_shared<Editor*>(this);
};

void LineReader::EditorDeleter::operator()(Editor* editor) const {
  delete editor;
}

namespace {

// libedit calls a plain function when a line is complete, and there is one terminal: this is
// the editor whose line it is, while one is being edited.
LineReader::Editor* editing_now = nullptr;

// A script: read ahead with plain reads, not through stdio, whose lock a read blocked at the
// end of the process would hold.
void ReadScript(const std::shared_ptr<LineQueue>& queue) {
  std::array<char, 4096> buffer;
  for (;;) {
    const ssize_t count = read(STDIN_FILENO, buffer.data(), buffer.size());
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    if (!queue->Feed(std::string_view(buffer.data(), static_cast<std::size_t>(count)))) return;
  }
  queue->End();
}

// The line is complete (nullptr: the end of input). The terminal goes back to its own mode
// while the workbench runs the line; the next Request shows the next prompt.
void LineComplete(char* raw) {
  std::unique_ptr<char, decltype(&std::free)> owned(raw, &std::free);
  LineReader::Editor* editor = std::exchange(editing_now, nullptr);
  rl_callback_handler_remove();
  if (!editor) return;
  editor->editing = false;
  if (!raw) {
    editor->queue->End();
    return;
  }
  std::string line(raw);
  if (line.find_first_not_of(" \t") != std::string::npos) add_history(raw);
  editor->queue->Deliver(std::move(line));
}

void AwaitKey(LineReader::Editor& editor) {
  editor.input.async_wait(
      asio::posix::stream_descriptor::wait_read,
      [alive = std::weak_ptr<LineReader::Editor*>(editor.self)](const asio::error_code& error) {
        const auto self = alive.lock();
        if (error || !self || !(*self)->editing) return;
        // Readable with nothing to read: the terminal is gone (libedit would only return,
        // and the wait would come back at once for ever). That is the end of input.
        int waiting = 0;
        if (ioctl(STDIN_FILENO, FIONREAD, &waiting) != 0 || waiting == 0) {
          LineComplete(nullptr);
          return;
        }
        rl_callback_read_char();
        if ((*self)->editing) AwaitKey(**self);
      });
}

}  // namespace

LineReader::LineReader()
    : interactive_(isatty(STDIN_FILENO) == 1), closed_(fcntl(STDIN_FILENO, F_GETFD) == -1) {}

void LineReader::Attach(platform::EventLoop& loop) {
  if (!interactive_ || closed_ || editor_) return;
  editor_.reset(new Editor(loop.IoContext(), queue_));
}

void LineReader::Detach() {
  if (!editor_) return;
  if (editor_->editing) {
    editing_now = nullptr;
    // Leaves the terminal as it found it.
    rl_callback_handler_remove();
  }
  editor_.reset();
}

void LineReader::StartLine(const std::string& prompt) {
  if (editor_) {
    editor_->editing = true;
    editing_now = editor_.get();
    rl_callback_handler_install(prompt.c_str(), LineComplete);
    AwaitKey(*editor_);
    return;
  }
  if (started_) return;
  started_ = true;
  StartReading();
}

void LineReader::StartReading() {
  if (closed_) {
    queue_->End();
    return;
  }
  // Without a loop to edit on, a person's lines are read plainly, as a script's are.
  thread_ = std::thread(ReadScript, queue_);
}

void LineReader::Hide() {
  if (!editor_ || !editor_->editing) return;
  // To the start of the line, and the line erased.
  std::fputs("\r\033[K", stdout);
  std::fflush(stdout);
}

void LineReader::Show() {
  if (!editor_ || !editor_->editing) return;
  rl_forced_update_display();
}

bool OutputIsTerminal() {
  return isatty(STDOUT_FILENO) == 1;
}

}  // namespace ostravel::app
