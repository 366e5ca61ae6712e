#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sentrel::service {

// One request as the desk sees it: the decoded path and query parameters.
struct DeskRequest {
    std::string path;
    std::multimap<std::string, std::string> params;
    // The client's address, which wrong verification codes are counted by.
    std::string client{};
    // Sent by a web page of another site (its browser says so in Origin or
    // Sec-Fetch-Site), not by the tool, which sends neither.
    bool fromWebPage = false;
};

struct AcceptedAlert {
    std::string openId;
    int area = 0;
    int sjs = 0;
};

struct DeskReply {
    int status = 200;
    std::string body{};
    std::string contentType = "text/plain; charset=utf-8";
    // What the service's log says about this request.
    std::string note{};
    std::optional<AcceptedAlert> alert{};
    // Targets the desk has owed a delivery, which the courier must be told.
    std::vector<std::string> owedTo{};
};

}  // namespace sentrel::service
