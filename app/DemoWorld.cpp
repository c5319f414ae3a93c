#include "DemoWorld.h"

#include <algorithm>
#include <utility>

#include "base/AsciiText.h"

namespace ostravel::app {
bool SameName(std::string_view a, std::string_view b) {
  return EqualsIgnoreCase(a, b);
}

DemoMessage& DemoWorld::AddMessage(std::int32_t sender, std::int32_t recipient,
                                   std::string recipient_name, std::string text,
                                   const platform::DateTime& received) {
  DemoMessage& message = messages.emplace_back();
  message.id = next_message_id++;
  message.sender = sender;
  message.recipient = recipient;
  message.recipient_name = std::move(recipient_name);
  message.text = std::move(text);
  message.received = received;
  return message;
}

DemoEvent& DemoWorld::AddEvent(const platform::DateTime& when, bool has_time, std::string title,
                               std::string description, std::int32_t added_by) {
  DemoEvent& event = events.emplace_back();
  event.id = next_event_id++;
  event.when = when;
  event.has_time = has_time;
  event.title = std::move(title);
  event.description = std::move(description);
  event.added_by = added_by;
  return event;
}

DemoMember* DemoWorld::FindMember(std::int32_t id) {
  const auto it =
      std::find_if(members.begin(), members.end(), [&](const auto& m) { return m.id == id; });
  return it == members.end() ? nullptr : &*it;
}

const DemoMember* DemoWorld::FindMember(std::int32_t id) const {
  return const_cast<DemoWorld*>(this)->FindMember(id);
}

DemoMember* DemoWorld::FindMember(std::string_view name) {
  const auto it = std::find_if(members.begin(), members.end(),
                               [&](const auto& m) { return SameName(m.name, name); });
  return it == members.end() ? nullptr : &*it;
}

std::string DemoWorld::NameOf(std::int32_t id, std::string_view fallback) const {
  const DemoMember* member = id == 0 ? nullptr : FindMember(id);
  return member ? member->name : std::string(fallback);
}

bool DemoWorld::InFellowship(std::int32_t id) const {
  return std::any_of(fellowships.begin(), fellowships.end(), [&](const auto& entry) {
    const DemoFellowship& f = entry.second;
    return f.leader_id == id || std::any_of(f.fellows.begin(), f.fellows.end(),
                                            [&](const DemoFellow& x) { return x.id == id; });
  });
}

}  // namespace ostravel::app
