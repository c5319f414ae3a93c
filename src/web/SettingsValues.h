#pragma once

#include <cstdint>
#include <pugixml.hpp>
#include <string>

#include "host/Variant.h"

namespace ostravel {

// An attribute of the settings file as the platform's XML reader hands it over: its text, or
// an empty value when the element has no such attribute.
host::Variant AttributeValue(const pugi::xml_node& element, const char* name);

// The attribute's text. Throws Error "Invalid use of Null" when the attribute is missing.
std::string AttributeText(const pugi::xml_node& element, const char* name);

// The attribute as a Boolean ("True"/"False" in any letter case, or a number). Throws Error
// "Invalid use of Null" when the attribute is missing and "Type mismatch" for other text.
bool AttributeBool(const pugi::xml_node& element, const char* name);

// The attribute as a signed 32-bit integer. Throws Error "Invalid use of Null" when it is
// missing, "Type mismatch" when it is no number and "Overflow" outside 32 bits.
std::int32_t AttributeLong(const pugi::xml_node& element, const char* name);

}  // namespace ostravel
