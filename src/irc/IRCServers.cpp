#include "irc/IRCServers.h"

#include "common/ErrorHandler.h"

namespace ostravel {

std::shared_ptr<IRCServer> IRCServers::Add(const std::string& ServerName,
                                           const std::string& ServerPort) {
  std::shared_ptr<IRCServer> added;
  ErrorHandler{ctx_, "IRCServers", "Add"}([&] {
    auto server = std::make_shared<IRCServer>(ctx_, ServerName, ServerPort);
    Append(server);
    added = std::move(server);
  });
  return added;
}

}  // namespace ostravel
