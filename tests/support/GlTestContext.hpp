// Shared set-up of the tests that need an OpenGL context: a test window, pixel read-back, the shipped
// shaders, test images and a scratch directory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <glm/mat4x4.hpp>
#include <glm/vec4.hpp>

#include "engine/core/Game.hpp"
#include "engine/render/OrthoCamera.hpp"
#include "engine/render/Shader.hpp"
#include "support/Process.hpp"

namespace kv::test {

// A game with nothing to load, update or draw: it provides the window and the current context.
class ContextGame : public Game {
public:
    ContextGame(int width, int height) : Game("kv gl tests", width, height) {}
    void load() override {}
    void update(float) override {}
    void render() override {}

    int getWidth() const { return width; }
    int getHeight() const { return height; }
};

// One framebuffer pixel; the default framebuffer may have no alpha, so only colour is compared.
struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const Rgb& other) const = default;
};
std::ostream& operator<<(std::ostream& out, const Rgb& color);

constexpr Rgb kBlack{0, 0, 0};

// Channel-wise within tolerance (0..255 units).
::testing::AssertionResult isNear(const Rgb& actual, const Rgb& expected, int tolerance);

// Loads the shipped pair name.vert / name.frag of the source tree.
std::shared_ptr<Shader> loadShippedShader(const std::string& name);

// The window point (y downward) that the camera maps to the game point p.
vec2 windowPointOf(const OrthoCamera& camera, const vec2& p);

// Writes a PNG of solid cells; cellColors (0xRRGGBBAA) row by row from the top-left cell, opaque black
// beyond the list.
void writeCellPng(const std::string& path, int width, int height, int cellWidth, int cellHeight,
                  const std::vector<std::uint32_t>& cellColors);

// Every test gets a fresh window (only one may exist at a time) with the viewport on its whole
// framebuffer, blending off and a black back buffer, which is where pixels are drawn and read.
class GlTest : public ::testing::Test {
protected:
    static constexpr int kWindowSize = 256; // pixels requested; the framebuffer size is read back

    void SetUp() override;
    void TearDown() override { game.reset(); }

    int framebufferWidth() const { return game->getWidth(); }
    int framebufferHeight() const { return game->getHeight(); }
    // One world unit per framebuffer pixel, origin at the bottom-left corner (as glReadPixels counts).
    glm::mat4 pixelProjection() const;
    void clear(const glm::vec4& color = glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
    // x, y from the bottom-left corner of the framebuffer; row by row from the bottom.
    Rgb readPixel(int x, int y) const { return readPixels(x, y, 1, 1).front(); }
    std::vector<Rgb> readPixels(int x, int y, int width, int height) const;
    // A path in a directory of this test's own, removed when the test ends.
    std::string scratchPath(const std::string& name) { return (scratchDirectory.path() / name).string(); }

    std::unique_ptr<ContextGame> game;

private:
    testsupport::TemporaryDirectory scratchDirectory{"kv_gl_tests"};
};

} // namespace kv::test
