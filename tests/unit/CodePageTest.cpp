#include "relay/desk/CodePage.h"

#include <gtest/gtest.h>

namespace sentrel::service {

TEST(CodePage, EscapesWhatComesFromOutsideAndSendsTheFieldsTheDeskReads) {
    const std::string bad = "\"><script>'&", escaped = "&quot;&gt;&lt;script&gt;&#39;&amp;";
    const AlertOnPage alert{{7, bad, {}, 0}, {{"?", DeliveryState::Stage::Failed, 1, 0, bad}}};
    const std::pair<std::string, std::vector<std::string>> pages[] = {
        {CodePageHtml(bad, "https://n/t?" + bad),
         {"<svg", "href=\"https://n/t?" + escaped, "<input name=\"target\"",
          "<form action=\"/bind\" method=\"get\"><input type=\"hidden\" name=\"code\" value=\"" + escaped}},
        {BoundPageHtml("1", bad), {"<b>" + escaped + "</b>", "name=\"code\" value=\"1\""}},
        {PhonePageHtml(bad, bad, {alert}),
         {"<td>" + escaped,
          "<form action=\"/unbind\" method=\"get\"><input type=\"hidden\" name=\"id\" value=\"" + escaped}},
        {PlainPageHtml(bad, bad), {"<p>" + escaped}}};
    for (const auto& [html, wanted] : pages) {
        EXPECT_EQ(html.find("<script"), std::string::npos) << html;
        EXPECT_EQ(html.find("<svg") != std::string::npos, &html == &pages[0].first) << "a QR code only to subscribe";
        for (const std::string& part : wanted) EXPECT_NE(html.find(part), std::string::npos) << part;
    }
}

}  // namespace sentrel::service
