// Where a game's asset files are found, and why one of them cannot be read.
#pragma once

#include <string>

namespace kv {

// Relative asset paths (shaders, images, fonts, sounds) resolve against one directory, the asset root. Empty,
// the default, stands for the working directory: paths are then read as given. Set it before loading
// anything; images decoded ahead on other threads read it without a lock.
void setAssetRoot(const std::string& directory);
const std::string& getAssetRoot();

// The path under the asset root; an absolute path, or any path while the root is empty, stays as it is.
std::string resolveAssetPath(const std::string& path);

// Why the file gives nothing to read: the system's reason ("No such file or directory", "Permission denied",
// "Is a directory") or "empty file". Empty when its first byte can be read.
std::string describeReadFailure(const std::string& path);

} // namespace kv
