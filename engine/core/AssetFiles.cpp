#include "engine/core/AssetFiles.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace kv {

namespace {
// A process-wide setting, like the working directory it stands in for: every loader reads it, and none of
// them is handed a game to ask.
std::string assetRoot;
} // namespace

void setAssetRoot(const std::string& directory) {
    assetRoot = directory;
}

const std::string& getAssetRoot() {
    return assetRoot;
}

std::string resolveAssetPath(const std::string& path) {
    if (assetRoot.empty()) {
        return path;
    }
    // An absolute path replaces the root.
    return (std::filesystem::path(assetRoot) / path).string();
}

std::string describeReadFailure(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return std::strerror(errno);
    }
    char first = 0;
    errno = 0;
    const bool read = std::fread(&first, 1, 1, file) == 1;
    // A directory opens, and fails only when read.
    const int error = std::ferror(file) != 0 ? errno : 0;
    std::fclose(file);
    if (read) {
        return "";
    }
    return error != 0 ? std::strerror(error) : "empty file";
}

} // namespace kv
