// Screenshots: the framebuffer saved as PNG files named "screenshot_<n>.png" in the working directory.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kv {

// Saves screenshots without stalling the frame that takes them: the framebuffer is read at once, on the
// GL thread; encoding and writing follow on a thread of the writer's own (started with the first
// screenshot), in the order taken. A file never replaces an existing one and appears whole under its name
// (only where the file system can neither link nor rename without replacing is it written in place), with
// the permissions the umask gives any new file. One that cannot be written, whatever the reason, is
// reported on standard error, naming it, and the game goes on. The destructor waits for every pending
// file, so none is lost on quitting.
class ScreenshotWriter {
public:
    ScreenshotWriter() = default;
    ~ScreenshotWriter();
    ScreenshotWriter(const ScreenshotWriter&) = delete;
    ScreenshotWriter& operator=(const ScreenshotWriter&) = delete;

    // Reads the whole framebuffer (width x height pixels) from the current read buffer, queued draws
    // included, to be written upright. The number n goes up from lastIndex + 1 past every name already
    // taken; lastIndex becomes it. Returns the name meant, or "" for an empty framebuffer. Should another
    // program take that name before the file is written, the next free number is used.
    std::string take(int width, int height, int& lastIndex);
    // Returns once every screenshot taken so far is written or given up.
    void wait();

private:
    struct Job {
        std::vector<unsigned char> pixels; // bottom row first, as read
        int width;
        int height;
        int number;
    };

    void run();

    std::mutex mutex;
    std::condition_variable jobAdded;
    std::condition_variable allDone;
    std::deque<Job> jobs;
    bool busy = false;
    bool stopping = false;
    std::thread worker;
};

} // namespace kv
