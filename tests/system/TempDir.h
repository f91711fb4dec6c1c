// A fresh temporary directory for one test, removed with everything in it afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

class TTempDir {
public:
    TTempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "krellix-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        _path = pattern;
    }
    ~TTempDir()
    {
        std::error_code ec;
        std::filesystem::permissions(_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(_path, ec);
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
