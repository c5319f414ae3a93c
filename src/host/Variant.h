#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace ostravel::host {

// A value as the host hands it over: empty, Boolean, integer, floating point or text.
// Used for list cells, choice data and the fields of server messages.
using Variant = std::variant<std::monostate, bool, std::int64_t, double, std::string>;

bool IsEmpty(const Variant& value);

// The value as text: empty gives "", Booleans "True"/"False", numbers in decimal
// (doubles in the shortest form that keeps up to 15 significant digits).
std::string ToText(const Variant& value);

// The value as a signed 32-bit integer. Text must hold a number; doubles round half to even.
// Throws Error "Type mismatch" for text that is no number, "Overflow" outside 32 bits.
std::int32_t ToLong(const Variant& value);

// The value as a double; throws Error "Type mismatch" for text that is no number.
double ToDouble(const Variant& value);

// The value as a Boolean: numbers are true unless 0; text "True"/"False" in any letter case
// or a number. Throws Error "Type mismatch" for other text.
bool ToBool(const Variant& value);

}  // namespace ostravel::host
