#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TempDatabase.h"

namespace sentrel::testing {

// The built sentrel-service on a free loopback port, with the address and
// the verification code it printed at start. Its database is a fresh
// temporary one unless the arguments name one. SENTREL_SERVICE_UNDER_TEST,
// when set, names another build's binary to run instead.
class ServiceProcess {
public:
    explicit ServiceProcess(const std::vector<std::string>& extraArgs = {});

    const std::string& Url() const { return url_; }
    int Port() const { return std::stoi(url_.substr(url_.rfind(':') + 1)); }
    const std::string& IssuedCode() const { return issuedCode_; }
    ChildProcess& Process() { return *process_; }

private:
    // Declared first, so that it goes after the process.
    std::unique_ptr<TempDatabase> database_;
    std::unique_ptr<ChildProcess> process_;
    std::string url_;
    std::string issuedCode_;
};

}  // namespace sentrel::testing
