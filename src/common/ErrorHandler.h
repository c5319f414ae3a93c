#pragma once

#include <exception>
#include <string_view>

namespace ostravel {

struct Context;

// The error handler of one procedure. Calling it runs a piece of the procedure's body; an error
// raised there is reported with the module and procedure names ("Error in Module.Procedure.
// Number: ..." to the log and to chat) and goes no further.
//
// A procedure that leaves at its first error runs its whole body in one call:
//   ErrorHandler{ctx, "TabMembers", "Refresh"}([&] { ... });
// A procedure that resumes after each failing statement runs each statement in its own call:
//   ErrorHandler step{ctx, "OstravelMain", "Iplugin2_Initialize"};
//   step([&] { ... });
//   step([&] { ... });
class ErrorHandler {
 public:
  // Where a report goes: the log and the chat, or (for the IRC line parser, whose failures
  // are the server's, not the player's) the log alone.
  enum class Report { kLogAndChat, kLogOnly };

  ErrorHandler(Context& ctx, std::string_view module, std::string_view procedure,
               Report report = Report::kLogAndChat)
      : ctx_(ctx), module_(module), procedure_(procedure), report_(report) {}

  // Runs `body`; returns false when it raised an error (which has then been reported).
  template <class Body>
  bool operator()(Body&& body) noexcept {
    try {
      body();
      return true;
    } catch (...) {
      ReportError(std::current_exception());
      return false;
    }
  }

 private:
  void ReportError(std::exception_ptr error) noexcept;

  Context& ctx_;
  std::string_view module_;
  std::string_view procedure_;
  Report report_;
};

}  // namespace ostravel
