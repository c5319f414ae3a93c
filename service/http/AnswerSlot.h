#pragma once

#include <microhttpd.h>

#include <memory>
#include <mutex>
#include <optional>

#include "service/http/HttpTypes.h"

namespace ostravel::service {

// Where a handler's answer waits for the connection it belongs to. A request whose answer is
// not ready when its handler returns has its connection suspended, so that the worker thread
// goes on serving its other connections; the answer, from whatever thread, resumes it. The
// slot outlives the connection (a late answer after a forced one finds it delivered already).
class AnswerSlot {
 public:
  explicit AnswerSlot(MHD_Connection* connection) : connection_(connection) {}

  // The answer; only the first counts. Resumes the connection if it waits.
  void Deliver(HttpResponse response);
  // On the connection's thread after the handler has returned: the answer if it is there,
  // else the connection is suspended until Deliver and nullopt returned.
  std::optional<HttpResponse> TakeOrSuspend();
  // On the connection's thread once it runs again: the answer Deliver left.
  HttpResponse Take();
  // True once an answer has arrived.
  bool Delivered();

 private:
  HttpResponse TakeLocked();

  std::mutex mutex_;
  MHD_Connection* const connection_;
  std::optional<HttpResponse> response_;
  bool delivered_ = false;
  bool suspended_ = false;
};

}  // namespace ostravel::service
