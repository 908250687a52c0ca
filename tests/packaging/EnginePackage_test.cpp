// The engine installed alone, as a CMake package and a pkg-config module, into a scratch prefix and used from
// outside the tree: the example game, copied with its sources unchanged, builds against it both ways (the
// headers in the include form of the tree). The CMake-built program runs on the X display from an empty
// directory, with nothing to read but its own font and sound, plays 100 frames of the engine's scene, capped
// at the display's rate, draws with the engine's own shaders and quits by itself; without its files it ends
// in error.
#include <cstdlib>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "packaging/Installation.hpp"

namespace kv::testsupport {
namespace {

using namespace std::chrono_literals;

// All a game on the installed engine needs, this very version of it included.
constexpr const char* kGameProject = R"cmake(cmake_minimum_required(VERSION 3.25)
project(Collector LANGUAGES CXX)
find_package(kv )cmake" VANTOR_VERSION R"cmake( EXACT CONFIG REQUIRED)
add_executable(collector main.cpp CollectorGame.cpp)
target_link_libraries(collector PRIVATE kv::engine)
)cmake";

TEST(EnginePackage, BuildsTheExampleOutsideTheTreeWhichRunsOnItsOwnFilesAlone) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "runs on an X display (the test command starts one)";
    TemporaryDirectory scratch("kv-engine-package");
    const fs::path prefix = scratch.path() / "prefix";
    const CommandResult installed = install("engine", prefix);
    ASSERT_EQ(installed.status, 0) << installed.output;
    EXPECT_TRUE(fs::exists(prefix / "share/kv/shaders/dist_text.frag"));

    const fs::path source = scratch.path() / "collector";
    fs::copy(VANTOR_SOURCE_DIR "/examples/collector", source);
    std::ofstream(source / "CMakeLists.txt") << kGameProject; // replaces the one that builds it in the tree
    const std::string build = quote(scratch.path() / "build");
    const CommandResult built = run(quote(VANTOR_CMAKE_COMMAND) + " -G Ninja -S " + quote(source) + " -B " +
                                    build + " -DCMAKE_PREFIX_PATH=" + quote(prefix) + " && " +
                                    quote(VANTOR_CMAKE_COMMAND) + " --build " + build);
    ASSERT_EQ(built.status, 0) << built.output;

    const CommandResult pkgConfig =
        run("cd " + quote(source) + " && export PKG_CONFIG_PATH=" +
            quote(prefix / VANTOR_INSTALL_LIBDIR / "pkgconfig") + " && c++ -std=c++20 -o " +
            quote(scratch.path() / "collector-pc") +
            " main.cpp CollectorGame.cpp $(pkg-config --cflags --libs 'kv = " VANTOR_VERSION "')");
    EXPECT_EQ(pkgConfig.status, 0) << pkgConfig.output;

    Process played({(scratch.path() / "build/collector").string(), VANTOR_COLLECTOR_DIR, "100"}, scratch.path(),
                   scratch.path());
    ASSERT_TRUE(played.waitForEnd(120s));
    EXPECT_EQ(played.describe(), "exit 0") << played.standardError();
    EXPECT_EQ(played.standardError(), "") << "a file of its own was not found";
    EXPECT_TRUE(played.standardOutput().starts_with("OpenGL version: ")) << played.standardOutput();
    const CommandResult bare = run("(cd " + build + " && echo && ./collector 2>&1 >/dev/null)"); // no assets
    EXPECT_TRUE(bare.status == 1 && bare.output.find("\ncollector: ") != std::string::npos) << bare.output;
}

} // namespace
} // namespace kv::testsupport
