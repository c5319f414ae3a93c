#include <gtest/gtest.h>

#include "service/page/HtmlText.h"

namespace ostravel::service {
namespace {

struct EscapeCase {
  const char* text;
  const char* escaped;
};

class HtmlTextTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(HtmlTextTest, EscapesWhatCouldEndATextOrStartMarkup) {
  EXPECT_EQ(EscapeHtml(GetParam().text), GetParam().escaped);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HtmlTextTest,
    ::testing::Values(EscapeCase{"", ""}, EscapeCase{"Ostra Vel", "Ostra Vel"},
                      EscapeCase{"<script>alert(1)</script>",
                                 "&lt;script&gt;alert(1)&lt;/script&gt;"},
                      EscapeCase{"Tea & cake", "Tea &amp; cake"},
                      // An escaped text is escaped again, not taken as markup.
                      EscapeCase{"&amp;&#39;", "&amp;amp;&amp;#39;"},
                      EscapeCase{"\" onmouseover=\"x", "&quot; onmouseover=&quot;x"},
                      EscapeCase{"Gharu'ndim", "Gharu&#39;ndim"},
                      // UTF-8 passes unchanged, byte for byte.
                      EscapeCase{"Caf\xC3\xA9 \xE2\x9A\x94", "Caf\xC3\xA9 \xE2\x9A\x94"},
                      EscapeCase{"<<>>", "&lt;&lt;&gt;&gt;"}));

}  // namespace
}  // namespace ostravel::service
