#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ostravel {

// A double in the platform's default text form: up to 15 significant digits, whole numbers
// without a decimal point, exponent form ("1E+15", "1E-05") from 1E15 on and below 1E-4.
std::string DoubleText(double value);

// A decimal number as text (leading and trailing spaces allowed, optional sign, fraction and
// exponent); nullopt for anything else.
std::optional<double> ParseDecimal(std::string_view text);

// A decimal number, optionally signed, optionally with a fraction (cut off toward zero), with
// white space around it allowed; nullopt for anything else and for values beyond 9E18.
std::optional<std::int64_t> ParseWholeNumber(std::string_view text);

}  // namespace ostravel
