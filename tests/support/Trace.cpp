// Reading the trace's flat JSON objects: keys, numbers, strings with their escapes, and arrays.
#include "tests/support/Trace.h"

#include <cstdlib>
#include <sstream>

namespace {

// Reads a JSON string starting at the opening quote at i; i ends after the closing quote.
std::string ReadString(const std::string& line, size_t& i)
{
    std::string out;
    for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] != '\\') {
            out += line[i];
        } else if (line[++i] == 'u') {
            out += static_cast<char>(std::stoi(line.substr(i + 1, 4), nullptr, 16));
            i += 4;
        } else {
            out += line[i];
        }
    }
    ++i;
    return out;
}

}  // namespace

TTraceLine ParseTraceLine(const std::string& line)
{
    TTraceLine frame;
    size_t i = 1;
    while (i < line.size() && line[i] == '"') {
        const std::string key = ReadString(line, i);
        ++i;  // the colon
        if (line[i] == '"') {
            frame.text[key] = ReadString(line, i);
        } else if (line[i] == '[') {
            const size_t start = i;
            for (int depth = 0; i < line.size(); ++i) {
                depth += line[i] == '[' ? 1 : line[i] == ']' ? -1 : 0;
                if (depth == 0) break;
            }
            frame.text[key] = line.substr(start, ++i - start);
        } else {
            const size_t end = line.find_first_of(",}", i);
            frame.number[key] = static_cast<int64_t>(std::strtod(line.substr(i, end - i).c_str(), nullptr));
            i = end;
        }
        if (line[i] == ',') ++i;
    }
    return frame;
}

int64_t Member(const std::string& line, const std::string& key)
{
    const std::string tag = "\"" + key + "\":";
    const size_t at = line.find(tag);
    return at == std::string::npos ? -1 : std::strtoll(line.c_str() + at + tag.size(), nullptr, 10);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}
