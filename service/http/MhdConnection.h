#pragma once

#include <microhttpd.h>

#include <string>

namespace ostravel::service {

// Small readings of libmicrohttpd's connection state, each in the form the server logs or
// keeps it.
std::string ClientAddress(MHD_Connection* connection);
std::string AddressText(const sockaddr* address);
// The socket context set when the connection opened (the connection watch's token).
void* SocketContext(MHD_Connection* connection);
int SocketDescriptor(MHD_Connection* connection);
std::size_t HeaderBytes(MHD_Connection* connection);
// How many Content-Length headers the request has (the library keeps only the first).
int ContentLengthHeaders(MHD_Connection* connection);
// True when a header's name ends in white space ("Content-Length : 5"): the library keeps such
// a header under another name, so its body would be read as the next request.
bool HasSpaceBeforeColon(MHD_Connection* connection);
// The status the library answered with itself (400, 431), 0 if none.
int LibraryStatus(MHD_Connection* connection);
// Why a request ended, for the log line; empty when it ended well.
const char* Ending(MHD_RequestTerminationCode code);
// A message of the library without the HTML of the error page it quotes.
std::string WithoutErrorPage(std::string message);

}  // namespace ostravel::service
