// The IRC line parser on server text cut into random chunks: whatever the cuts, it raises the
// same events as for the text in one piece, and nothing crashes or leaks.
#include <string>
#include <string_view>

#include "FuzzContext.h"
#include "irc/IRCParser.h"
#include "support/RecordingEvents.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ostravel;
  using namespace ostravel::fuzz;
  FuzzWorld& world = FuzzWorld::Get();
  InputReader input(data, size);
  // The first bytes choose where the text is cut; the rest is the text.
  const std::uint8_t seed = input.Byte();
  const std::string_view text = input.Rest();

  // A separator that a server's text rarely holds, so that an argument cut differently shows.
  test::RecordingEvents whole('\x1F');
  IRCParser one_piece(world.Ctx(), whole);
  one_piece.Parse(text);

  test::RecordingEvents chunked('\x1F');
  IRCParser pieces(world.Ctx(), chunked);
  std::size_t at = 0;
  std::uint32_t state = seed * 2654435761u + 1;
  while (at < text.size()) {
    state = state * 1103515245u + 12345u;
    const std::size_t length = 1 + (state >> 16) % 64;
    pieces.Parse(text.substr(at, length));
    at += length;
  }
  world.ForgetLog();

  Require(whole.events == chunked.events, "chunked text raises the same events");
  Require(one_piece.Pending() == pieces.Pending(), "the same incomplete line is kept");
  return 0;
}
