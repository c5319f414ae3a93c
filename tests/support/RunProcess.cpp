#include "support/RunProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace ostravel::test_support {
namespace {

// The child's standard streams go through files: no pipe can fill up and stall either side.
class TempFolder {
 public:
  TempFolder() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("run-process-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::filesystem::path operator/(const char* name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::string ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class FileActions {
 public:
  FileActions() { posix_spawn_file_actions_init(&actions_); }
  ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  posix_spawn_file_actions_t* Get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

pid_t Spawn(const std::vector<std::string>& argv, const ProcessOptions& options,
            const TempFolder& temp) {
  const auto in_path = (temp / "in").string();
  const auto out_path = (temp / "out").string();
  const auto err_path = (temp / "err").string();
  FileActions actions;
  if (options.input) {
    std::ofstream(in_path, std::ios::binary) << *options.input;
    posix_spawn_file_actions_addopen(actions.Get(), 0, in_path.c_str(), O_RDONLY, 0);
  } else {
    posix_spawn_file_actions_addclose(actions.Get(), 0);
  }
  posix_spawn_file_actions_addopen(actions.Get(), 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(actions.Get(), 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  const auto cwd = options.cwd.string();
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(actions.Get(), cwd.c_str());
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, args[0], actions.Get(), nullptr, args.data(), environ);
  if (error != 0) throw std::runtime_error(argv[0] + ": cannot start: " + std::strerror(error));
  return pid;
}

int WaitFor(pid_t pid, std::chrono::seconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done == -1 && errno != EINTR) throw std::runtime_error("waitpid failed");
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      throw std::runtime_error("the process did not end in time and was killed");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
  TempFolder temp;
  const pid_t pid = Spawn(argv, options, temp);
  ProcessResult result;
  result.exit_code = WaitFor(pid, options.timeout);
  result.out = ReadAll(temp / "out");
  result.err = ReadAll(temp / "err");
  return result;
}

}  // namespace ostravel::test_support
