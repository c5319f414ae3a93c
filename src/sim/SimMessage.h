#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/Message.h"

namespace ostravel::sim {

// A server message (or a sub-structure of one) held in memory.
class SimMessageMember : public host::MessageMember {
 public:
  host::Variant Value(std::string_view name) const override;
  std::vector<std::uint8_t> RawValue(std::string_view name) const override;
  const host::MessageMember& Struct(std::string_view name) const override;
  const host::MessageMember& Struct(std::int32_t index) const override;

  void SetValue(const std::string& name, host::Variant value);
  void SetRaw(const std::string& name, std::vector<std::uint8_t> bytes);
  SimMessageMember& AddStruct(const std::string& name);
  SimMessageMember& AppendElement();

 private:
  std::map<std::string, host::Variant, std::less<>> values_;
  std::map<std::string, std::vector<std::uint8_t>, std::less<>> raw_;
  std::map<std::string, std::unique_ptr<SimMessageMember>, std::less<>> structs_;
  std::vector<std::unique_ptr<SimMessageMember>> elements_;
};

class SimMessage final : public host::Message {
 public:
  explicit SimMessage(std::int32_t type) : type_(type) {}
  std::int32_t Type() const override { return type_; }
  host::Variant Value(std::string_view name) const override { return fields_.Value(name); }
  std::vector<std::uint8_t> RawValue(std::string_view name) const override {
    return fields_.RawValue(name);
  }
  const host::MessageMember& Struct(std::string_view name) const override {
    return fields_.Struct(name);
  }
  const host::MessageMember& Struct(std::int32_t index) const override {
    return fields_.Struct(index);
  }

  SimMessageMember& Fields() { return fields_; }

 private:
  std::int32_t type_;
  SimMessageMember fields_;
};

// Builds a message from the workbench's JSON form:
// {"type": T, "fields": {...}} where, inside fields, an object is a sub-structure by name, an
// array a sub-structure by index, {"$raw": "HEX"} raw bytes, {"$qword": N} the 8
// little-endian bytes of N, and any other value a field value. Throws std::runtime_error
// with a message that says what is wrong.
std::unique_ptr<SimMessage> ParseMessage(std::string_view json_text);

}  // namespace ostravel::sim
