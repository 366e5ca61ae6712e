// Requests as a client could send them, through the desk.
//
// The input is read as lines, each an HTTP request target
// ("/alertdesk/sndmsg.asp?openid=...") sent in a GET request's head, read
// and decoded as the HTTP layer reads and decodes it, and handed to the
// desk; a line "@ADDRESS" sets the client address of the
// lines after it, and a line "+N" moves the clock on by N seconds.

#include <unistd.h>

#include <boost/asio/buffer.hpp>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "client/AlertSignature.h"
#include "client/DecimalText.h"
#include "relay/desk/AlertDesk.h"
#include "relay/http/RequestHead.h"
#include "relay/http/RequestTarget.h"
#include "relay/outbox/ServiceStore.h"
#include "relay/system/UtcTimestamp.h"

namespace {

using namespace sentrel;
using namespace sentrel::service;

// Any standing code will do; it lets inputs sign in without first reading a
// code off the page.
constexpr const char* kStandingCode = "4321";

// Accepted alerts are recorded so that the code page lists some, but only
// this many: a long run would otherwise fill the disk.
constexpr int kMaxRecordedAlerts = 500;

void Check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "invariant violated: %s\n", what);
        std::abort();
    }
}

// Well-formed UTF-8 with no control character (C0, DEL or C1): what the
// log may show as it is.
bool IsPrintableText(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80                   ? 1
                                   : lead >= 0xC2 && lead < 0xE0 ? 2
                                   : lead >= 0xE0 && lead < 0xF0 ? 3
                                   : lead >= 0xF0 && lead < 0xF5 ? 4
                                                                 : 0;
        if (length == 0 || i + length > text.size() || lead < 0x20 || lead == 0x7F) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        if (lead == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) return false;
        i += length;
    }
    return true;
}

bool IsOpenId(std::string_view text) {
    if (text.size() != 28 || text.front() != 'o') return false;
    for (const char c : text) {
        const bool ok =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (!ok) return false;
    }
    return true;
}

// The store lives for the whole process: opening one creates its schema,
// far too slow to repeat for every input. Its file goes when the process
// ends normally; libFuzzer leaves a crash through abort, so the name
// carries the process id to keep runs apart.
struct ScratchStore {
    std::string path;
    std::unique_ptr<ServiceStore> store;

    ScratchStore() {
        const char* tmp = std::getenv("TMPDIR");
        const std::string dir = tmp != nullptr && *tmp == '/' ? tmp : "/tmp";
        path = dir + "/sentrel-fuzz-" + std::to_string(::getpid()) + ".db";
        Remove();
        store = std::make_unique<ServiceStore>(path);
    }
    ~ScratchStore() {
        store.reset();
        Remove();
    }
    ScratchStore(const ScratchStore&) = delete;
    ScratchStore& operator=(const ScratchStore&) = delete;

    void Remove() const {
        std::error_code ignored;
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::filesystem::remove(path + suffix, ignored);
    }
};

ScratchStore& Scratch() {
    static ScratchStore scratch;
    return scratch;
}

// What the HTTP layer makes of the target: a head it would refuse, or a
// target that is not a path, reaches no script.
std::optional<DeskRequest> ReadAsTheServerDoes(const std::string& target) {
    RequestHead head;
    boost::beast::error_code error;
    const std::string text = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    head.put(boost::asio::buffer(text), error);
    if (error || !head.is_done()) return std::nullopt;
    Check(head.Target() == target, "the parsed target is the one sent");
    return DecodeTarget(head.Target());
}

// A fuzzer cannot guess an OpenId the desk handed out, nor a SHA-1
// signature; these stand-ins let inputs reach the accepted alert.
void FillStandIns(DeskRequest& request, const std::string& lastOpenId) {
    std::optional<int> sjs;
    if (const auto found = request.params.find("sjs"); found != request.params.end()) {
        sjs = ParseDecimal(found->second, 0, 999999999);
    }
    for (auto& [name, value] : request.params) {
        if (value == "$OPENID") value = lastOpenId;
        if (value == "$SIG" && sjs) value = AlertSignature(*sjs);
    }
}

void CheckReply(const DeskRequest& request, const DeskReply& reply) {
    // 429 and 503: a client, or every client, past its quota.
    Check(reply.status == 200 || reply.status == 400 || reply.status == 403 || reply.status == 404 ||
              reply.status == 429 || reply.status == 503,
          "desk status is 200, 400, 403, 404, 429 or 503");
    // The note goes into a one-line log: nothing from the request may break
    // that line or smuggle escape sequences into a terminal.
    Check(IsPrintableText(reply.note), "desk note is well-formed UTF-8 without control characters");
    if (reply.alert) {
        Check(request.path == "/alertdesk/sndmsg.asp", "only the alert script accepts alerts");
        Check(reply.status == 200 && reply.body == "ok", "an accepted alert is answered 200 ok");
        Check(reply.alert->area >= 1 && reply.alert->area <= 20, "accepted area in 1..20");
        Check(reply.alert->sjs >= 11111 && reply.alert->sjs <= 21110, "accepted sjs in 11111..21110");
        Check(IsOpenId(reply.alert->openId), "accepted alert carries an OpenId the desk hands out");
    }
    if (request.path == "/alertdesk/yzm_check.asp" && reply.status == 200 && reply.body != "err01") {
        Check(IsOpenId(reply.body), "a sign-in hands out an OpenId");
    }
}

void FuzzDesk(std::string_view input) {
    ServiceStore& store = *Scratch().store;
    // A fresh desk per input keeps codes and the counts of wrong codes and
    // sign-ins from one input out of the next, so that a crash reproduces
    // from its input.
    AlertDesk desk(VerificationCodes(std::string(kStandingCode)), store);
    auto now = AlertDesk::Clock::time_point{} + std::chrono::hours(24);
    std::string client = "127.0.0.1";
    std::string lastOpenId;
    static int recorded = 0;

    while (!input.empty()) {
        const std::size_t end = input.find('\n');
        const std::string line(input.substr(0, end));
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);

        if (line.starts_with('@')) {
            client = line.substr(1);
            continue;
        }
        if (line.starts_with('+')) {
            if (const std::optional<int> seconds = ParseDecimal(std::string_view(line).substr(1), 0, 100000000)) {
                now += std::chrono::seconds(*seconds);
            }
            continue;
        }
        std::optional<DeskRequest> request = ReadAsTheServerDoes(line);
        if (!request) continue;
        request->client = client;
        FillStandIns(*request, lastOpenId);

        const DeskReply reply = desk.Handle(*request, now);
        CheckReply(*request, reply);
        if (request->path == "/alertdesk/yzm_check.asp" && IsOpenId(reply.body)) lastOpenId = reply.body;
        if (reply.alert && recorded < kMaxRecordedAlerts) {
            ++recorded;
            store.RecordAlert(*reply.alert, UtcTimestamp(std::chrono::system_clock::now()), 0, {});
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    FuzzDesk(input);
    return 0;
}
