// Shared set-up of the tests that need an OpenGL context: a test window, pixel read-back, the shader
// sources of the source tree and a scratch directory for generated files.
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
#include "engine/render/Shader.hpp"

namespace kv::test {

// A game with nothing to load, update or draw: it provides the window and the current context.
class ContextGame : public Game {
public:
    ContextGame(int width, int height);
    void load() override {}
    void update(float) override {}
    void render() override {}

    int getWidth() const { return width; }
    int getHeight() const { return height; }
    GLFWwindow* getWindow() const { return window; }
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

// Source-tree path of a shipped shader file, e.g. shaderPath("debug.vert").
std::string shaderPath(const std::string& fileName);
// Loads the shipped pair name.vert / name.frag.
std::shared_ptr<Shader> loadShippedShader(const std::string& name);

// Every test gets a fresh window (only one may exist at a time) with the viewport on its whole
// framebuffer, blending off and a black back buffer, which is where pixels are drawn and read.
class GlTest : public ::testing::Test {
protected:
    // Requested window size in pixels; the framebuffer size is read back from the game.
    static constexpr int kWindowSize = 256;

    void SetUp() override;
    void TearDown() override;

    int framebufferWidth() const { return game->getWidth(); }
    int framebufferHeight() const { return game->getHeight(); }
    // One world unit per framebuffer pixel, origin at the bottom-left corner (as glReadPixels counts).
    glm::mat4 pixelProjection() const;
    void clear(const glm::vec4& color = glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
    // x, y from the bottom-left corner of the framebuffer.
    Rgb readPixel(int x, int y) const;
    // Row by row from the bottom.
    std::vector<Rgb> readPixels(int x, int y, int width, int height) const;
    // A path in a directory of this test's own, removed when the test ends.
    std::string scratchPath(const std::string& fileName);

    std::unique_ptr<ContextGame> game;

private:
    std::filesystem::path scratchDirectory;
};

} // namespace kv::test
