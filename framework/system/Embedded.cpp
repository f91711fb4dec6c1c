// The registry of files compiled into the program.
#include "framework/system/Embedded.h"

#include <map>
#include <utility>

namespace {

std::map<std::string, std::pair<const uint8_t*, int32_t>>& Registry()
{
    static std::map<std::string, std::pair<const uint8_t*, int32_t>> registry;
    return registry;
}

}  // namespace

int32_t RegisterEmbeddedFile(const std::string& name, const uint8_t* data, int32_t length)
{
    return Registry().try_emplace(name, data, length).second ? 1 : 0;
}

const uint8_t* EmbeddedFileData(const std::string& name)
{
    auto it = Registry().find(name);
    return it == Registry().end() ? nullptr : it->second.first;
}

int32_t EmbeddedFileSize(const std::string& name)
{
    auto it = Registry().find(name);
    return it == Registry().end() ? 0 : it->second.second;
}
