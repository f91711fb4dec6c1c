// The per-frame trace a run writes (one flat JSON object per line), read back for checking.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// One trace line: numbers by key (true and false read as 0), strings by key (unescaped), arrays
// kept as their text.
struct TTraceLine {
    std::map<std::string, int64_t> number;
    std::map<std::string, std::string> text;

    // The number under key; -1 when the line has none.
    int64_t operator[](const std::string& key) const
    {
        const auto it = number.find(key);
        return it == number.end() ? -1 : it->second;
    }
    // The string or array under key; "?" when the line has none.
    std::string Text(const std::string& key) const
    {
        const auto it = text.find(key);
        return it == text.end() ? "?" : it->second;
    }
};

TTraceLine ParseTraceLine(const std::string& line);

// The whole-number member key of a trace line, read without parsing the rest; -1 when it is
// missing.
int64_t Member(const std::string& line, const std::string& key);

// The lines of a text, without their line ends.
std::vector<std::string> Lines(const std::string& text);
