#include "service/http/AnswerSlot.h"

namespace ostravel::service {

void AnswerSlot::Deliver(HttpResponse response) {
  const std::lock_guard lock(mutex_);
  if (delivered_) return;
  delivered_ = true;
  response_ = std::move(response);
  if (suspended_) {
    suspended_ = false;
    MHD_resume_connection(connection_);
  }
}

std::optional<HttpResponse> AnswerSlot::TakeOrSuspend() {
  const std::lock_guard lock(mutex_);
  if (delivered_) return TakeLocked();
  // Under the lock, so that an answer arriving now waits until the suspension it must undo.
  suspended_ = true;
  MHD_suspend_connection(connection_);
  return std::nullopt;
}

HttpResponse AnswerSlot::Take() {
  const std::lock_guard lock(mutex_);
  return TakeLocked();
}

bool AnswerSlot::Delivered() {
  const std::lock_guard lock(mutex_);
  return delivered_;
}

HttpResponse AnswerSlot::TakeLocked() {
  HttpResponse response =
      response_ ? std::move(*response_) : HttpResponse::Plain(500, "Internal server error.\n");
  response_.reset();
  return response;
}

}  // namespace ostravel::service
