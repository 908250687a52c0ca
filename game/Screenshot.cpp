#include "game/Screenshot.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <GL/glew.h>
#include <fcntl.h>
#include <unistd.h>

namespace kv {

unsigned char* encodePng(const unsigned char* rgba, int width, int height, int* size);

namespace {

// Gives up after this many taken names in a row rather than looping for ever in a full directory.
constexpr int kMaxNameAttempts = 100000;

bool writeAll(int descriptor, const unsigned char* data, int size) {
    while (size > 0) {
        const ssize_t written = ::write(descriptor, data, static_cast<size_t>(size));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<int>(written);
    }
    return true;
}

} // namespace

std::string saveScreenshot(int width, int height, int& lastIndex) {
    if (width <= 0 || height <= 0) {
        return "";
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    std::vector<unsigned char> pixels(rowBytes * static_cast<std::size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());

    // GL rows start at the bottom; PNG rows at the top. The screen is opaque, whatever blending left in alpha.
    std::vector<unsigned char> upright(pixels.size());
    for (int row = 0; row < height; ++row) {
        std::memcpy(&upright[static_cast<std::size_t>(row) * rowBytes],
                    &pixels[static_cast<std::size_t>(height - 1 - row) * rowBytes], rowBytes);
    }
    for (std::size_t i = 3; i < upright.size(); i += 4) {
        upright[i] = 255;
    }

    int pngSize = 0;
    unsigned char* png = encodePng(upright.data(), width, height, &pngSize);
    if (png == nullptr) {
        return "";
    }
    std::string written;
    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
        ++lastIndex;
        const std::string name = "screenshot_" + std::to_string(lastIndex) + ".png";
        // O_EXCL: a name that exists is skipped, never overwritten.
        const int descriptor = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (descriptor < 0) {
            if (errno == EEXIST) {
                continue;
            }
            break;
        }
        const bool ok = writeAll(descriptor, png, pngSize);
        const bool closed = ::close(descriptor) == 0;
        if (ok && closed) {
            written = name;
        } else {
            ::unlink(name.c_str());
        }
        break;
    }
    std::free(png);
    return written;
}

} // namespace kv
