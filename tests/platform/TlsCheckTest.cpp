// The fingerprint forms both TLS back ends accept and show.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <utility>

#include "platform/TlsCheck.h"

namespace ostravel::platform {
namespace {

const std::string kPlain = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

TEST(TlsCheckTest, FingerprintsAreTakenInTheFormsPeopleWriteAndShownInPairs) {
  const std::string colons =
      "01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:"
      "01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF";
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {kPlain, kPlain},
      {colons, kPlain},
      {"01 23 45 67 89 AB cd ef" + kPlain.substr(16), kPlain},
      {kPlain.substr(1), std::nullopt},        // 63 digits
      {kPlain + "0", std::nullopt},            // 65 digits
      {"g" + kPlain.substr(1), std::nullopt},  // not hex
      {kPlain.substr(0, 62) + "-1", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(NormalizeFingerprint(text), expected) << text;
  // Digests are shown as colon-separated pairs.
  const std::array<unsigned char, 4> digest{0x00, 0x0f, 0xa0, 0xff};
  EXPECT_EQ(HexDigest(digest), "000fa0ff");
  EXPECT_EQ(DisplayFingerprint("000fa0ff"), "00:0F:A0:FF");
}

}  // namespace
}  // namespace ostravel::platform
