#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "host/Variant.h"

namespace ostravel::host {

// A server message as the host decoded it, or one of its sub-structures. Every operation
// throws Error when the message has no such field or element.
class MessageMember {
 public:
  virtual ~MessageMember() = default;
  virtual Variant Value(std::string_view name) const = 0;
  // The field's bytes as they came over the wire (used for 64-bit fields).
  virtual std::vector<std::uint8_t> RawValue(std::string_view name) const = 0;
  virtual const MessageMember& Struct(std::string_view name) const = 0;
  // The element at a 0-based index of an array-like sub-structure.
  virtual const MessageMember& Struct(std::int32_t index) const = 0;
};

class Message : public MessageMember {
 public:
  virtual std::int32_t Type() const = 0;
};

}  // namespace ostravel::host
