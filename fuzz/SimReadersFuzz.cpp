// The simulated host's readers of a server message and a character profile: any text is read
// or refused with a reason; nothing else escapes, and nesting cannot exhaust the stack.
#include <stdexcept>

#include "FuzzContext.h"
#include "base/Error.h"
#include "host/Variant.h"
#include "sim/CharacterProfile.h"
#include "sim/SimMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ostravel;
  fuzz::InputReader input(data, size);
  const bool profile = input.Byte() % 2 == 0;
  const std::string_view text = input.Rest();
  try {
    if (profile) {
      sim::ParseProfile(text, "fuzz.json");
    } else {
      auto message = sim::ParseMessage(text);
      // Reading a field that is not there is the host's own error.
      try {
        host::ToText(message->Value("text"));
      } catch (const Error&) {
      }
    }
  } catch (const std::runtime_error& error) {
    const std::string_view what = error.what();
    fuzz::Require(what.starts_with(profile ? "fuzz.json: " : "message: "),
                  "a refusal says which text it is about");
  }
  return 0;
}
