#pragma once
// A fresh temporary folder for one test, removed with its contents at its end.
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

struct ScratchDir {
    ScratchDir() { std::filesystem::create_directories(root); }
    ~ScratchDir() { std::filesystem::remove_all(root, ignored); }
    ScratchDir(const ScratchDir&) = delete;

    // The full path of name inside the folder, in the system's narrow form.
    std::string Path(const std::string& name) const { return (root / name).string(); }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(root / name, std::ios::binary) << bytes;
    }
    std::string Read(const std::string& name) const {
        std::ostringstream bytes;
        bytes << std::ifstream(root / name, std::ios::binary).rdbuf();
        return bytes.str();
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(root / name); }

    const std::filesystem::path root = std::filesystem::temp_directory_path() /
                                       ("zarvilo-" + std::to_string(std::random_device()()));
    std::error_code ignored;
};
