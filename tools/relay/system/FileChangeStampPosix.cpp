#include <sys/stat.h>

#include "relay/system/FileChangeStamp.h"

namespace sentrel::service {

std::string FileChangeStamp(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return {};
    return std::to_string(status.st_ino) + " " + std::to_string(status.st_ctim.tv_sec) + "." +
           std::to_string(status.st_ctim.tv_nsec);
}

}  // namespace sentrel::service
