#include "service/http/MhdConnection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <strings.h>

#include <string_view>

namespace ostravel::service {
namespace {

const MHD_ConnectionInfo* Info(MHD_Connection* connection, MHD_ConnectionInfoType type) {
  return MHD_get_connection_info(connection, type);
}

MHD_Result CountContentLength(void* count, MHD_ValueKind, const char* key, const char*) {
  if (strcasecmp(key, "Content-Length") == 0) ++*static_cast<int*>(count);
  return MHD_YES;
}

MHD_Result FindSpacedName(void* found, MHD_ValueKind, const char* key, const char*) {
  const std::string_view name(key == nullptr ? "" : key);
  if (!name.empty() && (name.back() == ' ' || name.back() == '\t')) {
    *static_cast<bool*>(found) = true;
    return MHD_NO;
  }
  return MHD_YES;
}

}  // namespace

bool HasSpaceBeforeColon(MHD_Connection* connection) {
  bool found = false;
  MHD_get_connection_values(connection, MHD_HEADER_KIND, &FindSpacedName, &found);
  return found;
}

std::string ClientAddress(MHD_Connection* connection) {
  const auto* info = Info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
  return AddressText(info == nullptr ? nullptr : info->client_addr);
}

std::string AddressText(const sockaddr* address) {
  char text[INET6_ADDRSTRLEN] = "?";
  if (address != nullptr && address->sa_family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
  } else if (address != nullptr && address->sa_family == AF_INET6) {
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text,
              sizeof text);
  }
  return text;
}

void* SocketContext(MHD_Connection* connection) {
  const auto* info = Info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
  return info == nullptr ? nullptr : info->socket_context;
}

int SocketDescriptor(MHD_Connection* connection) {
  const auto* info = Info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
  return info == nullptr ? -1 : info->connect_fd;
}

std::size_t HeaderBytes(MHD_Connection* connection) {
  const auto* info = Info(connection, MHD_CONNECTION_INFO_REQUEST_HEADER_SIZE);
  return info == nullptr ? 0 : info->header_size;
}

int ContentLengthHeaders(MHD_Connection* connection) {
  int count = 0;
  MHD_get_connection_values(connection, MHD_HEADER_KIND, &CountContentLength, &count);
  return count;
}

int LibraryStatus(MHD_Connection* connection) {
  const auto* info = Info(connection, MHD_CONNECTION_INFO_HTTP_STATUS);
  return info == nullptr ? 0 : static_cast<int>(info->http_status);
}

const char* Ending(MHD_RequestTerminationCode code) {
  switch (code) {
    case MHD_REQUEST_TERMINATED_COMPLETED_OK:
      return "";
    case MHD_REQUEST_TERMINATED_TIMEOUT_REACHED:
      return "closed: idle time-out";
    case MHD_REQUEST_TERMINATED_DAEMON_SHUTDOWN:
      return "closed: server stopping";
    case MHD_REQUEST_TERMINATED_CLIENT_ABORT:
    case MHD_REQUEST_TERMINATED_READ_ERROR:
      return "closed by the client";
    default:
      return "closed";
  }
}

std::string WithoutErrorPage(std::string message) {
  if (const auto page = message.find(" ('<"); page != std::string::npos) {
    const auto end = message.find("')", page);
    message.erase(page, end == std::string::npos ? std::string::npos : end + 2 - page);
  }
  return message;
}

}  // namespace ostravel::service
