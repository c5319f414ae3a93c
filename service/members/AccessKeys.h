#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "service/store/Database.h"
#include "service/store/KeyTable.h"

namespace ostravel::service {

// What the key of a request decides.
struct KeyVerdict {
  bool refused = false;
  std::string issued;  // a key to hand to the character with the answer; "" for none
  std::string why;     // for the log when refused: "missing key", "wrong key"
};

// A key per character, trusted on first use. The first request of a character without a key
// gets one; until a request carrying it arrives, requests without a key get the same one
// again (a plug-in's first requests after a login run side by side and must all be served).
// From then on only requests with that key are served. The database keeps hashes only; the
// keys handed out but not yet used stay in memory to be handed out again (after a restart a
// keyless request gets another offer, and whichever offer is used first wins).
class AccessKeys {
 public:
  // Decides on a request of `character` carrying `key` ("" when it carries none) at `now`
  // ("YYYY-MM-DD hh:mm:ss"). Offers and first uses are written through the database's writer,
  // so that requests at once agree on one key.
  KeyVerdict Check(Database& database, std::int32_t character, std::string_view key,
                   const std::string& now);

 private:
  KeyVerdict Offer(Database& database, std::int32_t character, const std::string& now);
  KeyVerdict TakeIntoUse(Database& database, std::int32_t character, const std::string& hash,
                         const std::string& now);
  // The key handed out to the character if it is still one of its offers.
  std::string StillOffered(std::int32_t character, const KeyState& state);

  std::mutex mutex_;
  std::map<std::int32_t, std::string> handed_out_;
};

}  // namespace ostravel::service
