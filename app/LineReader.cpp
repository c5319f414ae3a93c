#include "LineReader.h"

#include <editline/readline.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>

namespace ostravel::app {
namespace {

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

// A person: a line is read only when the workbench asks for one, since the prompt names the
// page the previous line may have changed.
void ReadEdited(const std::shared_ptr<LineQueue>& queue) {
  while (auto prompt = queue->WaitForRequest()) {
    std::unique_ptr<char, decltype(&std::free)> raw(readline(prompt->c_str()), &std::free);
    if (!raw) break;
    std::string line(raw.get());
    if (line.find_first_not_of(" \t") != std::string::npos) add_history(raw.get());
    if (!queue->Deliver(std::move(line))) return;
  }
  queue->End();
}

}  // namespace

LineReader::LineReader()
    : interactive_(isatty(STDIN_FILENO) == 1), closed_(fcntl(STDIN_FILENO, F_GETFD) == -1) {}

void LineReader::StartReading() {
  if (closed_) {
    queue_->End();
    return;
  }
  thread_ = std::thread(interactive_ ? ReadEdited : ReadScript, queue_);
}

// editline shows the prompt itself when it reads the line.
void LineReader::ShowPrompt(const std::string&) const {}

bool OutputIsTerminal() {
  return isatty(STDOUT_FILENO) == 1;
}

}  // namespace ostravel::app
