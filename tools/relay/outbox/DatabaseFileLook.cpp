#include "relay/outbox/DatabaseFileLook.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "relay/system/FileChangeStamp.h"
#include "relay/system/Utf8Path.h"

namespace sentrel::service {
namespace {

// The header SQLite keeps on the first page: the page size, the page
// count and the counters it bumps as it writes.
constexpr std::size_t kHeaderBytes = 100;

}  // namespace

// The size is read through an open file rather than from the folder, which
// may lag for a file open elsewhere.
DatabaseFileLook DatabaseFileLook::Of(const std::string& path) {
    std::error_code ignored;
    DatabaseFileLook look;
    look.logThere = std::filesystem::exists(PathFromUtf8(path + "-wal"), ignored);
    look.stamp = FileChangeStamp(path);
    std::ifstream read(PathFromUtf8(path), std::ios::binary);
    look.header.resize(kHeaderBytes);
    read.read(look.header.data(), static_cast<std::streamsize>(kHeaderBytes));
    look.header.resize(static_cast<std::size_t>(read.gcount()));
    read.clear();
    read.seekg(0, std::ios::end);
    look.size = static_cast<long long>(read.tellg());
    return look;
}

}  // namespace sentrel::service
