#include "tests/support/GlTestContext.hpp"

#include <stdexcept>

#include <glm/gtc/matrix_transform.hpp>

#include "engine/render/DrawQueue.hpp"
#include "tools/assetgen/StbImageWrite.hpp"

namespace kv::test {

namespace {
constexpr int kRgbaChannels = 4;
} // namespace

std::ostream& operator<<(std::ostream& out, const Rgb& color) {
    return out << "rgb(" << color.r << ", " << color.g << ", " << color.b << ")";
}

::testing::AssertionResult isNear(const Rgb& actual, const Rgb& expected, int tolerance) {
    if (std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance &&
        std::abs(actual.b - expected.b) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << actual << " is not within " << tolerance << " of " << expected;
}

std::shared_ptr<Shader> loadShippedShader(const std::string& name) {
    const std::string base = std::string(VANTOR_TEST_SHADER_DIR) + "/" + name;
    return std::make_shared<Shader>(base + ".vert", base + ".frag");
}

vec2 windowPointOf(const OrthoCamera& camera, const vec2& p) {
    const float ndcX = (p.x - camera.position.x) / camera.halfWidth;
    const float ndcY = (p.y - camera.position.y) / camera.halfHeight;
    return vec2((ndcX + 1.0f) * 0.5f * camera.bufferWidth, (1.0f - ndcY) * 0.5f * camera.bufferHeight);
}

void writeCellPng(const std::string& path, int width, int height, int cellWidth, int cellHeight,
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

void GlTest::SetUp() {
    game = std::make_unique<ContextGame>(kWindowSize, kWindowSize);
    glViewport(0, 0, framebufferWidth(), framebufferHeight());
    glDisable(GL_BLEND);
    glReadBuffer(GL_BACK);
    clear();
}

glm::mat4 GlTest::pixelProjection() const {
    return glm::ortho(0.0f, static_cast<float>(framebufferWidth()), 0.0f,
                      static_cast<float>(framebufferHeight()));
}

void GlTest::clear(const glm::vec4& color) {
    flushQueuedDraws();
    glClearColor(color.r, color.g, color.b, color.a);
    glClear(GL_COLOR_BUFFER_BIT);
}

std::vector<Rgb> GlTest::readPixels(int x, int y, int width, int height) const {
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

} // namespace kv::test
