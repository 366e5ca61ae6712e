#pragma once

#include <atomic>
#include <filesystem>
#include <random>
#include <string>

namespace sentrel::testing {

// A database file name of its own in the test's temporary folder, removed
// with its WAL companions when this goes.
class TempDatabase {
public:
    TempDatabase()
        : path_(std::filesystem::temp_directory_path() /
                ("sentrel-test-" + std::to_string(run_) + "-" + std::to_string(next_++) + ".db")) {}
    ~TempDatabase() {
        for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path_.string() + suffix);
    }
    TempDatabase(const TempDatabase&) = delete;
    TempDatabase& operator=(const TempDatabase&) = delete;

    std::string Path() const { return path_.string(); }

private:
    // Tests of several runs may share the temporary folder.
    static inline const unsigned run_ = std::random_device{}();
    static inline std::atomic<int> next_{0};
    std::filesystem::path path_;
};

}  // namespace sentrel::testing
