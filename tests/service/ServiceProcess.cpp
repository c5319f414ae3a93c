#include "ServiceProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace ostravel::test {

std::string ServiceExe() {
  return OSTRAVEL_SERVICE_EXE;
}

ServiceProcess::ServiceProcess(const std::filesystem::path& database, int code_page,
                               const std::vector<std::string>& extra)
    : errors_file_(database.string() + ".stderr") {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) throw std::runtime_error("pipe failed");
  const std::string exe = ServiceExe();
  const std::string db = database.string();
  std::vector<std::string> args = {exe, "serve", "--db", db, "--listen", "127.0.0.1:0"};
  if (code_page != 0) args.insert(args.end(), {"--codepage", std::to_string(code_page)});
  args.insert(args.end(), extra.begin(), extra.end());
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const std::string errors = errors_file_.string();
  pid_ = fork();
  if (pid_ == 0) {
    dup2(pipe_ends[1], STDOUT_FILENO);
    const int err = open(errors.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    dup2(err, STDERR_FILENO);
    const int null = open("/dev/null", O_RDONLY);
    dup2(null, STDIN_FILENO);
    close(pipe_ends[0]);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  close(pipe_ends[1]);
  out_ = pipe_ends[0];
  // The ready line, within a minute (the machine may be busy).
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd fd{out_, POLLIN, 0};
    if (poll(&fd, 1, 1000) <= 0) continue;
    char c = 0;
    if (read(out_, &c, 1) != 1) break;
    line += c;
  }
  std::smatch match;
  static const std::regex kReady(R"(listening on http://127\.0\.0\.1:(\d+)/)");
  if (!std::regex_search(line, match, kReady)) {
    Stop(SIGKILL);
    throw std::runtime_error("ostravel-service did not get ready: " + line + Errors());
  }
  ready_line_ = line.substr(0, line.size() - 1);
  port_ = std::stoi(match[1]);
  drain_ = std::thread([this] {
    char buffer[4096];
    for (ssize_t n; (n = read(out_, buffer, sizeof buffer)) > 0;) {
      std::lock_guard lock(mutex_);
      log_.append(buffer, static_cast<std::size_t>(n));
    }
  });
}

ServiceProcess::~ServiceProcess() {
  if (pid_ > 0) Stop(SIGKILL);
  std::filesystem::remove(errors_file_);
}

int ServiceProcess::Stop(int signal) {
  if (pid_ <= 0) return -1;
  kill(pid_, signal);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  if (drain_.joinable()) drain_.join();
  if (out_ >= 0) close(out_);
  out_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string ServiceProcess::Log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

std::string ServiceProcess::Errors() const {
  std::ifstream in(errors_file_);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace ostravel::test
