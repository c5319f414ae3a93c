#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace ostravel::bench {

// What one online member's plug-in sends, on average: each minute an "inbox new" (the
// Messages tab's trigger) and a refresh of the list on the page that is showing, every 30
// minutes the character record, every 10 minutes a message.
struct LoadRequest {
  std::string script;  // "member.php", ...
  std::string body;    // as the plug-in sends it: the whole post string percent-encoded
  const char* kind;    // for the report
};

class LoadMix {
 public:
  // Requests per second for one member.
  static double PerMemberRate();

  explicit LoadMix(std::uint32_t seed = 1);
  // The next request of the mix for a member picked at random among `members`; `member`
  // gets the index picked (for the source address).
  LoadRequest Next(std::uint32_t members, std::uint32_t& member);
  // The character record of `member`, as its plug-in posts it.
  static LoadRequest Update(std::uint32_t member);

 private:
  static std::string StdPost(std::uint32_t member);
  static std::string CharacterRecord(std::uint32_t member);

  std::mt19937 random_;
};

// The plug-in's form encoding of a whole post string.
std::string FormEncode(const std::string& text);

}  // namespace ostravel::bench
