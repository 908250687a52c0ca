// The real game in a fresh working directory linked to the generated assets, stepped on a fixed time step,
// with keys and pointer set by the test through the wrapped glfwGetKey and glfwGetCursorPos the game reads.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "engine/components/HealthAndScore.hpp"
#include "engine/core/GameEntity.hpp"
#include "engine/text/GlLabelButton.hpp"
#include "game/ArcadeStyleShooterGame.hpp"
#include "game/GameState.hpp"
#include "game/VantorGui.hpp"
#include "support/Constants.hpp"
#include "support/Process.hpp"

namespace kv {

class GameFixture : public ::testing::Test {
public:
    static std::set<int> heldKeys; // none at the start of a test
    // In window coordinates (y down); the window's top left corner at the start of a test.
    static glm::dvec2 pointer;
    // Joysticks connected, by GLFW id: a pad's state, or none for a joystick GLFW has no mapping for.
    // None at the start of a test.
    static std::map<int, std::optional<GLFWgamepadstate>> joysticks;

protected:
    // Loads the game in a fresh directory, runs the first frame and lets the switch to full screen arrive.
    void SetUp() override;
    void TearDown() override;
    // Runs in the fresh working directory before the game is built (to lay down files it reads).
    virtual void beforeGameStarts() {}

    // Updates only, `frames` times.
    void step(int frames);
    // Steps until the predicate holds or the frame budget runs out; returns the frames taken, or -1.
    template <typename Predicate> int stepUntil(Predicate predicate, int maxFrames) {
        for (int frame = 1; frame <= maxFrames; ++frame) {
            step(1);
            if (predicate()) {
                return frame;
            }
        }
        return -1;
    }
    // One pass of the main loop: update, render, swap, then the window system's events. The first update
    // sees dt = 0: the loop reads the clock only after loading.
    void frame();
    virtual void afterFrame() {}

    // Starts a game with the given weapons, the turrets aiming along +x; the wave director is switched off
    // unless asked for.
    void startGame(int mainWeapon, int secondaryWeapon, bool withWaves = false);
    // Clicks the two weapons and Start, each once a frame has seen the pointer on it (a late full-screen
    // resize moves the buttons), then flies up to `flightFrames` main-loop passes (or until the ship is
    // destroyed): steering a box, sweeping the aim around the screen centre, firing in bursts.
    void flyScripted(GlLabelButton& mainWeapon, GlLabelButton& secondaryWeapon, long flightFrames,
                     bool untilDestroyed = false);
    GameEntity& ship() { return game->getTaggedRegistry().getEntity(kTagPlayer); }
    bool playerAlive() { return game->getTaggedRegistry().hasActiveEntity(kTagPlayer); }
    // In pixels, as the game last heard from the window system.
    vec2 framebuffer() { return vec2(game->getGuiCamera().bufferWidth, game->getGuiCamera().bufferHeight); }
    // An enemy of the given kind at the position, standing still with its AI off.
    GameEntity& placeEnemy(GameEntity* enemy, const vec2& position, float orientation = 0.0f);
    // Mouse buttons and keys go through the game's own window callbacks.
    void press(int button) { mouse(button, 1); }
    void release(int button) { mouse(button, 0); }
    void mouse(int button, int action) {
        Game::handleMouseButtonStatic(game->getWindow(), button, action, 0);
    }
    void key(int key, int action = GLFW_PRESS, int modifiers = 0) {
        Game::handleKeyStatic(game->getWindow(), key, 0, action, modifiers);
    }
    // A pad on joystick 1, nothing pressed, its triggers at half travel; its state for the test to change.
    GLFWgamepadstate& connectPad() { return *(joysticks[GLFW_JOYSTICK_1] = GLFWgamepadstate{}); }
    // Holds the button for one update, then lets it go.
    void padPress(int button) {
        joysticks[GLFW_JOYSTICK_1]->buttons[button] = GLFW_PRESS;
        step(1);
        joysticks[GLFW_JOYSTICK_1]->buttons[button] = GLFW_RELEASE;
    }
    // A press and release around one frame: one shot.
    void fire(int button) {
        press(button);
        step(1);
        release(button);
    }
    // FNV-1a over every entity's record (position, orientation, active flag, health, tags) in sorted order,
    // then the scores: it tells play states apart, not where entities sit in memory. Floats enter exactly.
    std::uint64_t playStateHash();
    int count(int tag) { return static_cast<int>(game->getTaggedRegistry().getEntities(tag).size()); }
    // The entity made last: a shot just fired, a wave just emitted.
    GameEntity& newest() {
        return **std::ranges::max_element(game->getTaggedRegistry().getEntities(0), {},
                                          &GameEntity::getCreationNumber);
    }
    float healthOf(GameEntity& entity) { return entity.getComponent<HealthComponent>().health; }

    std::unique_ptr<ArcadeStyleShooterGame> game;
    long frames = 0; // main-loop passes completed

private:
    std::optional<testsupport::TemporaryDirectory> workingDirectory;
    std::filesystem::path previousDirectory;
};

} // namespace kv
