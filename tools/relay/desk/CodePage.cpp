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

std::string PlainPageHtml(const std::string& title, const std::string& message) {
    return "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>" + HtmlEscaped(title) +
           "</title></head><body><h3>" + HtmlEscaped(title) + "</h3><p>" + HtmlEscaped(message) +
           "</p></body></html>\n";
}

std::string CodePageHtml(const std::string& code, const std::string& subscribeUrl) {
    return PlainPageHtml("您的验证码", code + " " + subscribeUrl) +
           "<form action=\"/bind\"><input name=\"code\" type=\"hidden\" value=\"" + code +
           "\"><input name=\"target\"></form>";
}

std::string BoundPageHtml(const std::string& code, const std::string& targetName) {
    return PlainPageHtml("您的验证码", code + " " + targetName);
}

std::string PhonePageHtml(const std::string& id, const std::string& targetName,
                          const std::vector<AlertOnPage>& alerts) {
    return PlainPageHtml("提醒", targetName) + AlertTable(alerts) +
           "<form action=\"/unbind\"><input name=\"id\" value=\"" + HtmlEscaped(id) + "\"></form>";
}

std::string UnboundPageHtml() { return PlainPageHtml("已停止", "此手机不会再收到提醒。"); }

}  // namespace sentrel::service
