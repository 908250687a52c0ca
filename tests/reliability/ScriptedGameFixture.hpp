// Runs the real game in a fresh working directory frame by frame as its main loop does, on a fixed step, with
// keys and pointer set by the test (the executable links with --wrap=glfwGetKey,--wrap=glfwGetCursorPos, the
// calls the game reads its input through), and reads its whole play state.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>

#include <gtest/gtest.h>

#include "engine/text/GlLabelButton.hpp"
#include "game/ArcadeStyleShooterGame.hpp"
#include "support/Process.hpp"

namespace kv {

constexpr float kStep = 1.0f / 60.0f; // seconds per frame

class ScriptedGameFixture : public ::testing::Test {
public:
    // What the wrapped calls report: held keys, and the pointer in window coordinates (y down).
    static std::set<int> heldKeys;
    static vec2 pointer;

protected:
    // Loads the game, runs its first frame and lets the switch to full screen arrive.
    void SetUp() override;
    void TearDown() override;

    // One pass of the main loop: update, render, swap, then the window system's events. The first update
    // sees dt = 0: the loop reads the clock only after loading.
    void frame();
    virtual void afterFrame() {}

    void hold(int key, bool down);
    // A mouse button or key event, through the game's own window callbacks.
    void mouse(int button, int action);
    void pressKey(int key);
    // Clicks the two weapons and Start, each once a frame has seen the pointer on it (a late full-screen
    // resize moves the buttons), with a frame after each click; true if a game started.
    bool chooseAndStart(GlLabelButton& mainWeapon, GlLabelButton& secondaryWeapon);
    bool playerAlive();

    // FNV-1a over every entity's record (position, orientation, active flag, health, tags) in sorted order,
    // then the scores: it tells play states apart, not where entities sit in memory. Floats enter exactly.
    std::uint64_t playStateHash();
    // Live entities (every entity carries tag 0), and components of any class.
    std::size_t entityCount();
    std::size_t componentCount();

    long frames = 0; // completed
    std::unique_ptr<ArcadeStyleShooterGame> game;

private:
    std::optional<testsupport::TemporaryDirectory> workingDirectory;
    std::filesystem::path previousDirectory;
};

} // namespace kv
