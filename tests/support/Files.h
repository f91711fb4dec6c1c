// Whole-file reads and writes for the files tests prepare and the files runs leave behind, and
// the bytes of the game's table records.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
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

// Numbers as the table files hold them: little-endian 32-bit words.
inline std::string Words(std::initializer_list<int64_t> numbers)
{
    std::string bytes;
    for (const int64_t n : numbers)
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>((static_cast<uint64_t>(n) >> (8 * i)) & 0xFF);
    return bytes;
}

// A table record: the name, CR LF, then its numbers.
inline std::string Record(const std::string& name, std::initializer_list<int64_t> numbers)
{
    return name + "\r\n" + Words(numbers);
}
