#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/FormDecoder.h"

namespace ostravel::app {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

TEST(FormDecoderTest, SplitsPairsAtAmpersandAndTheFirstEqualsAndManglesKeys) {
  EXPECT_THAT(DecodeForm("CID=5&args=list online&x=a=b"),
              ElementsAre(Pair("CID", "5"), Pair("args", "list online"), Pair("x", "a=b")));
  // Empty pairs and keys are skipped; a bare key is empty.
  EXPECT_THAT(DecodeForm("&&=v&flag&args="), ElementsAre(Pair("args", ""), Pair("flag", "")));
  EXPECT_TRUE(DecodeForm("").empty());
  // Keys are mangled as PHP does.
  EXPECT_THAT(DecodeForm("my.key=1&my+key=2&%20lead=3&a%2Eb=4"),
              ElementsAre(Pair("a_b", "4"), Pair("lead", "3"), Pair("my_key", "2")));
}

TEST(FormDecoderTest, DecodesEscapesToRawBytesAndLeavesMalformedOnesAlone) {
  // The code page's byte is not converted here; both hex letter cases are read.
  EXPECT_THAT(DecodeForm("args=whois+Ostra%20Vel&Name=Andr%E9&Share=1%0A%0a&a=100%&b=%zz1&c=%4"
                         "&d=%%41"),
              ElementsAre(Pair("Name", "Andr\xE9"), Pair("Share", "1\n\n"), Pair("a", "100%"),
                          Pair("args", "whois Ostra Vel"), Pair("b", "%zz1"), Pair("c", "%4"),
                          Pair("d", "%A")));
}

}  // namespace
}  // namespace ostravel::app
