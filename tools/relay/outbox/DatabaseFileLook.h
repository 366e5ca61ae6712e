#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace sentrel::service {

// A database in WAL mode as seen from outside SQLite: its file's size, time
// of writing and header, and whether its write-ahead log is there. SQLite
// writes the file itself only when it checkpoints, so a change at any other
// time is someone else's: a backup copied over it, or a truncation.
struct DatabaseFileLook {
    static DatabaseFileLook Of(const std::string& path);

    bool logThere = false;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type written{};
    std::string header;

    bool operator==(const DatabaseFileLook&) const = default;
};

}  // namespace sentrel::service
