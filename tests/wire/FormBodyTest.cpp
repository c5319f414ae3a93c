#include <gtest/gtest.h>

#include <memory>

#include "platform/CodePage.h"
#include "wire/FormBody.h"
#include "wire/FormDecoder.h"
#include "wire/FormEncoding.h"

namespace ostravel::wire {
namespace {

class FormBodyTest : public ::testing::Test {
 protected:
  std::unique_ptr<platform::CodePage> western = platform::CodePage::Open(1252);
};

TEST_F(FormBodyTest, EscapesEachValueSoThatItStaysOneField) {
  struct Case {
    const char* value;
    const char* encoded;
  };
  const Case cases[] = {
      {"AZaz09*@._-", "AZaz09*@._-"},
      {"say a&b=c", "say+a%26b=c"},  // "=" cannot end a value: only the first "=" splits
      {"100% + more", "100%25+%2B+more"},
      {"a/b:c'd\n\x05", "a%2Fb%3Ac%27d%0A%05"},
      {"caf\xC3\xA9 \xE2\x82\xAC", "caf%E9+%80"},  // café €
      {"\xE4\xB8\xAD", "%3F"},                     // 1252 lacks it: "?"
      {"", ""},
  };
  for (const auto& [value, encoded] : cases) {
    EXPECT_EQ(FormBody(*western).Add("args", value).Encoded(), std::string("args=") + encoded)
        << value;
  }
}

TEST_F(FormBodyTest, JoinsFieldsAndExtendsTheLastValue) {
  FormBody body(*western);
  EXPECT_TRUE(body.Empty());
  body.Add("CID", "5").Add("Name", "Ann & Co").Extend("\n\n").Add("Pk", "0");
  EXPECT_FALSE(body.Empty());
  EXPECT_EQ(body.Encoded(), "CID=5&Name=Ann+%26+Co%0A%0A&Pk=0");
  EXPECT_EQ(body.Plain(), "CID=5&Name=Ann & Co\n\n&Pk=0");
}

TEST_F(FormBodyTest, DoubleByteCharactersTakeFourDigits) {
  const auto japanese = platform::CodePage::Open(932);
  EXPECT_EQ(FormBody(*japanese)
                .Add("x",
                     "\xE4\xB8\xAD"
                     "a")
                .Encoded(),
            "x=%9286a");
}

TEST_F(FormBodyTest, AWholeTextKeepsItsAmpersandsAsSeparators) {
  EXPECT_EQ(FormEncoded("AZaz09*@._-&= a", *western), "AZaz09*@._-&=+a");
  EXPECT_EQ(FormEncoded("+%/:\n\x05'", *western), "%2B%25%2F%3A%0A%05%27");
  EXPECT_EQ(FormEncoded("", *western), "");
}

TEST_F(FormBodyTest, WhatTheBuilderWritesTheDecoderReadsBackInTheCodePage) {
  const std::pair<const char*, const char*> fields[] = {
      {"args", "tell Bob: 1+1=2 & 50% off"},
      {"Name", "Andr\xC3\xA9"},
      {"Share", "1\n\n"},
  };
  FormBody body(*western);
  for (const auto& [key, value] : fields) body.Add(key, value);
  const FormFields decoded = DecodeForm(body.Encoded());
  ASSERT_EQ(decoded.size(), std::size(fields));
  for (const auto& [key, value] : fields) {
    EXPECT_EQ(western->ToUtf8(decoded.at(key)), value) << key;
  }
}

}  // namespace
}  // namespace ostravel::wire
