#include "client/ServiceRequests.h"

#include <utility>

#include "client/AlertSignature.h"

namespace sentrel {

ServiceRequests::ServiceRequests(std::string serviceUrl) : serviceUrl_(std::move(serviceUrl)) {}

std::string ServiceRequests::Script(const char* nameAndQuery) const {
    return serviceUrl_ + "/alertdesk/" + nameAndQuery;
}

std::string ServiceRequests::VersionNotice() const { return Script("vers.asp?vers=") + kProgramVersion; }

std::string ServiceRequests::SignIn(const std::string& verificationCode) const {
    return Script("yzm_check.asp?code=") + verificationCode;
}

std::string ServiceRequests::Alert(const std::string& openId, int r, int area) const {
    return Script("sndmsg.asp?openid=") + openId + "&sjs=" + std::to_string(r) + "&code=" + AlertSignature(r) +
           "&str=" + std::to_string(area);
}

std::string ServiceRequests::KeepAlive(const std::string& openId) const {
    return Script("checkon.asp?openid=") + openId;
}

std::string ServiceRequests::SignOff(const std::string& openId) const {
    return Script("checkoff.asp?openid=") + openId;
}

}  // namespace sentrel
