#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace sentrel::service {

// Files that hold OpenIds, or tokens of forward targets, kept from the
// machine's other users: the one place that knows how the system says who
// may read a file.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using PrivateFile = std::unique_ptr<std::FILE, FileCloser>;

// Opens the file for appending; a file it creates only its owner may read
// and write, and so is an existing one of this user's that others could
// read. Throws std::runtime_error, naming the file and the reason, when it
// cannot be written, or when others may read it and it is another user's.
PrivateFile AppendPrivately(const std::string& path);

// Makes the file hold `text` and nothing else, in one step: a reader finds
// the old file, none, or the new one whole. The new file only its owner may
// read and write. Throws std::runtime_error, naming the file and the
// reason, when it cannot be written.
void ReplacePrivately(const std::string& path, const std::string& text);

// The whole text of a file that no one but its owner may read or write.
// Throws std::runtime_error, naming the file and the reason, for any other,
// and for anything but a regular file (a FIFO, a device).
std::string ReadOwnerOnly(const std::string& path);

}  // namespace sentrel::service
