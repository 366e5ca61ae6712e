#include "support/ServiceProcess.h"

#include <algorithm>
#include <stdexcept>

#include "support/Waiting.h"

namespace sentrel::testing {
namespace {

std::string After(const std::string& line, const std::string& marker) {
    return line.substr(line.find(marker) + marker.size());
}

}  // namespace

ServiceProcess::ServiceProcess(const std::vector<std::string>& extraArgs) {
    std::vector<std::string> argv = {SENTREL_SERVICE_BINARY, "--port", "0"};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    if (std::find(argv.begin(), argv.end(), "--db") == argv.end()) {
        database_ = std::make_unique<TempDatabase>();
        argv.insert(argv.end(), {"--db", database_->Path()});
    }
    process_ = std::make_unique<ChildProcess>(argv);
    const auto listening = process_->WaitForLine(ChildProcess::Stream::Err, Containing("listening on "));
    const auto code = process_->WaitForLine(ChildProcess::Stream::Err, Containing("verification code: "));
    if (!listening || !code) throw std::runtime_error("sentrel-service did not start");
    url_ = After(*listening, "listening on ");
    issuedCode_ = After(*code, "verification code: ").substr(0, 6);
}

}  // namespace sentrel::testing
