#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace sentrel::testing {

// The built sentrel-service on a free loopback port, with the address and
// the verification code it printed at start.
class ServiceProcess {
public:
    explicit ServiceProcess(const std::vector<std::string>& extraArgs = {});

    const std::string& Url() const { return url_; }
    const std::string& IssuedCode() const { return issuedCode_; }
    ChildProcess& Process() { return *process_; }

private:
    std::unique_ptr<ChildProcess> process_;
    std::string url_;
    std::string issuedCode_;
};

}  // namespace sentrel::testing
