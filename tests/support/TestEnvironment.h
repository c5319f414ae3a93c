#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/Context.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/EventLoop.h"
#include "platform/HttpClient.h"

namespace ostravel::test {

// A clock that says what the test tells it.
class FixedClock final : public platform::Clock {
 public:
  platform::DateTime LocalNow() const override { return now; }
  std::int64_t MonotonicMs() const override { return monotonic_ms; }
  platform::DateTime now{2026, 12, 6, 6, 37, 19};
  std::int64_t monotonic_ms = 1'000'000;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// What the host gives a plug-in, made for tests: a loop, the 1252 code page, a fixed clock, a
// temporary plug-in folder and a real HTTP client.
struct TestEnvironment {
  platform::EventLoop loop;
  std::unique_ptr<platform::CodePage> code_page = platform::CodePage::Open(1252);
  FixedClock clock;
  TempFolder folder;
  std::unique_ptr<platform::HttpClient> http = platform::HttpClient::Create(loop);

  Environment Env() { return Environment{loop, *code_page, clock, folder.Path(), http.get()}; }

  // Writes "Ostravel.xml" into the plug-in folder.
  void WriteSettings(const std::string& xml) const;
  // Runs the loop until no HTTP request is in flight (at most 10 s); false if time ran out.
  bool Settle();
};

// The whole content of a file ("" when it does not exist).
std::string ReadFile(const std::filesystem::path& file);

// The lines of a file split at CR LF.
std::vector<std::string> ReadCrLfLines(const std::filesystem::path& file);

}  // namespace ostravel::test
