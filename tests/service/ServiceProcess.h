#pragma once

#include <sys/types.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ostravel::test {

// `ostravel-service serve` as a child process: started on a free port of 127.0.0.1, waited
// for until it prints its ready line, and stopped by a signal of the test's choosing.
class ServiceProcess {
 public:
  // Throws std::runtime_error when the program does not get ready.
  // A code page of 0 leaves --codepage out; `extra` options follow the others.
  explicit ServiceProcess(const std::filesystem::path& database, int code_page = 1252,
                          const std::vector<std::string>& extra = {});
  ~ServiceProcess();  // kills it if it still runs
  ServiceProcess(const ServiceProcess&) = delete;
  ServiceProcess& operator=(const ServiceProcess&) = delete;

  const std::string& ReadyLine() const { return ready_line_; }
  int Port() const { return port_; }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

  // Sends the signal and waits for the end: the exit code, or 128 + the signal that ended it.
  int Stop(int signal);
  // What it wrote to standard output after the ready line (the access log), and to standard
  // error; whole once Stop has returned.
  std::string Log() const;
  std::string Errors() const;

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::filesystem::path errors_file_;
  std::string ready_line_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::string log_;
  std::thread drain_;
};

// The path of the ostravel-service program under test.
std::string ServiceExe();

}  // namespace ostravel::test
