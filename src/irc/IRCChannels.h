#pragma once

#include <memory>
#include <string>

#include "irc/IRCChannel.h"
#include "irc/KeyedCollection.h"

namespace ostravel {

struct Context;

// The channels of one server, in the order they were added.
class IRCChannels : public KeyedCollection<IRCChannel, &IRCChannel::ChannelName> {
 public:
  explicit IRCChannels(Context& ctx) : ctx_(ctx) {}

  // Adds a channel; a name already present is reported and nothing is added (nullptr).
  std::shared_ptr<IRCChannel> Add(const std::string& ChannelName, const std::string& Command,
                                  std::int32_t ColorCode, bool Join);

 private:
  Context& ctx_;
};

}  // namespace ostravel
