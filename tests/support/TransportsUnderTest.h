#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/curl/CurlTransport.h"
#include "support/WineProbeTransport.h"

namespace sentrel::testing {

// Every transport the same HTTP cases must hold for: libcurl always, and
// the Windows edition's WinHTTP under Wine when this build was pointed at a
// Windows build.
struct TransportUnderTest {
    std::string name;
    std::function<std::unique_ptr<Transport>()> make;
};

inline std::vector<TransportUnderTest> TransportsUnderTest() {
    std::vector<TransportUnderTest> transports = {{"libcurl", [] { return std::make_unique<CurlTransport>(); }}};
#ifdef SENTREL_WINE_TRANSPORT_PROBE
    transports.push_back(
        {"WinHttpUnderWine", [] { return std::make_unique<WineProbeTransport>(SENTREL_WINE_TRANSPORT_PROBE); }});
#endif
    return transports;
}

inline std::string TransportName(const ::testing::TestParamInfo<TransportUnderTest>& info) { return info.param.name; }

}  // namespace sentrel::testing
