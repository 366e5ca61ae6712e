#include "relay/desk/CodePage.h"

#include <optional>

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
    const std::optional<ForwardTarget> target = ForwardTarget::Parse(state.target);
    std::string cell = HtmlEscaped(target ? target->PublicName() : "?") + ": ";
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

}  // namespace

std::string CodePageHtml(const std::string& code, const std::vector<AlertOnPage>& alerts) {
    return "<!DOCTYPE html>\n"
           "<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<title>Sentrel 验证码</title>"
           "<style>body{font-family:sans-serif;text-align:center;margin-top:15vh}"
           ".code{font-size:4em;letter-spacing:.2em;font-weight:bold}"
           "table{margin:2em auto;border-collapse:collapse;font-size:.9em}"
           "td,th{border-bottom:1px solid #ccc;padding:.3em .6em;text-align:left}</style></head>\n"
           "<body><p>您的验证码</p><p class=\"code\">" +
           code +
           "</p><p>十分钟内有效，只能使用一次。请在 Sentrel 登录框中输入。</p>"
           "<p><small>Sentrel 本地通知服务 · 刷新本页可获取新的验证码</small></p>\n"
           "<h3>最近的提醒</h3>\n" +
           AlertTable(alerts) + "\n</body></html>\n";
}

}  // namespace sentrel::service
