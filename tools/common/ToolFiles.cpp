#include "ToolFiles.h"

#include "app/EngineApplication.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace valdmoor::tools {

std::string ReadBinaryFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw EngineError("Cannot read \"" + path + "\": " + std::strerror(errno));
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        throw EngineError("Cannot read \"" + path + "\"");
    }
    return bytes;
}

void WriteBinaryFile(const std::string& path, std::string_view bytes) {
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (out) {
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            out.close();
        }
        if (!out) {
            const std::string reason = std::strerror(errno);
            std::remove(temporary.c_str());
            throw EngineError("Cannot write \"" + path + "\": " + reason);
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(temporary.c_str());
        throw EngineError("Cannot write \"" + path + "\": " + reason);
    }
}

TPictureImage ReadPng(const std::string& path) {
    return DecodePng(ReadBinaryFile(path), path);
}

void WritePng(const std::string& path, const TPictureImage& image) {
    WriteBinaryFile(path, EncodePng(image));
}

} // namespace valdmoor::tools
