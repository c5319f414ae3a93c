// The services' form decoder: keys come out as a PHP server makes them, nothing decoded is
// longer than what it came from, and the checked reading reads the same fields.
#include "FuzzContext.h"
#include "wire/FormDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using ostravel::fuzz::Require;
  namespace wire = ostravel::wire;
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  Require(wire::DecodeFormComponent(body).size() <= body.size(), "decoding shortens");
  const wire::FormFields fields = wire::DecodeForm(body);
  for (const auto& [key, value] : fields) {
    Require(!key.empty(), "no empty key");
    Require(key.find_first_of(". ") == std::string::npos, "no dot or space in a key");
    Require(key.size() + value.size() < body.size() + 1, "a field is no longer than the body");
  }
  const wire::CheckedForm checked = wire::DecodeFormChecked(body);
  Require(checked.fields == fields, "the checked reading reads the same fields");
  for (const auto& problem : checked.problems) {
    Require(problem.offset < body.size(), "a problem lies inside the body");
    Require(!wire::ProblemLine(problem).empty(), "every problem has its line");
  }
  return 0;
}
