#pragma once

#include <cstdint>
#include <string>

namespace ostravel::sim {

// The host's own error numbers (COM results as the scripting runtime reports them), so that
// failures of the simulated host read like those of the real one.
inline constexpr std::int32_t kInvalidArgNumber = -2147024809;   // E_INVALIDARG
inline constexpr std::int32_t kUnspecifiedNumber = -2147467259;  // E_FAIL
inline constexpr const char* kInvalidArgText = "The parameter is incorrect.";
inline constexpr const char* kInvalidCallText = "Invalid procedure call or argument";
// The source named by failures of the host itself rather than of one of its controls.
inline constexpr const char* kHostSource = "Decal";

// Throws the host's "parameter is incorrect" error on behalf of `source`.
[[noreturn]] void ThrowInvalidArg(const std::string& source);

// Throws run-time error 5 with `detail` after the standard text.
[[noreturn]] void ThrowInvalidCall(const std::string& detail, const std::string& source);

// Throws the host's unspecified failure with `detail` after the standard text.
[[noreturn]] void ThrowUnspecified(const std::string& detail);

}  // namespace ostravel::sim
