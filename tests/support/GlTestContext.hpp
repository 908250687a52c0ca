// Shared set-up of the tests that need an OpenGL context: a test window, pixel read-back, the shipped
// shaders, test images and a scratch directory.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/mat4x4.hpp>

#include "engine/core/Game.hpp"
#include "engine/render/DrawQueue.hpp"
#include "engine/render/OrthoCamera.hpp"
#include "engine/render/Shader.hpp"
#include "support/Constants.hpp"
#include "support/Process.hpp"
#include "tools/assetgen/StbImageWrite.hpp"

namespace kv::test {

// A game with nothing to load, update or draw: it provides the window and the current context.
class ContextGame : public Game {
public:
    ContextGame(int width, int height) : Game("kv gl tests", width, height) {}
    void load() override {}
    void update(float) override {}
    void render() override {}
};

// One framebuffer pixel; the default framebuffer may have no alpha, so only colour is compared.
struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const Rgb& other) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const Rgb& color) {
    return out << "rgb(" << color.r << ", " << color.g << ", " << color.b << ")";
}

constexpr Rgb kBlack{0, 0, 0};

// Channel-wise within tolerance (0..255 units).
inline ::testing::AssertionResult isNear(const Rgb& actual, const Rgb& expected, int tolerance) {
    if (std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance &&
        std::abs(actual.b - expected.b) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << actual << " is not within " << tolerance << " of " << expected;
}

// Loads the shipped pair name.vert / name.frag of the source tree.
inline std::shared_ptr<Shader> loadShippedShader(const std::string& name) {
    const std::string base = std::string(VANTOR_TEST_SHADER_DIR) + "/" + name;
    return std::make_shared<Shader>(base + ".vert", base + ".frag");
}

// The window point (y downward) that the camera maps to the game point p.
inline vec2 windowPointOf(const OrthoCamera& camera, const vec2& p) {
    const float ndcX = (p.x - camera.position.x) / camera.halfWidth;
    const float ndcY = (p.y - camera.position.y) / camera.halfHeight;
    return vec2((ndcX + 1.0f) * 0.5f * camera.bufferWidth, (1.0f - ndcY) * 0.5f * camera.bufferHeight);
}

// Writes a PNG of solid cells; cellColors (0xRRGGBBAA) row by row from the top-left cell, opaque black
// beyond the list.
inline void writeCellPng(const std::string& path, int width, int height, int cellWidth, int cellHeight,
                         const std::vector<std::uint32_t>& cellColors) {
    std::vector<std::uint8_t> rgba;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto cell =
                static_cast<std::size_t>((y / cellHeight) * (width / cellWidth) + x / cellWidth);
            const std::uint32_t color = cell < cellColors.size() ? cellColors[cell] : 0x000000ffu;
            rgba.insert(rgba.end(), {std::uint8_t(color >> 24), std::uint8_t(color >> 16),
                                     std::uint8_t(color >> 8), std::uint8_t(color)});
        }
    }
    if (writePngFile(path.c_str(), width, height, kRgbaChannels, rgba.data(), width * kRgbaChannels) == 0) {
        throw std::runtime_error("Couldn't write test image " + path);
    }
}

// Draws and reads in a colour buffer of the context's own, not in a window another test may cover or iconify.
inline void drawOffscreen(int width, int height) {
    GLuint colour = 0, framebuffer = 0;
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glViewport(0, 0, width, height);
}

// Every test gets a fresh window (only one may exist at a time), blending off and a black offscreen colour
// buffer with the viewport on the whole of it, which is where pixels are drawn and read.
class GlTest : public ::testing::Test {
protected:
    static constexpr int kWindowSize = 256; // pixels of the window and of the colour buffer drawn into

    void SetUp() override {
        game = std::make_unique<ContextGame>(kWindowSize, kWindowSize);
        drawOffscreen(kWindowSize, kWindowSize);
        glDisable(GL_BLEND);
        clear();
    }

    // One world unit per framebuffer pixel, origin at the bottom-left corner (as glReadPixels counts).
    glm::mat4 pixelProjection() const { return glm::ortho<float>(0, kWindowSize, 0, kWindowSize); }
    void clear() {
        flushQueuedDraws();
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    // x, y from the bottom-left corner of the framebuffer; row by row from the bottom.
    Rgb readPixel(int x, int y) const { return readPixels(x, y, 1, 1).front(); }
    std::vector<Rgb> readPixels(int x, int y, int width, int height) const {
        std::vector<unsigned char> bytes(static_cast<std::size_t>(width * height * kRgbaChannels));
        flushQueuedDraws();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
        std::vector<Rgb> pixels;
        for (std::size_t i = 0; i < bytes.size(); i += kRgbaChannels) {
            pixels.push_back(Rgb{bytes[i], bytes[i + 1], bytes[i + 2]});
        }
        return pixels;
    }
    // A path in a directory of this test's own, removed when the test ends.
    std::string scratchPath(const std::string& name) { return (scratchDirectory.path() / name).string(); }

    std::unique_ptr<ContextGame> game;

private:
    testsupport::TemporaryDirectory scratchDirectory{"kv_gl_tests"};
};

} // namespace kv::test
