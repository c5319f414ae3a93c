#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/FormDecoder.h"

namespace ostravel::app {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

TEST(FormDecoderTest, SplitsPairsAtAmpersandAndTheFirstEquals) {
  EXPECT_THAT(DecodeForm("CID=5&args=list online&x=a=b"),
              ElementsAre(Pair("CID", "5"), Pair("args", "list online"), Pair("x", "a=b")));
}

TEST(FormDecoderTest, DecodesPlusAndPercentEscapesToRawBytes) {
  const FormFields fields = DecodeForm("args=whois+Ostra%20Vel&Name=Andr%E9&Share=1%0A%0a");
  EXPECT_EQ(fields.at("args"), "whois Ostra Vel");
  EXPECT_EQ(fields.at("Name"), "Andr\xE9");  // the code page's byte, not converted here
  EXPECT_EQ(fields.at("Share"), "1\n\n");    // both hex letter cases
}

TEST(FormDecoderTest, MalformedPercentSequencesStayAsTheyAre) {
  const FormFields fields = DecodeForm("a=100%&b=%zz1&c=%4&d=%%41");
  EXPECT_EQ(fields.at("a"), "100%");
  EXPECT_EQ(fields.at("b"), "%zz1");
  EXPECT_EQ(fields.at("c"), "%4");
  EXPECT_EQ(fields.at("d"), "%A");
}

TEST(FormDecoderTest, KeysAreMangledAsPhpDoes) {
  const FormFields fields = DecodeForm("my.key=1&my+key=2&%20lead=3&a%2Eb=4");
  EXPECT_THAT(fields, ElementsAre(Pair("a_b", "4"), Pair("lead", "3"), Pair("my_key", "2")));
}

TEST(FormDecoderTest, EmptyPairsAndKeysAreSkippedAndABareKeyIsEmpty) {
  EXPECT_THAT(DecodeForm("&&=v&flag&args="), ElementsAre(Pair("args", ""), Pair("flag", "")));
  EXPECT_TRUE(DecodeForm("").empty());
}

}  // namespace
}  // namespace ostravel::app
