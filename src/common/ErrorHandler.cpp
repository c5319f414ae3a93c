#include "common/ErrorHandler.h"

#include <new>
#include <stdexcept>

#include "base/Error.h"
#include "common/OstravelLib.h"

namespace ostravel {
namespace {

// Any exception as the error the handlers report: ours keep their parts, library and
// standard ones get the nearest run-time error number.
Error AsError(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const Error& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return Error(error_number::kOutOfMemory, "Out of memory");
  } catch (const std::out_of_range&) {
    return Error(error_number::kSubscriptOutOfRange, "Subscript out of range");
  } catch (const std::invalid_argument&) {
    return Error(error_number::kTypeMismatch, "Type mismatch");
  } catch (const std::overflow_error&) {
    return Error(error_number::kOverflow, "Overflow");
  } catch (const std::exception& e) {
    return Error(error_number::kInternal, e.what());
  } catch (...) {
    return Error(error_number::kInternal, "Internal error");
  }
}

}  // namespace

void ErrorHandler::ReportError(std::exception_ptr error) noexcept {
  try {
    const Error as_error = AsError(error);
    if (report_ == Report::kLogOnly) {
      WriteLog(ctx_, ErrorLine(module_, procedure_, as_error));
    } else {
      LogError(ctx_, module_, procedure_, as_error);
    }
  } catch (...) {
    // Reporting must not fail the host's call; LogError already did what it could.
  }
}

}  // namespace ostravel
