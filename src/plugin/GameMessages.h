#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/Message.h"

namespace ostravel {

struct Context;
struct AllegianceRecord;

// Picks the plug-in's messages out of the game server's traffic: experience totals, the
// allegiance, private tells and the fellowship's changes.
class GameMessages {
 public:
  // Where the messages are handed on to (the pages that show them).
  class Listener {
   public:
    virtual ~Listener() = default;
    // Game event 456: the allegiance is known; the Update and IRC pages act on it.
    virtual void UpdateAllegiance() = 0;
    virtual void ReceivedDirectChat(const std::string& sender_name, std::int32_t sender_id,
                                    std::int32_t receiver_id, const std::string& message) = 0;
    virtual void FellowCreate(std::int32_t count, std::int32_t leader_id, const std::string& name,
                              bool open, bool share_xp) = 0;
    virtual void FellowAdd(std::int32_t id, const std::string& name, std::int32_t level,
                           std::int32_t health, std::int32_t stamina, std::int32_t mana,
                           std::int32_t& index) = 0;
    virtual void FellowMemberQuit(std::int32_t id) = 0;
    virtual void FellowMemberDismiss(std::int32_t id) = 0;
    virtual void FellowDisband() = 0;
  };

  GameMessages(Context& ctx, Listener& listener);

  // Every message from the game server.
  void Echo2_EchoServer(const host::Message& pMsg);

  static constexpr std::int32_t kCharacterQword = 719;  // a 64-bit property of the character
  static constexpr std::int32_t kGameEvent = 63408;

 private:
  void CharacterQword(const host::Message& message);
  void GameEvent(const host::Message& message);
  void PropertyUpdate(const host::Message& message);
  void AllegianceUpdate(const host::Message& message);
  void FillRecord(AllegianceRecord& record, const host::MessageMember& element);
  void DirectChat(const host::Message& message);
  void FellowshipReport(const host::Message& message);
  void FellowJoined(const host::Message& message);
  void StoreQword(std::int32_t key, const std::vector<std::uint8_t>& bytes);

  Context& ctx_;
  Listener& listener_;
};

// The 8 little-endian bytes of an unsigned 64-bit value as a double (precision is lost above
// 2^53). Throws Error when there are fewer than 8 bytes.
double QWordToDouble(const std::vector<std::uint8_t>& bytes);

}  // namespace ostravel
