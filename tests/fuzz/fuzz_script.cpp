// Fuzzes the --input script parser: no crash or sanitizer report, and every script it accepts
// writes back line by line into a script that reads as the same entries.
#include "framework/system/Script.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<TScriptEntry> entries;
    std::string error;
    if (!ParseInputScript(text, entries, error)) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    std::string written;
    for (const TScriptEntry& entry : entries) written += FormatScriptEntry(entry) + "\n";
    std::vector<TScriptEntry> again;
    if (!ParseInputScript(written, again, error) || again.size() != entries.size()) __builtin_trap();
    for (size_t i = 0; i < entries.size(); ++i) {
        const TScriptEntry& a = entries[i];
        const TScriptEntry& b = again[i];
        if (a.frame != b.frame || a.isClock != b.isClock || a.ms != b.ms || a.event.id != b.event.id ||
            a.event.data != b.event.data || a.event.mods != b.event.mods || a.event.x != b.event.x ||
            a.event.y != b.event.y)
            __builtin_trap();
    }
    return 0;
}
