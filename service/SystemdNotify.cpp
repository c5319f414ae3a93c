#include "service/SystemdNotify.h"

#include <systemd/sd-daemon.h>

#include <cstring>
#include <iostream>

namespace ostravel::service {
namespace {

void Notify(const std::string& state) {
  // 0: NOTIFY_SOCKET stays set; the service starts no program that could take it over.
  const int sent = sd_notify(0, state.c_str());
  if (sent < 0) {
    std::cerr << "ostravel-service: could not tell systemd \"" << state
              << "\": " << std::strerror(-sent) << std::endl;
  }
}

}  // namespace

void NotifyReady(const std::string& status) {
  Notify("READY=1\nSTATUS=" + status);
}

void NotifyStopping() {
  Notify("STOPPING=1");
}

}  // namespace ostravel::service
