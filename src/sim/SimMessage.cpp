#include "sim/SimMessage.h"

#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <utility>

#include "sim/BoundedJson.h"
#include "sim/SimErrors.h"

namespace ostravel::sim {
namespace {

using nlohmann::json;

// The source of the errors a message raises, as the host's message object names itself.
constexpr const char* kMessageSource = "DecalNet.Message";

[[noreturn]] void NoSuchField(std::string_view name) {
  ThrowInvalidCall("the message has no field \"" + std::string(name) + "\"", kMessageSource);
}

[[noreturn]] void Malformed(const std::string& where, const std::string& problem) {
  throw std::runtime_error("message: " + where + ": " + problem);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<std::uint8_t> ParseHex(const std::string& where, const json& value) {
  if (!value.is_string()) Malformed(where, "$raw must be a string of hex digits");
  std::vector<std::uint8_t> bytes;
  int high = -1;
  for (char c : value.get_ref<const std::string&>()) {
    if (c == ' ') continue;
    const int digit = HexDigit(c);
    if (digit < 0) Malformed(where, std::string("$raw has a character that is no hex digit: ") + c);
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high * 16 + digit));
      high = -1;
    }
  }
  if (high >= 0) Malformed(where, "$raw has an odd number of hex digits");
  return bytes;
}

std::uint64_t QwordOf(const std::string& where, const json& value) {
  if (value.is_number_unsigned()) return value.get<std::uint64_t>();
  // A negative number stands for its two's complement, as the int64 that Value() gives back.
  if (value.is_number_integer()) return static_cast<std::uint64_t>(value.get<std::int64_t>());
  Malformed(where, "$qword must be an integer");
}

host::Variant ScalarOf(const json& value) {
  if (value.is_null()) return {};
  if (value.is_boolean()) return value.get<bool>();
  if (value.is_number_unsigned()) return static_cast<std::int64_t>(value.get<std::uint64_t>());
  if (value.is_number_integer()) return value.get<std::int64_t>();
  if (value.is_number_float()) return value.get<double>();
  return value.get<std::string>();
}

void ReadFields(SimMessageMember& member, const json& fields, const std::string& where);

// An object of one "$" key is a typed value rather than a sub-structure.
bool ReadDirective(SimMessageMember& member, const std::string& name, const json& value,
                   const std::string& where) {
  if (!value.is_object() || value.size() != 1 || !value.begin().key().starts_with('$')) {
    return false;
  }
  const std::string& key = value.begin().key();
  if (key == "$raw") {
    member.SetRaw(name, ParseHex(where, value.front()));
  } else if (key == "$qword") {
    const std::uint64_t qword = QwordOf(where, value.front());
    std::vector<std::uint8_t> bytes(8);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      bytes[i] = static_cast<std::uint8_t>(qword >> (8 * i));
    }
    member.SetRaw(name, std::move(bytes));
    member.SetValue(name, static_cast<std::int64_t>(qword));
  } else {
    Malformed(where, "unknown typed value \"" + key + "\"");
  }
  return true;
}

void ReadField(SimMessageMember& member, const std::string& name, const json& value,
               const std::string& where) {
  if (ReadDirective(member, name, value, where)) return;
  if (value.is_object()) return ReadFields(member.AddStruct(name), value, where);
  if (!value.is_array()) return member.SetValue(name, ScalarOf(value));
  SimMessageMember& array = member.AddStruct(name);
  for (std::size_t i = 0; i < value.size(); ++i) {
    const std::string element_where = where + "[" + std::to_string(i) + "]";
    if (!value[i].is_object()) Malformed(element_where, "an array element must be an object");
    ReadFields(array.AppendElement(), value[i], element_where);
  }
}

void ReadFields(SimMessageMember& member, const json& fields, const std::string& where) {
  for (const auto& [name, value] : fields.items()) {
    ReadField(member, name, value, where + "." + name);
  }
}

std::int32_t TypeOf(const json& document) {
  const auto type = document.find("type");
  if (type == document.end()) Malformed("type", "the key is missing");
  if (type->is_number_unsigned() && type->get<std::uint64_t>() <= 0xFFFFFFFFu) {
    return static_cast<std::int32_t>(type->get<std::uint32_t>());
  }
  if (type->is_number_integer()) {
    const std::int64_t value = type->get<std::int64_t>();
    if (value >= std::numeric_limits<std::int32_t>::min() &&
        value <= std::numeric_limits<std::int32_t>::max()) {
      return static_cast<std::int32_t>(value);
    }
  }
  Malformed("type", "must be a 32-bit integer");
}

}  // namespace

host::Variant SimMessageMember::Value(std::string_view name) const {
  auto found = values_.find(name);
  if (found == values_.end()) NoSuchField(name);
  return found->second;
}

std::vector<std::uint8_t> SimMessageMember::RawValue(std::string_view name) const {
  auto found = raw_.find(name);
  if (found == raw_.end()) NoSuchField(name);
  return found->second;
}

const host::MessageMember& SimMessageMember::Struct(std::string_view name) const {
  auto found = structs_.find(name);
  if (found == structs_.end()) NoSuchField(name);
  return *found->second;
}

const host::MessageMember& SimMessageMember::Struct(std::int32_t index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= elements_.size()) {
    ThrowInvalidCall("the structure has no element " + std::to_string(index), kMessageSource);
  }
  return *elements_[static_cast<std::size_t>(index)];
}

void SimMessageMember::SetValue(const std::string& name, host::Variant value) {
  values_.insert_or_assign(name, std::move(value));
}

void SimMessageMember::SetRaw(const std::string& name, std::vector<std::uint8_t> bytes) {
  raw_.insert_or_assign(name, std::move(bytes));
}

SimMessageMember& SimMessageMember::AddStruct(const std::string& name) {
  // Adding a name twice keeps the first structure, so references to it stay valid.
  auto& slot = structs_[name];
  if (!slot) slot = std::make_unique<SimMessageMember>();
  return *slot;
}

SimMessageMember& SimMessageMember::AppendElement() {
  elements_.push_back(std::make_unique<SimMessageMember>());
  return *elements_.back();
}

std::unique_ptr<SimMessage> ParseMessage(std::string_view json_text) {
  const json document = ParseBoundedJson(json_text, "message");
  if (!document.is_object()) Malformed("the text", "must be a JSON object");
  auto message = std::make_unique<SimMessage>(TypeOf(document));
  const auto fields = document.find("fields");
  if (fields != document.end() && !fields->is_null()) {
    if (!fields->is_object()) Malformed("fields", "must be an object");
    ReadFields(message->Fields(), *fields, "fields");
  }
  return message;
}

}  // namespace ostravel::sim
