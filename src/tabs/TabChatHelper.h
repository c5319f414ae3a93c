#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace ostravel {

struct Context;

// The "Chat" page: the tells other players sent, newest first, kept in the settings file, and
// the away reply while "afk" is ticked.
class TabChatHelper {
 public:
  explicit TabChatHelper(Context& ctx);
  // Saves the newest tells when the settings were loaded.
  ~TabChatHelper();
  TabChatHelper(const TabChatHelper&) = delete;
  TabChatHelper& operator=(const TabChatHelper&) = delete;

  // A private tell the game delivered; only tells to this character are listed.
  void ReceivedDirectChat(const std::string& SenderName, std::int32_t SenderID,
                          std::int32_t ReceiverID, const std::string& Message);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ostravel
