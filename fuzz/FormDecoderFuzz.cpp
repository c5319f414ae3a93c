// The demo service's form decoder: keys come out as a PHP server makes them, and nothing
// decoded is longer than what it came from.
#include "FormDecoder.h"
#include "FuzzContext.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using ostravel::fuzz::Require;
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  Require(ostravel::app::DecodeFormComponent(body).size() <= body.size(), "decoding shortens");
  for (const auto& [key, value] : ostravel::app::DecodeForm(body)) {
    Require(!key.empty(), "no empty key");
    Require(key.find_first_of(". ") == std::string::npos, "no dot or space in a key");
    Require(key.size() + value.size() < body.size() + 1, "a field is no longer than the body");
  }
  return 0;
}
