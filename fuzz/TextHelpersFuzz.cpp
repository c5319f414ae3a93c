// The text helpers the pages read answers with, and the number text: no crash, no undefined
// behaviour, and the results stay inside what they were cut from.
#include <cmath>
#include <cstring>

#include "FuzzContext.h"
#include "base/Error.h"
#include "base/NumberText.h"
#include "common/OstravelLib.h"
#include "platform/DateTime.h"

namespace ostravel::fuzz {
namespace {

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

void CheckValFromStr(InputReader& input) {
  const std::string_view key = input.Piece();
  const std::string_view line = input.Rest();
  const std::string value = ValFromStr(line, key);
  Require(Contains(std::string(line) + "  ", value), "a value is a piece of its line");
}

void CheckCutBetween(InputReader& input) {
  const std::string_view start = input.Piece();
  const std::string_view end = input.Piece();
  const std::string_view text = input.Rest();
  try {
    const std::string_view cut = CutBetween(text, start, end);
    Require(cut.empty() ||
                (cut.data() >= text.data() && cut.data() + cut.size() <= text.data() + text.size()),
            "a cut lies inside its text");
  } catch (const Error&) {
    // Marks that overlap are refused, as the Part function reports them.
  }
}

void CheckFixDate(InputReader& input) {
  Context& ctx = FuzzWorld::Get().Ctx();
  FixDateText(ctx, input.Rest());
  FuzzWorld::Get().ForgetLog();
  if (input.Rest().size() < 6) return;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(input.Rest()[i]); };
  const platform::DateTime date{1 + byte(0) * 3000 / 256,
                                1 + byte(1) % 12,
                                1 + byte(2) % 28,
                                byte(3) % 24,
                                byte(4) % 60,
                                byte(5) % 60};
  char expected[32];
  std::snprintf(expected, sizeof expected, "%d-%02d-%02d %02d:%02d:%02d", date.year, date.month,
                date.day, date.hour, date.minute, date.second);
  Require(FixDate(ctx, date) == expected, "FixDate writes the date it was given");
}

void CheckNumberText(InputReader& input) {
  if (const auto parsed = ParseDecimal(input.Rest())) {
    Require(std::isfinite(*parsed), "a parsed number is finite");
    Require(ParseDecimal(DoubleText(*parsed)).has_value(), "a parsed number is written readably");
  }
  if (input.Rest().size() >= sizeof(double)) {
    double value = 0;
    std::memcpy(&value, input.Rest().data(), sizeof value);
    if (!std::isfinite(value)) return;
    const auto back = ParseDecimal(DoubleText(value));
    Require(back.has_value(), "every finite double is written readably");
    Require(std::fabs(*back - value) <= std::fabs(value) * 5e-15, "to 15 significant digits");
  }
}

}  // namespace
}  // namespace ostravel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ostravel::fuzz;
  InputReader input(data, size);
  switch (input.Byte() % 4) {
    case 0:
      CheckValFromStr(input);
      break;
    case 1:
      CheckCutBetween(input);
      break;
    case 2:
      CheckFixDate(input);
      break;
    default:
      CheckNumberText(input);
      break;
  }
  return 0;
}
