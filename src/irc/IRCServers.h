#pragma once

#include <memory>
#include <string>

#include "irc/IRCServer.h"
#include "irc/KeyedCollection.h"

namespace ostravel {

struct Context;

// The IRC servers of the settings, in the order they were added.
class IRCServers : public KeyedCollection<IRCServer, &IRCServer::ServerName> {
 public:
  explicit IRCServers(Context& ctx) : ctx_(ctx) {}

  // Adds a server; a name already present is reported and nothing is added (nullptr).
  std::shared_ptr<IRCServer> Add(const std::string& ServerName, const std::string& ServerPort);

 private:
  Context& ctx_;
};

}  // namespace ostravel
