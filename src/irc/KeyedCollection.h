#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/AsciiText.h"
#include "base/Error.h"
#include "irc/IRCUsers.h"

namespace ostravel {

// Members kept in the order they were added, found by their name without regard to letter
// case. `Name` gives a member's name.
template <class T, std::string T::*Name>
class KeyedCollection {
 public:
  // The member with that name; throws Error when there is none.
  std::shared_ptr<T> Item(std::string_view key) const {
    const auto found = Find(key);
    if (found == members_.end()) {
      throw Error(error_number::kInvalidCall, "Invalid procedure call or argument");
    }
    return *found;
  }
  std::int32_t Count() const { return static_cast<std::int32_t>(members_.size()); }
  // Removes the member with that name; throws Error when there is none.
  void Remove(std::string_view key) {
    const auto found = Find(key);
    if (found == members_.end()) {
      throw Error(error_number::kInvalidCall, "Invalid procedure call or argument");
    }
    members_.erase(found);
  }
  bool Exists(std::string_view key) const { return Find(key) != members_.end(); }

  auto begin() const { return members_.begin(); }
  auto end() const { return members_.end(); }

 protected:
  // Appends a member whose name is not taken yet; throws Error when it is.
  void Append(std::shared_ptr<T> member) {
    if (Exists((*member).*Name)) {
      throw Error(457, "This key is already associated with an element of this collection");
    }
    members_.push_back(std::move(member));
  }

 private:
  auto Find(std::string_view key) const {
    const std::string lower = LowerCase(key);
    return std::find_if(members_.begin(), members_.end(),
                        [&](const auto& member) { return LowerCase((*member).*Name) == lower; });
  }

  std::vector<std::shared_ptr<T>> members_;
};

}  // namespace ostravel
