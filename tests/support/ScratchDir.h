#pragma once
// A fresh folder under the system's temporary folder for one test, removed
// with everything in it when the test ends.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

class ScratchDir {
  public:
    ScratchDir()
        : root(std::filesystem::temp_directory_path() /
               ("zarvilo-" + std::to_string(std::random_device()()) + "-" +
                std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()))) {
        std::filesystem::create_directories(root);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;

    // The full path of name inside the folder, in the system's narrow form.
    std::string Path(const std::string& name) const { return (root / name).string(); }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(root / name, std::ios::binary) << bytes;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(root / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(root / name); }

  private:
    std::filesystem::path root;
};
