#pragma once
// A scoped temporary folder for the runtime's file tests.

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>

class TTempDir {
public:
    TTempDir()
    {
        static std::atomic<int> Counter{0};
        const auto Stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        FPath = std::filesystem::temp_directory_path() /
                ("qm_rtl_" + std::to_string(Stamp) + "_" + std::to_string(Counter++));
        std::filesystem::create_directories(FPath);
    }
    ~TTempDir()
    {
        std::error_code Ignored;
        std::filesystem::remove_all(FPath, Ignored);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    // A file name inside the folder, as the runtime takes it.
    std::string File(const std::string& Name) const { return (FPath / Name).string(); }
    const std::filesystem::path& Path() const { return FPath; }

private:
    std::filesystem::path FPath;
};
