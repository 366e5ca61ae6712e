#include "relay/outbox/DatabaseFileLook.h"

#include <fstream>
#include <system_error>

#include "relay/system/Utf8Path.h"

namespace sentrel::service {
namespace {

// The header SQLite keeps on the first page: the page size, the page
// count and the counters it bumps as it writes.
constexpr std::size_t kHeaderBytes = 100;

}  // namespace

DatabaseFileLook DatabaseFileLook::Of(const std::string& path) {
    const std::filesystem::path file = PathFromUtf8(path);
    std::error_code ignored;
    DatabaseFileLook look;
    look.logThere = std::filesystem::exists(PathFromUtf8(path + "-wal"), ignored);
    look.size = std::filesystem::file_size(file, ignored);
    look.written = std::filesystem::last_write_time(file, ignored);
    std::ifstream read(file, std::ios::binary);
    look.header.resize(kHeaderBytes);
    read.read(look.header.data(), static_cast<std::streamsize>(kHeaderBytes));
    look.header.resize(static_cast<std::size_t>(read.gcount()));
    return look;
}

}  // namespace sentrel::service
