#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace ostravel::host {

// Keeps one handler connected to a Signal; disconnects it when destroyed, so a handler
// never runs after the object that connected it is gone.
class Connection {
 public:
  Connection() = default;
  explicit Connection(std::function<void()> disconnect) : disconnect_(std::move(disconnect)) {}
  Connection(Connection&& other) noexcept : disconnect_(std::exchange(other.disconnect_, {})) {}
  Connection& operator=(Connection&& other) noexcept {
    if (this != &other) {
      Disconnect();
      disconnect_ = std::exchange(other.disconnect_, {});
    }
    return *this;
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() { Disconnect(); }

  void Disconnect() {
    if (auto disconnect = std::exchange(disconnect_, {})) disconnect();
  }
  bool Connected() const { return static_cast<bool>(disconnect_); }

 private:
  std::function<void()> disconnect_;
};

// An event of a host object (or of one of our own objects). Handlers run in the order they
// were connected. A handler may connect or disconnect handlers, or destroy their owners,
// while the event is being raised: a handler disconnected during the call is not called.
template <class... Args>
class Signal {
 public:
  using Handler = std::function<void(Args...)>;

  Signal() = default;
  Signal(const Signal&) = delete;
  Signal& operator=(const Signal&) = delete;

  [[nodiscard]] Connection Connect(Handler handler) {
    auto slot = std::make_shared<Slot>(Slot{std::move(handler), true});
    slots_->push_back(slot);
    std::weak_ptr<Slots> weak_slots = slots_;
    std::weak_ptr<Slot> weak_slot = slot;
    return Connection([weak_slots, weak_slot] {
      auto slot_alive = weak_slot.lock();
      if (!slot_alive) return;
      slot_alive->connected = false;
      if (auto slots = weak_slots.lock()) std::erase(*slots, slot_alive);
    });
  }

  // Raises the event. Arguments taken by reference (such as an out-flag) reach every handler.
  void Emit(Args... args) const {
    const Slots snapshot = *slots_;
    for (const auto& slot : snapshot) {
      if (slot->connected) slot->handler(args...);
    }
  }

  std::size_t HandlerCount() const { return slots_->size(); }

 private:
  struct Slot {
    Handler handler;
    bool connected;
  };
  using Slots = std::vector<std::shared_ptr<Slot>>;
  std::shared_ptr<Slots> slots_ = std::make_shared<Slots>();
};

}  // namespace ostravel::host
