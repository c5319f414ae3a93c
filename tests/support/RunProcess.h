#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ostravel::test_support {

struct ProcessResult {
  // The exit code; 128 + the signal for a process killed by one.
  int exit_code = -1;
  std::string out;
  std::string err;
};

struct ProcessOptions {
  // The text on the child's standard input; nullopt runs it with standard input closed.
  std::optional<std::string> input = std::string();
  // The child's working folder; empty keeps the test's own.
  std::filesystem::path cwd;
  // A child still running then is killed, so a hanging program fails its test instead of
  // hanging the suite.
  std::chrono::seconds timeout{60};
};

// Runs a program (argv[0] is its path) to its end and collects what it wrote. Throws
// std::runtime_error when it cannot be started or has to be killed.
ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

}  // namespace ostravel::test_support
