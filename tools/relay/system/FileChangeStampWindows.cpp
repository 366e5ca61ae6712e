#include "relay/system/FileChangeStamp.h"

namespace sentrel::service {

std::string FileChangeStamp(const std::string&) { return {}; }

}  // namespace sentrel::service
