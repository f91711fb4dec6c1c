// Whole-file reads and writes for the files tests prepare and the files runs leave behind.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// Every byte of the file; empty when it cannot be read.
inline std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}
