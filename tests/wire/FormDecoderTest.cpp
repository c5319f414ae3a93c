#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "wire/FormDecoder.h"

namespace ostravel::wire {
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

TEST(FormDecoderTest, ACheckedReadingReportsBrokenEscapesAndRepeatedFields) {
  struct Case {
    const char* body;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"CID=5&args=say+a%26b%3Dc&Name=Andr%E9", {}},
      {"a=100%", {"broken percent escape in field \"a\" at byte 0"}},
      {"CID=5&b=%zz1&c=%4",
       {"broken percent escape in field \"b\" at byte 6",
        "broken percent escape in field \"c\" at byte 13"}},
      {"%4x=1", {"broken percent escape in field \"%4x\" at byte 0"}},
      {"CID=5&CID=6", {"repeated field \"CID\" at byte 6"}},
      // Keys that PHP mangles to the same name are one field.
      {"my.key=1&my+key=2", {"repeated field \"my_key\" at byte 9"}},
      {"k%0A%FF=1&k%0A%FF=%",
       {"broken percent escape in field \"k??\" at byte 10", "repeated field \"k??\" at byte 10"}},
      {"&&=v&flag", {}},  // what PHP skips is no fault
  };
  for (const auto& [body, lines] : cases) {
    const CheckedForm form = DecodeFormChecked(body);
    EXPECT_EQ(form.fields, DecodeForm(body)) << body;
    std::vector<std::string> got;
    for (const auto& problem : form.problems) got.push_back(ProblemLine(problem));
    EXPECT_EQ(got, lines) << body;
  }
  // The last of repeated values wins, as in PHP.
  EXPECT_EQ(DecodeFormChecked("CID=5&CID=6").fields.at("CID"), "6");
}

}  // namespace
}  // namespace ostravel::wire
