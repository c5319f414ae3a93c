#include "web/SettingsValues.h"

#include <string>

#include "base/Error.h"

namespace ostravel {
namespace {

// The runtime's number for converting a missing value; a missing attribute must not read as
// False or 0, or a damaged file would silently pass for a valid one.
constexpr std::int32_t kInvalidUseOfNull = 94;

const host::Variant& RequirePresent(const host::Variant& value) {
  if (host::IsEmpty(value)) throw Error(kInvalidUseOfNull, "Invalid use of Null");
  return value;
}

}  // namespace

host::Variant AttributeValue(const pugi::xml_node& element, const char* name) {
  const pugi::xml_attribute attribute = element.attribute(name);
  if (!attribute) return {};
  return std::string(attribute.value());
}

std::string AttributeText(const pugi::xml_node& element, const char* name) {
  return host::ToText(RequirePresent(AttributeValue(element, name)));
}

bool AttributeBool(const pugi::xml_node& element, const char* name) {
  return host::ToBool(RequirePresent(AttributeValue(element, name)));
}

std::int32_t AttributeLong(const pugi::xml_node& element, const char* name) {
  return host::ToLong(RequirePresent(AttributeValue(element, name)));
}

}  // namespace ostravel
