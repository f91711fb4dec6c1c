// Registry of files compiled into the program, opened as "incbin::name".
#pragma once

#include <cstdint>
#include <string>

// 1 when registered, 0 when the name is taken (the first registration stays).
int32_t RegisterEmbeddedFile(const std::string& name, const uint8_t* data, int32_t length);
const uint8_t* EmbeddedFileData(const std::string& name);
int32_t EmbeddedFileSize(const std::string& name);
