// A fresh temporary folder for one test, removed with everything in it afterwards.
#pragma once

#include "tests/support/Files.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

class TTempDir {
public:
    // Throws when no folder can be made: a test without its folder would only fail later and
    // less clearly.
    TTempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "krellix-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
        _path = pattern;
    }
    ~TTempDir()
    {
        // Tests take permissions away to provoke failures; give them back so everything goes.
        namespace fs = std::filesystem;
        std::error_code ignored;
        fs::permissions(_path, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(_path, ignored);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    std::string File(const std::string& name) const { return (_path / name).string(); }
    const std::filesystem::path& Path() const { return _path; }

    static void WriteBytes(const std::string& file, const std::vector<uint8_t>& bytes)
    {
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    static std::vector<uint8_t> ReadBytes(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path _path;
};
