// The code page at the edges, both ways, for 1252 and 932: text from outside always becomes
// well-formed UTF-8, and 1252 gives every byte back unchanged.
#include "FuzzContext.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ostravel;
  using fuzz::Require;
  fuzz::InputReader input(data, size);
  const int number = input.Byte() % 2 == 0 ? 1252 : 932;
  const platform::CodePage& code_page = fuzz::FuzzWorld::Get().CodePage(number);
  const std::string_view text = input.Rest();

  const std::string utf8 = code_page.ToUtf8(text);
  Require(platform::IsValidUtf8(utf8), "bytes become well-formed UTF-8");
  const std::string bytes = code_page.FromUtf8(utf8);
  if (number == 1252) Require(bytes == text, "1252 bytes survive the way in and out");
  // Each character becomes at most two bytes, and text of well-formed UTF-8 comes back in it.
  const std::string from_utf8 = code_page.FromUtf8(text);
  Require(from_utf8.size() <= 2 * text.size(), "at most two bytes a character");
  Require(platform::IsValidUtf8(code_page.ToUtf8(from_utf8)), "and back to UTF-8");
  return 0;
}
