#include "service/http/HeaderChecks.h"

#include <strings.h>

#include <cstdlib>

#include "service/http/AccessLog.h"
#include "service/http/MhdConnection.h"

namespace ostravel::service {
namespace {

const char* Header(MHD_Connection* connection, const char* name) {
  return MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
}

}  // namespace

std::optional<HeaderRefusal> HeaderProblem(MHD_Connection* connection, std::size_t maxHeaderBytes,
                                           std::size_t maxBodyBytes) {
  if (HeaderBytes(connection) > maxHeaderBytes) {
    return HeaderRefusal{MHD_HTTP_REQUEST_HEADER_FIELDS_TOO_LARGE, "Request headers too large.\n",
                         "headers over " + std::to_string(maxHeaderBytes) + " bytes"};
  }
  if (HasSpaceBeforeColon(connection)) {
    return HeaderRefusal{MHD_HTTP_BAD_REQUEST, "Bad request.\n",
                         "white space before a header's colon"};
  }
  const char* coding = Header(connection, "Transfer-Encoding");
  if (coding != nullptr && strcasecmp(coding, "chunked") != 0) {
    // The library would wait for the end of a body it cannot read.
    return HeaderRefusal{MHD_HTTP_NOT_IMPLEMENTED, "Transfer-Encoding not supported.\n",
                         "transfer encoding " + AccessLog::Field(coding)};
  }
  const char* length = Header(connection, "Content-Length");
  if (ContentLengthHeaders(connection) > 1 || (coding != nullptr && length != nullptr)) {
    // Two ways of telling where the body ends: a proxy in front may read it the other way.
    return HeaderRefusal{MHD_HTTP_BAD_REQUEST, "Bad request.\n", "ambiguous body length"};
  }
  if (length != nullptr && std::strtoull(length, nullptr, 10) > maxBodyBytes) {
    return HeaderRefusal{MHD_HTTP_CONTENT_TOO_LARGE, "Request too large.\n",
                         "body over " + std::to_string(maxBodyBytes) + " bytes"};
  }
  return std::nullopt;
}

}  // namespace ostravel::service
