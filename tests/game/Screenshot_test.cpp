#include "game/Screenshot.hpp"

#include <cerrno>
#include <filesystem>
#include <new>
#include <set>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/GlTestContext.hpp"

namespace kv {
namespace {

namespace fs = std::filesystem;
using ScreenshotWriterTest = test::GlTest;

// The file system and the encoder as the writer meets them: the executable is linked with --wrap for link,
// renameat2 and kv::encodePng (_ZN2kv9encodePngEPKhiiPi).
struct Seam {
    int linkError = 0;   // errno that link fails with; 0: the real call
    int renameError = 0; // errno that renameat2 fails with; 0: the real call
    bool encoderThrows = false;
} seam;

// With umask 027, the frame a white square still queued in the bottom-left corner, screenshots in turn. The
// encoder runs out of memory: that is reported, and the writer goes on. A player's links to nowhere are named
// screenshot_2.png, _4 and _6, which look free until a file is given their name: on file systems with hard
// links, with only renames that refuse to replace (FAT) and with neither (some network mounts), each stays.
TEST_F(ScreenshotWriterTest, ShowsTheQueuedFrameNeverReplacesAFileAndReportsWhatItCannotWrite) {
    const std::pair<Seam, const char*> cases[] = {
        {{0, 0, true}, "Couldn't write screenshot screenshot_1.png: std::bad_alloc\n"},
        {{0, 0, false}, ""},
        {{EPERM, 0, false}, ""},
        {{EPERM, EINVAL, false}, ""},
    };
    const auto shader = test::loadShippedShader("debug");
    const vec4 square[] = {{0, 0, 0, 0},  {40, 0, 0, 0},  {0, 40, 0, 0},
                           {40, 0, 0, 0}, {40, 40, 0, 0}, {0, 40, 0, 0}};
    const fs::path previous = fs::current_path();
    fs::current_path(scratchPath(""));
    const mode_t umaskBefore = ::umask(027);
    for (const char* link : {"screenshot_2.png", "screenshot_4.png", "screenshot_6.png"}) {
        fs::create_symlink("nowhere", link);
    }
    ScreenshotWriter writer;
    int index = 0;
    for (const auto& [fileSystem, report] : cases) {
        seam = fileSystem;
        queueTriangles(*shader, 0, square, pixelProjection(), vec4(1.0f), vec2(0.0f));
        ::testing::internal::CaptureStderr();
        writer.take(kWindowSize, kWindowSize, index);
        writer.wait();
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), report);
        const std::string written = "screenshot_" + std::to_string(index + 1) + ".png";
        if (*report == '\0') {
            EXPECT_EQ(std::pair(fs::status(written).permissions(),
                                testsupport::shareOfPixels(written, testsupport::isLit)),
                      std::pair(fs::perms(0640), 40.0 * 40.0 / (kWindowSize * kWindowSize)))
                << written;
        }
    }
    seam = {};
    // Nothing else: no temporary file is left, the links are as they were.
    EXPECT_EQ(testsupport::namesIn("."),
              (std::set<std::string>{"screenshot_2.png", "screenshot_3.png", "screenshot_4.png",
                                     "screenshot_5.png", "screenshot_6.png", "screenshot_7.png"}));
    fs::current_path(previous);
    ::umask(umaskBefore);
}

} // namespace
} // namespace kv

extern "C" {
int __real_link(const char*, const char*);
int __real_renameat2(int, const char*, int, const char*, unsigned);
unsigned char* __real__ZN2kv9encodePngEPKhiiPi(const unsigned char*, int, int, int*);

int __wrap_link(const char* from, const char* to) {
    errno = kv::seam.linkError;
    return kv::seam.linkError != 0 ? -1 : __real_link(from, to);
}
int __wrap_renameat2(int fromDirectory, const char* from, int toDirectory, const char* to, unsigned flags) {
    errno = kv::seam.renameError;
    return kv::seam.renameError != 0 ? -1 : __real_renameat2(fromDirectory, from, toDirectory, to, flags);
}
unsigned char* __wrap__ZN2kv9encodePngEPKhiiPi(const unsigned char* rgba, int width, int height, int* size) {
    return kv::seam.encoderThrows ? throw std::bad_alloc()
                                  : __real__ZN2kv9encodePngEPKhiiPi(rgba, width, height, size);
}
}
