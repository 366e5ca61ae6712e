#include "relay/desk/CodePage.h"

#include <optional>

#include "relay/desk/QrSvg.h"
#include "relay/outbox/ForwardTarget.h"
#include "relay/system/UtcTimestamp.h"

namespace sentrel::service {
namespace {

std::string HtmlEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string Moment(std::int64_t ms) {
    return UtcTimestamp(std::chrono::system_clock::time_point(std::chrono::milliseconds(ms)));
}

std::string DeliveryCell(const DeliveryState& state) {
    std::string cell = HtmlEscaped(ForwardTarget::PublicNameOf(state.target)) + ": ";
    switch (state.stage) {
        case DeliveryState::Stage::Delivered:
            return cell + "已送达 (delivered " + Moment(state.sinceMs) + ")";
        case DeliveryState::Stage::Failed:
            return cell + "失败 (failed: " + HtmlEscaped(state.lastError) + ")";
        case DeliveryState::Stage::Pending:
            break;
    }
    if (state.attempts == 0) return cell + "待发送 (pending)";
    return cell + "重试中 (retrying since " + Moment(state.sinceMs) + ", " + std::to_string(state.attempts) +
           " tries: " + HtmlEscaped(state.lastError) + ")";
}

std::string AlertTable(const std::vector<AlertOnPage>& alerts) {
    if (alerts.empty()) return "<p><small>尚无提醒 (no alerts yet)</small></p>";
    std::string table = "<table><tr><th>#</th><th>时间 (UTC)</th><th>区域</th><th>转发 (forwards)</th></tr>\n";
    for (const AlertOnPage& entry : alerts) {
        std::string forwards;
        for (const DeliveryState& state : entry.deliveries)
            forwards += (forwards.empty() ? "" : "<br>") + DeliveryCell(state);
        table += "<tr><td>" + std::to_string(entry.alert.id) + "</td><td>" + HtmlEscaped(entry.alert.time) +
                 "</td><td>" + std::to_string(entry.alert.alert.area) + "</td><td>" +
                 (forwards.empty() ? "—" : forwards) + "</td></tr>\n";
    }
    return table + "</table>";
}

// One narrow column: a phone shows it edge to edge, a desktop in the middle.
std::string Page(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n"
           "<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<title>" +
           title +
           "</title>"
           "<style>body{font-family:sans-serif;margin:0;padding:1em;text-align:center;color:#222}"
           "main{max-width:28em;margin:0 auto}p{margin:.5em 0}"
           ".qr{display:block;width:min(70vw,16em);margin:0 auto}.qr svg{display:block;width:100%;height:auto}"
           ".link{word-break:break-all;font-size:.85em}"
           ".code{font-size:3em;letter-spacing:.15em;font-weight:bold;margin:.1em 0}"
           "form{margin-top:1.5em;font-size:.9em}"
           "input[name=target],input[name=id]{width:100%;box-sizing:border-box;padding:.4em;margin:.3em 0}"
           "table{width:100%;margin:1em 0;border-collapse:collapse;font-size:.8em}"
           "td,th{border-bottom:1px solid #ccc;padding:.3em;text-align:left;overflow-wrap:break-word}</style></head>\n"
           "<body><main>\n" +
           body + "\n</main></body></html>\n";
}

std::string BindingOffer(const std::string& code) {
    return "<form action=\"/bind\" method=\"get\"><input type=\"hidden\" name=\"code\" value=\"" + HtmlEscaped(code) +
           "\"><label>改用 Gotify 或 webhook<input name=\"target\" required "
           "placeholder=\"gotify:https://…/message?token=…\"></label>"
           "<small>或 webhook:https://…</small><br><button>改用此目标</button></form>";
}

// For a phone whose message could not carry a link it can open.
std::string StopOffer() {
    return "<form action=\"/unbind\" method=\"get\"><label>停止某部手机接收提醒：填入提醒中的编号"
           "<input name=\"id\" required></label><button>停止接收提醒</button></form>";
}

std::string CodeSection(const std::string& code) {
    return "<p>您的验证码</p><p class=\"code\">" + HtmlEscaped(code) +
           "</p><p>十分钟内有效，只能使用一次。请在 Sentrel 登录框中输入。</p>\n";
}

}  // namespace

std::string CodePageHtml(const std::string& code, const std::string& subscribeUrl) {
    const std::string href = HtmlEscaped(subscribeUrl);
    return Page("Sentrel 验证码", "<a class=\"qr\" href=\"" + href + "\">" + QrSvg(subscribeUrl) +
                                      "</a>\n<p class=\"link\"><a href=\"" + href + "\">" + href +
                                      "</a></p>\n<p>用手机扫码或点链接，在 ntfy 应用或浏览器中订阅："
                                      "用此验证码登录后的提醒会发到这部手机。</p>\n" +
                                      CodeSection(code) + BindingOffer(code) + StopOffer());
}

std::string BoundPageHtml(const std::string& code, const std::string& targetName) {
    return Page("Sentrel 验证码", "<p>此验证码的提醒将发到 <b>" + HtmlEscaped(targetName) + "</b></p>\n" +
                                      CodeSection(code) + BindingOffer(code));
}

std::string PhonePageHtml(const std::string& id, const std::string& targetName,
                          const std::vector<AlertOnPage>& alerts) {
    return Page("Sentrel 我的提醒", "<p>您的提醒发到 <b>" + HtmlEscaped(targetName) + "</b></p>\n" +
                                        AlertTable(alerts) +
                                        "\n<form action=\"/unbind\" method=\"get\"><input type=\"hidden\" "
                                        "name=\"id\" value=\"" +
                                        HtmlEscaped(id) + "\"><button>停止接收提醒</button></form>");
}

std::string UnboundPageHtml() { return PlainPageHtml("已停止", "已停止：此手机不会再收到提醒。"); }

std::string PlainPageHtml(const std::string& title, const std::string& message) {
    return Page("Sentrel " + HtmlEscaped(title), "<p>" + HtmlEscaped(message) + "</p>");
}

}  // namespace sentrel::service
