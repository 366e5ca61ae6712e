#pragma once

#include <string>

namespace sentrel::service {

// A database in WAL mode as seen from outside SQLite: its file's size,
// header and change stamp, and whether its write-ahead log is there. SQLite
// writes the file itself only when it checkpoints, so a change at any other
// time is someone else's: a backup copied over it, or a truncation.
struct DatabaseFileLook {
    static DatabaseFileLook Of(const std::string& path);

    bool logThere = false;
    std::string header;
    long long size = 0;
    std::string stamp;

    bool operator==(const DatabaseFileLook&) const = default;
};

}  // namespace sentrel::service
