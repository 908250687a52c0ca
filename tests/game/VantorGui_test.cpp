#include "game/VantorGui.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/core/Game.hpp"
#include "engine/render/Shader.hpp"
#include "engine/text/GlLabelFactory.hpp"

namespace kv {
namespace {

// GLFW's codes.
constexpr int kLeft = 0;
constexpr int kPress = 1;

constexpr int kColorTolerance = 2; // 0..255 units
constexpr float kMenuWidth = 1024; // framebuffer pixels the menu is built for
constexpr float kMenuHeight = 768;

// Only provides the window and its context; the menu draws into a framebuffer object of any size.
class MenuContext : public Game {
public:
    MenuContext() : Game("menu tests", 64, 64) {}
    void load() override {}
    void update(float) override {}
    void render() override {}
};

struct Pixel {
    int r = 0;
    int g = 0;
    int b = 0;
};

::testing::AssertionResult near(const Pixel& actual, const vec4& expected) {
    const int r = static_cast<int>(std::lround(expected.r * 255));
    const int g = static_cast<int>(std::lround(expected.g * 255));
    const int b = static_cast<int>(std::lround(expected.b * 255));
    if (std::abs(actual.r - r) <= kColorTolerance && std::abs(actual.g - g) <= kColorTolerance &&
        std::abs(actual.b - b) <= kColorTolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "rgb(" << actual.r << ", " << actual.g << ", " << actual.b
                                         << ") is not near rgb(" << r << ", " << g << ", " << b << ")";
}

// A read-back of a whole frame, addressed in window coordinates (y downward).
class Frame {
public:
    Frame(int width, int height, std::vector<unsigned char> rgba)
        : width(width), height(height), rgba(std::move(rgba)) {}

    Pixel at(int x, int windowY) const {
        const int row = height - 1 - windowY;
        const std::size_t i = 4 * static_cast<std::size_t>(row * width + x);
        return Pixel{rgba[i], rgba[i + 1], rgba[i + 2]};
    }

    bool isBlack(int x, int windowY) const {
        const Pixel p = at(x, windowY);
        return p.r == 0 && p.g == 0 && p.b == 0;
    }

private:
    int width;
    int height;
    std::vector<unsigned char> rgba;
};

class VantorGuiTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDirectory = std::filesystem::current_path();
        context = std::make_unique<MenuContext>();
        std::filesystem::current_path(VANTOR_RUNTIME_DIR);
        factory = std::make_unique<GlLabelFactory>("fonts", "OpenSans-Regular.fnt");
        shapeShader = std::make_shared<Shader>("shaders/debug.vert", "shaders/debug.frag");
        dbgShader = shapeShader.get();
        menu = std::make_unique<VantorGui>(*factory, kMenuWidth, kMenuHeight);
        menu->startButton.onClick = [this] { ++starts; };
        menu->exitButton.onClick = [this] { ++exits; };
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }

    void TearDown() override {
        menu.reset();
        dbgShader = nullptr;
        shapeShader.reset();
        factory.reset();
        context.reset();
        std::filesystem::current_path(previousDirectory);
    }

    // Draws the menu into an offscreen framebuffer of that size and reads it back.
    Frame render(int width, int height) {
        GLuint framebuffer = 0;
        GLuint colour = 0;
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glGenRenderbuffers(1, &colour);
        glBindRenderbuffer(GL_RENDERBUFFER, colour);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
        EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));

        glViewport(0, 0, width, height);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        menu->draw();

        std::vector<unsigned char> rgba(4 * static_cast<std::size_t>(width * height));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteRenderbuffers(1, &colour);
        glDeleteFramebuffers(1, &framebuffer);
        return Frame(width, height, std::move(rgba));
    }

    // Moves the mouse to the window point of a menu point and presses the left button there; the
    // framebuffer is the menu's, scaled by factor.
    void clickAt(const vec2& menuPoint, float factor = 1.0f) {
        const vec2 window((0.5f * kMenuWidth + menuPoint.x) * factor,
                          (0.5f * kMenuHeight - menuPoint.y) * factor);
        menu->update(0.0f, window);
        menu->handleMouseButton(kLeft, kPress, 0);
    }

    std::vector<bool> mainRow() const {
        return {menu->machineGunButton.active, menu->ionCannonButton.active, menu->flamethrowerButton.active};
    }
    std::vector<bool> secondaryRow() const {
        return {menu->empRocketButton.active, menu->gravityOrbButton.active, menu->shockwaveButton.active};
    }

    std::unique_ptr<MenuContext> context;
    std::unique_ptr<GlLabelFactory> factory;
    std::shared_ptr<Shader> shapeShader;
    std::unique_ptr<VantorGui> menu;
    int starts = 0;
    int exits = 0;

