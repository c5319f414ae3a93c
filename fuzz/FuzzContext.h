#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "common/Context.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/EventLoop.h"

namespace ostravel::fuzz {

// Hooks that drop everything the plug-in shows: a fuzz target checks results, not chat.
class SilentHooks final : public host::Hooks {
 public:
  void ChatOut(const std::string&, std::int32_t, std::int32_t) override {}
  void ChatText(const std::string&, std::int32_t, std::int32_t) override {}
  void InvokeChatParser(const std::string&) override {}
  std::int32_t CurrentSelection() const override { return 0; }
  std::int32_t Location() const override { return 0; }
  bool SetClipboardText(const std::string&) override { return true; }
  void TypeText(const std::string&, std::int32_t) override {}
};

// A clock stopped at one moment, so that runs repeat exactly.
class StoppedClock final : public platform::Clock {
 public:
  platform::DateTime LocalNow() const override { return {2026, 12, 6, 6, 37, 19}; }
  std::int64_t MonotonicMs() const override { return 0; }
};

// What a plug-in object needs around it, made once per fuzzing process: a loop, the code
// page, a stopped clock, silent hooks and a folder of its own under the temporary folder
// (removed at exit) for "log.txt" and "Ostravel.xml".
class FuzzWorld {
 public:
  static FuzzWorld& Get();

  Context& Ctx() { return *ctx_; }
  const std::filesystem::path& Folder() const { return folder_; }
  const platform::CodePage& CodePage(int number) const;

  // Empties "log.txt", which error reports would otherwise grow run after run.
  void ForgetLog() const;

 private:
  FuzzWorld();
  ~FuzzWorld();

  std::filesystem::path folder_;
  platform::EventLoop loop_;
  std::unique_ptr<platform::CodePage> cp1252_;
  std::unique_ptr<platform::CodePage> cp932_;
  StoppedClock clock_;
  std::unique_ptr<Context> ctx_;
};

// Stops the run with a crash the fuzzer records when a property does not hold.
void Require(bool holds, const char* what);

// Takes input apart: a byte at a time, or pieces up to a separator byte.
class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  std::uint8_t Byte() {
    if (rest_.empty()) return 0;
    const auto byte = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return byte;
  }
  // The text up to the next `separator` (which is dropped), or all that is left.
  std::string_view Piece(char separator = '\0') {
    const auto at = rest_.find(separator);
    const std::string_view piece = rest_.substr(0, at);
    rest_.remove_prefix(at == std::string_view::npos ? rest_.size() : at + 1);
    return piece;
  }
  std::string_view Rest() const { return rest_; }

 private:
  std::string_view rest_;
};

}  // namespace ostravel::fuzz
