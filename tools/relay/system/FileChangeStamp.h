#pragma once

#include <string>

namespace sentrel::service {

// What changes whenever anyone writes the file, truncates it or sets its
// times, and what no one can set back: on POSIX its inode and status-change
// time. Windows gives nothing as sure (the times it reports of a file open
// elsewhere may lag), and needs it less: a file SQLite has open there
// cannot be copied over. Empty when there is nothing to tell.
std::string FileChangeStamp(const std::string& path);

}  // namespace sentrel::service
