#include "host/Variant.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "base/AsciiText.h"
#include "base/Error.h"
#include "base/NumberText.h"

namespace ostravel::host {
namespace {

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

[[noreturn]] void TypeMismatch() {
  throw Error(error_number::kTypeMismatch, "Type mismatch");
}

double ParseNumber(const std::string& text) {
  auto parsed = ParseDecimal(text);
  if (!parsed) TypeMismatch();
  return *parsed;
}

std::int32_t RoundToLong(double value) {
  const double rounded = std::nearbyint(value);  // half to even, the default rounding mode
  if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
        rounded <= std::numeric_limits<std::int32_t>::max())) {
    throw Error(error_number::kOverflow, "Overflow");
  }
  return static_cast<std::int32_t>(rounded);
}

}  // namespace

bool IsEmpty(const Variant& value) {
  return std::holds_alternative<std::monostate>(value);
}

std::string ToText(const Variant& value) {
  return std::visit(Overloaded{
                        [](std::monostate) { return std::string(); },
                        [](bool b) { return std::string(b ? "True" : "False"); },
                        [](std::int64_t n) { return std::to_string(n); },
                        [](double d) { return DoubleText(d); },
                        [](const std::string& s) { return s; },
                    },
                    value);
}

double ToDouble(const Variant& value) {
  return std::visit(Overloaded{
                        [](std::monostate) { return 0.0; },
                        [](bool b) { return b ? -1.0 : 0.0; },
                        [](std::int64_t n) { return static_cast<double>(n); },
                        [](double d) { return d; },
                        [](const std::string& s) { return ParseNumber(s); },
                    },
                    value);
}

std::int32_t ToLong(const Variant& value) {
  if (const auto* n = std::get_if<std::int64_t>(&value)) {
    if (*n < std::numeric_limits<std::int32_t>::min() ||
        *n > std::numeric_limits<std::int32_t>::max()) {
      throw Error(error_number::kOverflow, "Overflow");
    }
    return static_cast<std::int32_t>(*n);
  }
  return RoundToLong(ToDouble(value));
}

bool ToBool(const Variant& value) {
  if (const auto* s = std::get_if<std::string>(&value)) {
    if (EqualsIgnoreCase(*s, "True")) return true;
    if (EqualsIgnoreCase(*s, "False")) return false;
    return ParseNumber(*s) != 0.0;
  }
  return ToDouble(value) != 0.0;
}

}  // namespace ostravel::host
