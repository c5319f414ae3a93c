#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace ostravel {

// The one error type of the plug-in, shaped like the host's error object: every failed
// host call, library call or check raises it, and the error handlers report its three parts.
class Error : public std::runtime_error {
 public:
  Error(std::int32_t number, std::string description, std::string source = kOwnSource);

  std::int32_t Number() const noexcept { return number_; }
  const std::string& Description() const noexcept { return description_; }
  const std::string& Source() const noexcept { return source_; }

  // The source named by errors that the plug-in raises itself (not the host's or a library's).
  static constexpr const char* kOwnSource = "Ostravel";

 private:
  std::int32_t number_;
  std::string description_;
  std::string source_;
};

// The run-time error numbers the plug-in raises itself, numbered as the game client's
// scripting runtime numbers them so that log lines read the same on every platform.
namespace error_number {
inline constexpr std::int32_t kInvalidCall = 5;
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kOutOfMemory = 7;
inline constexpr std::int32_t kSubscriptOutOfRange = 9;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kFileAccess = 75;
inline constexpr std::int32_t kObjectNotSet = 91;
inline constexpr std::int32_t kObjectRequired = 424;
inline constexpr std::int32_t kInternal = 51;
}  // namespace error_number

// The object a reference holds; throws Error "Object variable or With block variable not set"
// when it holds none (a host object that could not be had, or one already released).
template <class Pointer>
auto& Require(const Pointer& pointer) {
  if (!pointer) {
    throw Error(error_number::kObjectNotSet, "Object variable or With block variable not set");
  }
  return *pointer;
}

}  // namespace ostravel
