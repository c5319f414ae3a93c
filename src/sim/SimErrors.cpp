#include "sim/SimErrors.h"

#include "base/Error.h"

namespace ostravel::sim {

void ThrowInvalidArg(const std::string& source) {
  throw Error(kInvalidArgNumber, kInvalidArgText, source);
}

void ThrowInvalidCall(const std::string& detail, const std::string& source) {
  throw Error(error_number::kInvalidCall, std::string(kInvalidCallText) + ": " + detail, source);
}

void ThrowUnspecified(const std::string& detail) {
  throw Error(kUnspecifiedNumber, "Unspecified error: " + detail, kHostSource);
}

}  // namespace ostravel::sim
