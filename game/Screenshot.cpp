#include "game/Screenshot.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <GL/glew.h>
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

std::vector<unsigned char> readFramebuffer(int width, int height) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * 4 * static_cast<std::size_t>(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::string nameOf(int number) {
    return "screenshot_" + std::to_string(number) + ".png";
}

// The PNG is written under a hidden temporary name, then linked to its own: link() fails rather than
// replace a file, and nobody ever sees a half-written screenshot.
void encodeAndWrite(const std::vector<unsigned char>& pixels, int width, int height, int number) {
    // GL rows start at the bottom; PNG rows at the top. The screen is opaque, whatever blending left in alpha.
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
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
        return;
    }
    char temporary[] = ".screenshot-XXXXXX";
    const int descriptor = ::mkstemp(temporary);
    if (descriptor >= 0) {
        const bool ok = writeAll(descriptor, png, pngSize);
        if (::close(descriptor) == 0 && ok) {
            for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt, ++number) {
                if (::link(temporary, nameOf(number).c_str()) == 0 || errno != EEXIST) {
                    break;
                }
            }
        }
        ::unlink(temporary);
    }
    std::free(png);
}

} // namespace

ScreenshotWriter::~ScreenshotWriter() {
    if (!worker.joinable()) {
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    jobAdded.notify_one();
    // The worker finishes the queue before it ends: no screenshot is lost on quitting.
    worker.join();
}

std::string ScreenshotWriter::take(int width, int height, int& lastIndex) {
    if (width <= 0 || height <= 0) {
        return "";
    }
    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
        ++lastIndex;
        if (::access(nameOf(lastIndex).c_str(), F_OK) != 0 && errno == ENOENT) {
            break;
        }
    }
    Job job{readFramebuffer(width, height), width, height, lastIndex};
    {
        const std::lock_guard<std::mutex> lock(mutex);
        jobs.push_back(std::move(job));
        if (!worker.joinable()) {
            worker = std::thread([this] { run(); });
        }
    }
    jobAdded.notify_one();
    return nameOf(lastIndex);
}

void ScreenshotWriter::wait() {
    std::unique_lock<std::mutex> lock(mutex);
    allDone.wait(lock, [this] { return jobs.empty() && !busy; });
}

void ScreenshotWriter::run() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        jobAdded.wait(lock, [this] { return stopping || !jobs.empty(); });
        if (jobs.empty()) {
            return; // stopping, and nothing left
        }
        Job job = std::move(jobs.front());
        jobs.pop_front();
        busy = true;
        lock.unlock();
        encodeAndWrite(job.pixels, job.width, job.height, job.number);
        lock.lock();
        busy = false;
        if (jobs.empty()) {
            allDone.notify_all();
        }
    }
}

} // namespace kv
