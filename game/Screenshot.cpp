#include "game/Screenshot.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <system_error>
#include <utility>

#include <GL/glew.h>
#include <fcntl.h>
#include <unistd.h>

#include "engine/core/Diagnostics.hpp"
#include "engine/render/DrawQueue.hpp"

namespace kv {

unsigned char* encodePng(const unsigned char* rgba, int width, int height, int* size);

namespace {

// Gives up after this many taken names in a row rather than looping for ever in a full directory.
constexpr int kMaxNameAttempts = 100000;
// Permissions asked for every file written; the kernel takes away what the umask (or a default ACL) says,
// as for any new file the player makes.
constexpr mode_t kNewFileMode = 0666;

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

// Creates the file, which must not exist yet, and writes the bytes into it: 0 when done, else the error
// (EEXIST when the name is taken). A file left half-written is removed.
int writeNewFile(const std::string& name, const unsigned char* data, int size) {
    const int descriptor = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
    if (descriptor < 0) {
        return errno;
    }
    int error = writeAll(descriptor, data, size) ? 0 : errno;
    if (::close(descriptor) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(name.c_str());
    }
    return error;
}

std::vector<unsigned char> readFramebuffer(int width, int height) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * 4 * static_cast<std::size_t>(height));
    // Draws still queued belong to the frame shown.
    flushQueuedDraws();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::string nameOf(int number) {
    return "screenshot_" + std::to_string(number) + ".png";
}

// The ways a finished temporary file takes its own name without replacing a file there, in the order
// tried: a hard link; where the file system has none (FAT, exFAT), a rename that refuses to replace; where
// that is refused too (some network mounts), the bytes written again into a file created exclusively,
// which a reader may then see while it grows.
enum class Naming { link, renameNoReplace, exclusiveCopy };

// 0 when named, else the error: EEXIST when the name is taken.
int giveName(Naming naming, const std::string& temporary, const std::string& name, const unsigned char* png,
             int size) {
    switch (naming) {
    case Naming::link:
        return ::link(temporary.c_str(), name.c_str()) == 0 ? 0 : errno;
    case Naming::renameNoReplace:
        return ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0
                   ? 0
                   : errno;
    case Naming::exclusiveCopy:
        break;
    }
    return writeNewFile(name, png, size);
}

// The PNG is written under a hidden temporary name first, so that nobody sees a half-written screenshot,
// then given the first free name from `number` on, which `number` is left at. Returns "" when written,
// else why not.
std::string encodeAndWrite(const std::vector<unsigned char>& pixels, int width, int height, int& number) {
    // GL rows start at the bottom; PNG rows at the top. The screen is opaque, whatever blending left in
    // alpha.
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    std::vector<unsigned char> upright(pixels.size());
    for (int row = 0; row < height; ++row) {
        std::memcpy(&upright[static_cast<std::size_t>(row) * rowBytes],
                    &pixels[static_cast<std::size_t>(height - 1 - row) * rowBytes], rowBytes);
    }
    for (std::size_t i = 3; i < upright.size(); i += 4) {
        upright[i] = 255;
    }
    int size = 0;
    const std::unique_ptr<unsigned char, decltype(&std::free)> png(
        encodePng(upright.data(), width, height, &size), &std::free);
    if (!png) {
        return "the image could not be encoded";
    }
    std::string temporary;
    int error = EEXIST;
    for (int attempt = 0; attempt < kMaxNameAttempts && error == EEXIST; ++attempt) {
        temporary = ".screenshot-" + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".tmp";
        error = writeNewFile(temporary, png.get(), size);
    }
    if (error != 0) {
        return std::generic_category().message(error);
    }
    Naming naming = Naming::link;
    for (int attempt = 0; attempt < kMaxNameAttempts;) {
        error = giveName(naming, temporary, nameOf(number), png.get(), size);
        if (error == EEXIST) {
            ++number;
            ++attempt;
        } else if (error == 0 || naming == Naming::exclusiveCopy) {
            break;
        } else {
            // Not possible here: the next way, under the same name.
            naming = static_cast<Naming>(static_cast<int>(naming) + 1);
        }
    }
    if (error != 0 || naming != Naming::renameNoReplace) {
        ::unlink(temporary.c_str());
    }
    return error == 0 ? "" : std::generic_category().message(error);
}

// Writes the screenshot and reports on standard error, naming the file, if it could not: whatever the
// failure (memory too), it never ends the game.
void writeReporting(const std::vector<unsigned char>& pixels, int width, int height, int number) noexcept {
    try {
        std::string failure;
        try {
            failure = encodeAndWrite(pixels, width, height, number);
        } catch (const std::exception& error) {
            failure = error.what();
        } catch (...) {
            failure = "unknown error";
        }
        if (!failure.empty()) {
            logCritical("Couldn't write screenshot " + nameOf(number) + ": " + failure);
        }
    } catch (...) {
        // Not even the message could be made: the screenshot is lost unreported, the game goes on.
    }
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
        writeReporting(job.pixels, job.width, job.height, job.number);
        lock.lock();
        busy = false;
        if (jobs.empty()) {
            allDone.notify_all();
        }
    }
}

} // namespace kv
