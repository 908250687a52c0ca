// Runs the real game's main loop in a fresh working directory (linked to the generated assets) with a
// scripted player on a fixed time step; the test supplies a move for every frame.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "engine/text/GlLabelButton.hpp"
#include "game/ArcadeStyleShooterGame.hpp"
#include "reliability/ScriptedPlayer.hpp"

namespace kv {

constexpr float kStep = 1.0f / 60.0f; // seconds per frame

class ScriptedGameFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds the game, waits for full screen at the first frame, then calls move after every frame until
    // it returns false (the game is then asked to quit) or the game quits by itself.
    void play(const std::function<bool()>& move);

    // The window point of a point of the given camera, the inverse of screenToGameCoordinates.
    static vec2 windowPointOf(const OrthoCamera& camera, const vec2& point);
    // Points at the button; it is hovered after the next frame's update.
    void pointAt(const GlLabelButton& button);
    // A left click at the pointer, as the window system delivers it.
    void click();
    bool playerAlive();

    std::unique_ptr<ScriptedPlayer> player;
    std::unique_ptr<ArcadeStyleShooterGame> game;
    std::string workingDirectory;
    std::string previousDirectory;
};

// A frame-by-frame script: a queue of steps, each run once per frame until it reports that it is done.
class PlayScript {
public:
    using Step = std::function<bool()>;

    PlayScript& then(Step step);
    // A step that runs action on each of frames frames.
    PlayScript& during(int frames, std::function<void(int frame)> action);
    PlayScript& wait(int frames);
    // Runs action once, in this frame.
    PlayScript& once(std::function<void()> action);
    // Waits until the condition holds; throws after limit frames.
    PlayScript& waitUntil(std::function<bool()> condition, int limit, const std::string& what);

    // Runs one frame of the script; false once every step is done.
    bool advance();
    bool done() const { return next >= steps.size(); }

private:
    std::vector<Step> steps;
    std::size_t next = 0;
};

} // namespace kv