private:
    std::filesystem::path previousDirectory;
};

TEST_F(VantorGuiTest, FreshMenuChoosesMachineGunAndEmpRocket) {
    EXPECT_EQ(menu->getMainWeapon(), 1);
    EXPECT_EQ(menu->getSecondaryWeapon(), 1);
    EXPECT_EQ(mainRow(), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(secondaryRow(), (std::vector<bool>{true, false, false}));
    EXPECT_FALSE(menu->startButton.active);
    EXPECT_FALSE(menu->exitButton.active);
}

TEST_F(VantorGuiTest, ButtonsAreListedActionsFirst) {
    const std::vector<GlLabelButton*> expected = {
        &menu->startButton,        &menu->exitButton,      &menu->machineGunButton, &menu->ionCannonButton,
        &menu->flamethrowerButton, &menu->empRocketButton, &menu->gravityOrbButton, &menu->shockwaveButton};
    EXPECT_EQ(menu->getButtons(), expected);
}

TEST_F(VantorGuiTest, LayoutPlacesTheRowsUnderTheirHeadings) {
    EXPECT_EQ(menu->mainWeaponLabel.position, vec2(0, 250));
    EXPECT_EQ(menu->machineGunButton.label.position, vec2(-270, 180));
    EXPECT_EQ(menu->ionCannonButton.label.position, vec2(0, 180));
    EXPECT_EQ(menu->flamethrowerButton.label.position, vec2(270, 180));
    EXPECT_EQ(menu->secondaryWeaponLabel.position, vec2(0, 40));
    EXPECT_EQ(menu->empRocketButton.label.position, vec2(-270, -30));
    EXPECT_EQ(menu->gravityOrbButton.label.position, vec2(0, -30));
    EXPECT_EQ(menu->shockwaveButton.label.position, vec2(270, -30));
    EXPECT_EQ(menu->startButton.label.position, vec2(-135, -170));
    EXPECT_EQ(menu->exitButton.label.position, vec2(135, -170));
    EXPECT_EQ(menu->startButton.getExtent(), buttonSize);
}

TEST_F(VantorGuiTest, ClickingFlamethrowerChoosesItAlone) {
    clickAt(vec2(270, 180));
    EXPECT_EQ(menu->getMainWeapon(), 3);
    EXPECT_EQ(mainRow(), (std::vector<bool>{false, false, true}));
    EXPECT_EQ(menu->getSecondaryWeapon(), 1);
    EXPECT_EQ(secondaryRow(), (std::vector<bool>{true, false, false}));
}

TEST_F(VantorGuiTest, ClickingSecondaryButtonsChangesOnlyTheSecondaryWeapon) {
    clickAt(vec2(0, -30));
    EXPECT_EQ(menu->getSecondaryWeapon(), 2);
    EXPECT_EQ(secondaryRow(), (std::vector<bool>{false, true, false}));
    clickAt(vec2(270 + 120, -30 - 25)); // near the shockwave button's corner
    EXPECT_EQ(menu->getSecondaryWeapon(), 3);
    EXPECT_EQ(secondaryRow(), (std::vector<bool>{false, false, true}));
    EXPECT_EQ(menu->getMainWeapon(), 1);
    EXPECT_EQ(starts + exits, 0);
}

TEST_F(VantorGuiTest, ClickInTheGapBetweenButtonsDoesNothing) {
    clickAt(vec2(-135, 180)); // between machine gun and ion cannon
    clickAt(vec2(0, -170));   // between start and exit
    clickAt(vec2(0, 100));    // between the two rows
    EXPECT_EQ(menu->getMainWeapon(), 1);
    EXPECT_EQ(mainRow(), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(menu->getSecondaryWeapon(), 1);
    EXPECT_EQ(starts + exits, 0);
}

TEST_F(VantorGuiTest, StartAndExitRunTheOwnersActions) {
    clickAt(vec2(-135, -170));
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(exits, 0);
    clickAt(vec2(135, -170));
    EXPECT_EQ(exits, 1);
    EXPECT_FALSE(menu->startButton.active);
}

TEST_F(VantorGuiTest, WeaponNumbersOutsideTheRowLeaveNoButtonActive) {
    menu->selectMainWeapon(0);
    EXPECT_EQ(menu->getMainWeapon(), 0);
    EXPECT_EQ(mainRow(), (std::vector<bool>{false, false, false}));
    menu->selectSecondaryWeapon(4);
    EXPECT_EQ(menu->getSecondaryWeapon(), 4);
    EXPECT_EQ(secondaryRow(), (std::vector<bool>{false, false, false}));
}

// At 1024 x 768 "Start game" spans window x 252 to 502 and y 524 to 584: pixels 252..501 and 524..583.
TEST_F(VantorGuiTest, StartButtonCoversItsWindowPixels) {
    const Frame frame = render(1024, 768);
    for (const auto& [x, y] : {std::pair{252, 524}, {501, 524}, {252, 583}, {501, 583}}) {
        EXPECT_TRUE(near(frame.at(x, y), passiveColor)) << x << ", " << y;
    }
    for (const auto& [x, y] : {std::pair{251, 540}, {502, 540}, {300, 523}, {300, 584}}) {
        EXPECT_TRUE(frame.isBlack(x, y)) << x << ", " << y;
    }
}

TEST_F(VantorGuiTest, ChosenWeaponsAreDrawnInTheActiveColour) {
    const Frame frame = render(1024, 768);
    // Bottom-left corners of the buttons: machine gun, ion cannon, emp rocket, gravity orb.
    EXPECT_TRUE(near(frame.at(118, 233), activeColor));
    EXPECT_TRUE(near(frame.at(388, 233), passiveColor));
    EXPECT_TRUE(near(frame.at(118, 443), activeColor));
    EXPECT_TRUE(near(frame.at(388, 443), passiveColor));
}

TEST_F(VantorGuiTest, HoveredButtonIsDrawnLighter) {
    menu->update(0.0f, vec2(512, 384 - 180)); // centre of the ion cannon button
    const Frame frame = render(1024, 768);
    EXPECT_TRUE(near(frame.at(388, 233), hoverColor));
    EXPECT_TRUE(near(frame.at(118, 233), activeColor));
}

TEST_F(VantorGuiTest, HeadingsAreWhite) {
    const Frame frame = render(1024, 768);
    // The "Main weapon" heading is centred on window point (512, 134).
    int white = 0;
    for (int y = 114; y < 154; ++y) {
        for (int x = 412; x < 612; ++x) {
            const Pixel p = frame.at(x, y);
            EXPECT_EQ(p.r, p.b) << x << ", " << y;
            white += (p.r > 250 && p.g > 250 && p.b > 250) ? 1 : 0;
        }
    }
    EXPECT_GT(white, 0);
}

TEST_F(VantorGuiTest, ResizedWindowKeepsTheButtonsAtTheSameFraction) {
    menu->handleFramebufferSize(2048, 1536);
    const Frame frame = render(2048, 1536);
    for (const auto& [x, y] : {std::pair{504, 1048}, {1003, 1048}, {504, 1167}, {1003, 1167}}) {
        EXPECT_TRUE(near(frame.at(x, y), passiveColor)) << x << ", " << y;
    }
    for (const auto& [x, y] : {std::pair{503, 1080}, {1004, 1080}, {700, 1047}, {700, 1168}}) {
        EXPECT_TRUE(frame.isBlack(x, y)) << x << ", " << y;
    }

    // The mouse goes through the same camera.
    clickAt(vec2(270, 180), 2.0f);
    EXPECT_EQ(menu->getMainWeapon(), 3);
    clickAt(vec2(-135, 180), 2.0f);
    EXPECT_EQ(menu->getMainWeapon(), 3);
}

} // namespace
} // namespace kv
