#pragma once

#include <cstdint>

#include "LoadRun.h"

namespace ostravel::bench {

struct PopulateResult {
  std::uint64_t stored = 0;  // answered with 200
  std::uint64_t failed = 0;  // any other status, or no answer
  double seconds = 0;
};

// Sends the character records of members `from` to `to` - 1 back to back, `clients` at a
// time, each from the member's own address as the runs do: the run that follows finds them
// on file, and online.
PopulateResult Populate(const LoadTarget& target, std::uint32_t from, std::uint32_t to,
                        unsigned clients, bool spreadAddresses);

}  // namespace ostravel::bench
