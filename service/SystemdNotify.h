#pragma once

#include <string>

namespace ostravel::service {

// Tells systemd that the service is ready to answer (a unit of Type=notify becomes active only
// then), with STATUS as the line `systemctl status` shows. Outside systemd (no NOTIFY_SOCKET)
// it does nothing. A message that cannot be sent is reported on standard error, since the unit
// would then wait for it in vain.
void NotifyReady(const std::string& status);

// Tells systemd that the service is shutting down: the unit shows as deactivating while the
// requests in flight are finished and the database closes.
void NotifyStopping();

}  // namespace ostravel::service
