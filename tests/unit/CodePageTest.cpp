#include "relay/desk/CodePage.h"

#include <gtest/gtest.h>

namespace sentrel::service {
namespace {

TEST(CodePage, EscapesWhatComesFromOutsideAndSendsTheFieldsTheDeskReads) {
    const std::string hostile = "\"><script>x('1')</script>&";
    const std::string escaped = "&quot;&gt;&lt;script&gt;x(&#39;1&#39;)&lt;/script&gt;&amp;";
    const std::vector<AlertOnPage> alerts = {
        {RecordedAlert{7, hostile, {}},
         {DeliveryState{"webhook:" + hostile, DeliveryState::Stage::Failed, 1, 0, hostile}}}};
    const std::string bindForm = "<form action=\"/bind\" method=\"get\">";
    const struct {
        const char* page;
        std::string html;
        std::vector<std::string> wanted;
    } pages[] = {
        {"code",
         CodePageHtml(hostile, "https://ntfy.test/t?" + hostile, ""),
         {"<svg", "href=\"https://ntfy.test/t?" + escaped + "\"", bindForm,
          "<input type=\"hidden\" name=\"code\" value=\"" + escaped + "\">", "<input name=\"target\""}},
        {"code bound elsewhere",
         CodePageHtml("123456", "", hostile),
         {"<b>" + escaped + "</b>", bindForm, "name=\"code\" value=\"123456\""}},
        {"bound", BoundPageHtml(hostile, hostile), {"<b>" + escaped + "</b>", "value=\"" + escaped + "\""}},
        {"phone",
         PhonePageHtml(hostile, hostile, alerts),
         {"<b>" + escaped + "</b>", "<td>" + escaped + "</td>", "<form action=\"/unbind\" method=\"get\">",
          "<input type=\"hidden\" name=\"id\" value=\"" + escaped + "\">"}},
        {"plain", PlainPageHtml(hostile, hostile), {"<p>" + escaped + "</p>"}},
    };
    for (const auto& [page, html, wanted] : pages) {
        EXPECT_EQ(html.find("<script"), std::string::npos) << page;
        EXPECT_EQ(html.find("<svg") != std::string::npos, page == std::string("code")) << page;
        for (const std::string& part : wanted) EXPECT_NE(html.find(part), std::string::npos) << page << ": " << part;
    }
}

}  // namespace
}  // namespace sentrel::service
