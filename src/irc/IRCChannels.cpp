#include "irc/IRCChannels.h"

#include "common/ErrorHandler.h"

namespace ostravel {

std::shared_ptr<IRCChannel> IRCChannels::Add(const std::string& ChannelName,
                                             const std::string& Command, std::int32_t ColorCode,
                                             bool Join) {
  std::shared_ptr<IRCChannel> added;
  ErrorHandler{ctx_, "IRCChannels", "Add"}([&] {
    auto channel = std::make_shared<IRCChannel>();
    channel->ChannelName = ChannelName;
    channel->Command = Command;
    channel->ColorCode = ColorCode;
    channel->Join = Join;
    Append(channel);
    added = std::move(channel);
  });
  return added;
}

}  // namespace ostravel
