#include "engine/render/Shader.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "engine/core/AssetFiles.hpp"
#include "engine/render/EngineShaders.hpp"
#include "engine/render/Sprite.hpp"
#include "tests/support/ErrorText.hpp"
#include "tests/support/GlTestContext.hpp"

namespace kv {
namespace {

using test::Rgb;

constexpr const char* kGoodVertex = R"(#version 150 core
in vec2 position;
uniform mat4 projViewModel;
void main() { gl_Position = projViewModel * vec4(position, 0.0, 1.0); }
)";

constexpr const char* kBrokenSource = R"(#version 150 core
void main() { this is not glsl; }
)";

// Compiles (a stage may be split over several shader objects), but the program ends up without main.
constexpr const char* kFragmentWithoutMain = R"(#version 150 core
out vec4 fragColor;
void paint() { fragColor = vec4(1.0); }
)";

using ShaderTest = test::GlTest;

TEST_F(ShaderTest, FailuresThrowTheirPrefixAndTheDriversLog) {
    std::ofstream(scratchPath("good.vert")) << kGoodVertex;
    std::ofstream(scratchPath("broken.frag")) << kBrokenSource;
    std::ofstream(scratchPath("no_main.frag")) << kFragmentWithoutMain;
    for (const auto& [fragment, prefix] : {std::pair{"broken.frag", "Couldn't compile shader: "},
                                           {"no_main.frag", "Couldn't link shader program: "}}) {
        const std::string message =
            test::errorOf([&] { Shader shader(scratchPath("good.vert"), scratchPath(fragment)); });
        EXPECT_EQ(message.rfind(prefix, 0), 0u) << message;
        EXPECT_GT(message.size(), std::string(prefix).size()) << "the driver's log is missing";
    }
    // A game's file of an engine shader is read; the engine's own text stands in for a file it lacks.
    std::filesystem::create_directory(scratchPath("shaders"));
    std::ofstream(scratchPath("shaders/dist_text.frag")) << kBrokenSource;
    setAssetRoot(scratchPath(""));
    const std::string broken = test::errorOf([] { loadEngineShader(EngineShader::text); });
    EXPECT_EQ(broken.rfind("Couldn't compile shader: ", 0), 0u) << broken;
    EXPECT_EQ(test::errorOf([] { loadEngineShader(EngineShader::sprite); }), "<no error>");
    setAssetRoot("");
}

// The text page keeps the glyph distance in alpha: 0.5 on the outline, larger inside.
TEST_F(ShaderTest, TextShaderRampsCoverageSmoothlyAcrossTheOutline) {
    constexpr int kRampWidth = 256; // texels, alpha 0..255 from left to right: the window's width
    constexpr int kRampRows = 4;
    std::vector<std::uint32_t> columns(kRampWidth); // white, the alpha rising by one a column
    std::iota(columns.begin(), columns.end(), 0xffffff00u);
    test::writeCellPng(scratchPath("ramp.png"), kRampWidth, kRampRows, 1, kRampRows, columns);
    // One texel per pixel across, so pixel x shows distance x / 255.
    Sprite ramp(scratchPath("ramp.png"), vec2(0, 0), vec2(1, 4), 0, 0, 1);

    const auto text = test::loadShippedShader("dist_text");
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    text->use();
    text->setProjectionViewModel(pixelProjection());
    text->setTint(vec4(1.0f, 1.0f, 1.0f, 1.0f));
    glUniform1f(text->getUniformLocation("edge"), 0.5f);
    glUniform1f(text->getUniformLocation("softness"), 0.05f);
    ramp.draw();

    const std::vector<Rgb> row = readPixels(0, 2, kRampWidth, 1);
    EXPECT_EQ(row[100].r, 0) << "well outside the outline";
    EXPECT_EQ(row[160].r, 255) << "well inside the outline";
    EXPECT_NEAR(row[128].r, 128, 63) << "on the outline";
    EXPECT_TRUE(std::is_sorted(row.begin(), row.end(), [](Rgb a, Rgb b) { return a.r < b.r; }))
        << "coverage falls";
    // 0.45 to 0.55 of the distance range: a band of about 25 pixels, not a hard step.
    EXPECT_GE(std::count_if(row.begin(), row.end(), [](Rgb p) { return p.r > 0 && p.r < 255; }), 15);

    // The tint's alpha scales coverage: translucent text stays translucent inside the outline.
    clear();
    text->setTint(vec4(1.0f, 1.0f, 1.0f, 0.5f));
    ramp.draw();
    EXPECT_NEAR(readPixels(0, 2, kRampWidth, 1)[160].r, 128, 2);
}

} // namespace
} // namespace kv
