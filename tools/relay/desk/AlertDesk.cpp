#include "relay/desk/AlertDesk.h"

#include <utility>

#include "client/AlertSignature.h"
#include "client/DecimalText.h"
#include "client/LocalHost.h"
#include "client/ServiceRequests.h"
#include "relay/desk/ClientNetwork.h"
#include "relay/desk/CodePage.h"
#include "relay/outbox/ForwardTarget.h"
#include "relay/system/TextEscapes.h"
#include "relay/system/UtcTimestamp.h"

namespace sentrel::service {
namespace {

constexpr int kFirstArea = 1;
constexpr int kLastArea = 20;
constexpr int kLowestSjs = 11111;
constexpr int kHighestSjs = 21110;

DeskReply Refusal(int status, std::string reason) {
    DeskReply reply;
    reply.status = status;
    reply.body = reason;
    reply.note = std::move(reason);
    return reply;
}

DeskReply Answer(std::string body, std::string note) {
    DeskReply reply;
    reply.body = std::move(body);
    reply.note = std::move(note);
    return reply;
}

// Exactly one value of a parameter, or the refusal that says why not.
struct SingleParam {
    std::optional<std::string> value;
    DeskReply refusal;
};

SingleParam Param(const DeskRequest& request, const std::string& name) {
    const auto count = request.params.count(name);
    if (count == 0) return {std::nullopt, Refusal(400, "missing parameter " + name)};
    if (count > 1) return {std::nullopt, Refusal(400, "repeated parameter " + name)};
    return {request.params.find(name)->second, {}};
}

// Who a quota counts. What a browser sent for a web page of another site
// counts apart from what came straight from the same address: a page the
// user happens to visit can then neither lock the tool on the same machine
// out with wrong codes nor spend its sign-ins, and gets no more tries of its
// own than any address.
std::string QuotaKey(const DeskRequest& request) {
    return request.fromWebPage ? "web page via " + request.client : request.client;
}

std::string OpenIdNote(const std::string& openId) { return "openid \"" + Printable(MaskedOpenId(openId)) + "\""; }

DeskReply Page(std::string html, std::string note, int status = 200) {
    DeskReply reply = Answer(std::move(html), std::move(note));
    reply.status = status;
    reply.contentType = "text/html; charset=utf-8";
    return reply;
}

std::string DeliveriesJson(const std::vector<DeliveryState>& deliveries) {
    static constexpr const char* kStages[] = {"pending", "delivered", "failed"};
    std::string json;
    for (const DeliveryState& state : deliveries) {
        json += std::string(json.empty() ? "" : ",") +
                "{\"target\":" + JsonString(ForwardTarget::PublicNameOf(state.target)) + ",\"stage\":\"" +
                kStages[static_cast<int>(state.stage)] + "\",\"attempts\":" + std::to_string(state.attempts) + "}";
    }
    return "[" + json + "]";
}

}  // namespace

AlertDesk::AlertDesk(VerificationCodes codes, ServiceStore& store, std::string ntfyServer)
    : codes_(std::move(codes)), store_(store), ntfyServer_(std::move(ntfyServer)), subscribers_(store) {}

AlertDesk::Offer AlertDesk::IssueCode(Clock::time_point now, bool withPhone) {
    const std::lock_guard lock(mutex_);
    if (!withPhone) return {codes_.IssueKept(now), ""};
    PhoneBinding binding = PhoneBinding::Ntfy(ntfyServer_);
    std::string subscribeUrl = binding.SubscribeUrl();
    return {codes_.IssueKept(now, std::move(binding)), std::move(subscribeUrl)};
}

DeskReply AlertDesk::Handle(const DeskRequest& request, Clock::time_point now) {
    const std::lock_guard lock(mutex_);
    try {
        return Dispatch(request, now);
    } catch (const std::exception& error) {
        DeskReply reply = Refusal(503, "the service cannot keep its state now; try again later");
        reply.note = std::string("not served: ") + error.what();
        return reply;
    }
}

DeskReply AlertDesk::Dispatch(const DeskRequest& request, Clock::time_point now) {
    if (request.path == "/alertdesk/vers.asp") return VersionNotice(request);
    if (request.path == "/alertdesk/yzm_check.asp") return SignIn(request, now);
    if (request.path == "/alertdesk/sndmsg.asp") return Alert(request, now);
    if (request.path == "/alertdesk/checkon.asp") return Presence(request, true);
    if (request.path == "/alertdesk/checkoff.asp") return Presence(request, false);
    if (request.path == "/") return CodePage(request, now);
    if (request.path == "/bind") return Bind(request, now);
    if (request.path == "/phone") return PhonePage(request);
    if (request.path == "/unbind") return Unbind(request);
    if (request.path == "/status") return Status(request);
    return Refusal(404, "no such script");
}

DeskReply AlertDesk::VersionNotice(const DeskRequest& request) {
    const SingleParam version = Param(request, "vers");
    if (!version.value) return version.refusal;
    const std::string latest = kProgramVersion;
    if (*version.value == latest) {
        return Answer("本地通知服务已连接，当前版本 " + latest + " 是最新版本。", "version notice for " + latest);
    }
    return Answer("本地通知服务已连接，最新版本为 " + latest + "。", "version notice for " + Printable(*version.value));
}

DeskReply AlertDesk::SignIn(const DeskRequest& request, Clock::time_point now) {
    const SingleParam code = Param(request, "code");
    if (!code.value) return code.refusal;
    // The tool takes any answer but an OpenId as a wrong code, and says so.
    const std::string client = QuotaKey(request);
    switch (wrongCodes_.Check(client, now)) {
        case ClientQuota::Verdict::Spent:
            return Answer("err01", "sign-in refused: too many wrong codes from " + Printable(client));
        case ClientQuota::Verdict::NoRoom:
            return Refusal(503, "sign-in refused: too many addresses are trying codes; try again later");
        case ClientQuota::Verdict::Allowed:
            break;
    }
    if (signIns_.Check(client, now) != ClientQuota::Verdict::Allowed) {
        return Refusal(429, "sign-in refused: too many sign-ins from this address; try again in a minute");
    }
    const std::optional<VerificationCodes::Redeemed> redeemed = codes_.Find(*code.value, now);
    if (!redeemed) {
        CountMiss(client, *code.value, now);
        return Answer("err01", "sign-in refused for code \"" + Printable(*code.value) + "\"");
    }
    // The code is used up only once it has signed someone in: a sign-in
    // refused for want of room can be tried again with it.
    std::optional<std::string> openId = subscribers_.Register(ClientNetwork(request.client));
    if (!openId) return Refusal(503, "sign-in refused: every OpenId was in use within the last day");
    codes_.Use(*code.value, now);
    signIns_.Count(client, now);
    std::string note = "sign-in accepted, " + OpenIdNote(*openId);
    std::vector<std::string> owedTo;
    if (const std::optional<PhoneBinding>& binding = redeemed->binding) {
        const auto moment = std::chrono::system_clock::now();
        store_.BindPhone(*openId, binding->id, binding->target, UtcTimestamp(moment), EpochMilliseconds(moment));
        owedTo.push_back(binding->target);
        note += ", alerting " + Printable(ForwardTarget::PublicNameOf(binding->target));
    }
    DeskReply reply = Answer(std::move(*openId), std::move(note));
    reply.owedTo = std::move(owedTo);
    return reply;
}

// A code that was issued and left lately is a late try, not a guess: the
// user's own code may have expired, been used by a retry, or been pushed out
// by others loading the page.
void AlertDesk::CountMiss(const std::string& client, const std::string& code, Clock::time_point now) {
    if (!codes_.LeftLately(code, now)) wrongCodes_.Count(client, now);
}

DeskReply AlertDesk::Alert(const DeskRequest& request, Clock::time_point now) {
    const SingleParam openId = Param(request, "openid");
    const SingleParam sjs = Param(request, "sjs");
    const SingleParam signature = Param(request, "code");
    const SingleParam area = Param(request, "str");
    for (const SingleParam* param : {&openId, &sjs, &signature, &area}) {
        if (!param->value) return param->refusal;
    }
    if (!subscribers_.Knows(*openId.value)) {
        return Refusal(403, "alert refused: unknown " + OpenIdNote(*openId.value));
    }
    const std::optional<int> r = ParseDecimal(*sjs.value, kLowestSjs, kHighestSjs);
    if (!r) return Refusal(400, "alert refused: sjs \"" + Printable(*sjs.value) + "\" is not in 11111..21110");
    const std::optional<int> number = ParseDecimal(*area.value, kFirstArea, kLastArea);
    if (!number) return Refusal(400, "alert refused: str \"" + Printable(*area.value) + "\" is not an area 1..20");
    if (*signature.value != AlertSignature(*r)) {
        return Refusal(403, "alert refused: bad signature for sjs " + *sjs.value);
    }
    if (alertsSent_.Check(*openId.value, now) != ClientQuota::Verdict::Allowed) {
        return Refusal(429,
                       "alert refused: too many alerts from " + OpenIdNote(*openId.value) + "; try again in a minute");
    }
    alertsSent_.Count(*openId.value, now);

    DeskReply reply = Answer("ok", "alert for area " + *area.value + " from " + OpenIdNote(*openId.value));
    reply.alert = AcceptedAlert{*openId.value, *number, *r};
    return reply;
}

DeskReply AlertDesk::Presence(const DeskRequest& request, bool online) {
    const SingleParam openId = Param(request, "openid");
    if (!openId.value) return openId.refusal;
    const char* what = online ? "keep-alive" : "sign-off";
    // The window sends these before anyone has signed in; that is normal traffic.
    if (openId.value->empty()) return Answer("ok", std::string(what) + " before sign-in");
    if (!subscribers_.SetOnline(*openId.value, online)) {
        return Refusal(404, std::string(what) + " for unknown " + OpenIdNote(*openId.value));
    }
    return Answer("ok", std::string(what) + " from " + OpenIdNote(*openId.value));
}

DeskReply AlertDesk::CodePage(const DeskRequest& request, Clock::time_point now) {
    const std::string client = QuotaKey(request);
    if (codesHandedOut_.Check(client, now) != ClientQuota::Verdict::Allowed) {
        return Refusal(429, "no code: too many handed out to this address; try again in a minute");
    }
    codesHandedOut_.Count(client, now);
    PhoneBinding binding = PhoneBinding::Ntfy(ntfyServer_);
    const std::string subscribeUrl = binding.SubscribeUrl();
    const std::string code = codes_.Issue(now, std::move(binding));
    return Page(CodePageHtml(code, subscribeUrl), "code page issued code " + code);
}

// A live code is worth guessing here as much as at sign-in: bound to the
// guesser's own target, it would hand them someone's alerts. Misses count
// with the sign-in's.
DeskReply AlertDesk::Bind(const DeskRequest& request, Clock::time_point now) {
    const SingleParam code = Param(request, "code");
    const SingleParam target = Param(request, "target");
    for (const SingleParam* param : {&code, &target}) {
        if (!param->value) return param->refusal;
    }
    const std::string client = QuotaKey(request);
    if (wrongCodes_.Check(client, now) != ClientQuota::Verdict::Allowed) {
        return Page(PlainPageHtml("请稍后再试", "错误的验证码太多，请十分钟后再试。"),
                    "bind refused: too many wrong codes", 429);
    }
    const std::optional<ForwardTarget> parsed = ForwardTarget::ParseForward(*target.value);
    if (!parsed) {
        return Page(PlainPageHtml("无法使用此地址", "请填写 gotify:https://… 或 webhook:https://… 形式的地址。"),
                    "bind refused: not a target", 400);
    }
    if (!codes_.Rebind(*code.value, PhoneBinding::To(parsed->Written()), now)) {
        CountMiss(client, *code.value, now);
        return Page(PlainPageHtml("验证码无效", "此验证码已过期或已使用，请刷新页面获取新的验证码。"),
                    "bind refused for code \"" + Printable(*code.value) + "\"", 404);
    }
    return Page(BoundPageHtml(*code.value, parsed->PublicName()),
                "code " + *code.value + " bound to " + Printable(parsed->PublicName()));
}

DeskReply AlertDesk::PhonePage(const DeskRequest& request) {
    const SingleParam id = Param(request, "id");
    if (!id.value) return id.refusal;
    const std::optional<Binding> binding = store_.FindBinding(*id.value);
    if (!binding) {
        return Page(PlainPageHtml("没有这个绑定", "它可能已被停止。"), "no binding for a phone page", 404);
    }
    std::vector<AlertOnPage> alerts;
    for (RecordedAlert& alert : store_.LatestAlerts(kAlertsOnPage, binding->openId)) {
        std::vector<DeliveryState> deliveries = store_.Deliveries(alert.id);
        alerts.push_back({std::move(alert), std::move(deliveries)});
    }
    return Page(PhonePageHtml(binding->id, ForwardTarget::PublicNameOf(binding->target), alerts), "phone page");
}

DeskReply AlertDesk::Unbind(const DeskRequest& request) {
    const SingleParam id = Param(request, "id");
    if (!id.value) return id.refusal;
    if (!store_.Unbind(*id.value, EpochMilliseconds())) {
        return Page(PlainPageHtml("没有这个绑定", "它可能已被停止。"), "no binding to remove", 404);
    }
    return Page(UnboundPageHtml(), "binding removed");
}

// Counts, and the latest alerts with where each stands; no OpenId, which is
// all it takes to send alerts in someone's name.
DeskReply AlertDesk::Status(const DeskRequest& request) {
    // The owner's view of everyone's alerts is for the machine the service
    // runs on; anyone else who can reach the page is one of the people it
    // serves.
    if (!IsLocalHost(request.client)) return Refusal(403, "status is shown on this machine only");
    const OutboxCounts outbox = store_.CountOutbox();
    std::string latest;
    for (const RecordedAlert& alert : store_.LatestAlerts(kAlertsOnPage)) {
        latest += std::string(latest.empty() ? "" : ",") + "{\"id\":" + std::to_string(alert.id) +
                  ",\"time\":" + JsonString(alert.time) + ",\"area\":" + std::to_string(alert.alert.area) +
                  ",\"deliveries\":" + DeliveriesJson(store_.Deliveries(alert.id)) + "}";
    }
    DeskReply reply = Answer("{\"signedIn\":" + std::to_string(subscribers_.Count()) +
                                 ",\"online\":" + std::to_string(subscribers_.OnlineCount()) +
                                 ",\"outbox\":{\"pending\":" + std::to_string(outbox.pending) +
                                 ",\"delivered\":" + std::to_string(outbox.delivered) +
                                 ",\"failed\":" + std::to_string(outbox.failed) + "},\"latest\":[" + latest + "]}",
                             "status");
    reply.contentType = "application/json";
    return reply;
}

}  // namespace sentrel::service
