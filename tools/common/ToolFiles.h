// File access by path for the content tools, with errors that name the file.
#pragma once

#include "video/PictureFiles.h"

#include <string>
#include <string_view>

namespace valdmoor::tools {

// Raise EngineError naming Path when the file cannot be read or written.
std::string ReadBinaryFile(const std::string& path);
// Writes a temporary file beside Path and renames it over Path, so a failed run never leaves
// a torn file behind.
void WriteBinaryFile(const std::string& path, std::string_view bytes);

TPictureImage ReadPng(const std::string& path);
void WritePng(const std::string& path, const TPictureImage& image);

} // namespace valdmoor::tools
