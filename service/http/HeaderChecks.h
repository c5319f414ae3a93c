#pragma once

#include <microhttpd.h>

#include <cstddef>
#include <optional>
#include <string>

namespace ostravel::service {

// Why a request is refused on its headers alone, before its body is read.
struct HeaderRefusal {
  int status = 400;
  std::string text;  // the answer's body
  std::string note;  // for the access log
};

// The first thing wrong with the request's headers: too many bytes of them, white space
// before a colon, a body length given twice or both ways, an unknown transfer coding, a body
// announced larger than `maxBodyBytes`. nullopt when nothing is.
std::optional<HeaderRefusal> HeaderProblem(MHD_Connection* connection, std::size_t maxHeaderBytes,
                                           std::size_t maxBodyBytes);

}  // namespace ostravel::service
