#include <functional>
#include <set>
#include <tuple>
#include <utility>

#include <glm/geometric.hpp>

#include "engine/components/Collision.hpp"
#include "engine/components/Input.hpp"
#include "engine/components/Motion.hpp"
#include "engine/components/Scripted.hpp"
#include "engine/core/Diagnostics.hpp"
#include "engine/render/VisualComponent.hpp"
#include "game/GameRules.hpp"
#include "support/GameFixture.hpp"
#include "support/GlTestContext.hpp"

namespace kv {
namespace {

using PlayerShip = GameFixture;

// Keys or the pad's left stick (y downward), held from rest heading along +x: the frames the ship takes to
// face the way (4.3 pi a second), then its speed 35 frames on as a share of D's (99.3 % of top speed 0.6 s
// from rest): the stick steers as the keys do, by its deflection past a dead zone of 0.2, and the two add up.
TEST_F(PlayerShip, ArenaSpringPullsBackThirtyThousandAtTheRingAndWasdSteerUpLeftDownAndRight) {
    GLFWgamepadstate& pad = connectPad();
    game->initGame(); // the turret aiming
    game->getTaggedRegistry().getEntity(kTagWaveDirector).setActive(false);
    PhysicsComponent& physics = ship().getComponent<PhysicsComponent>();
    ship().setPosition(vec2(2000, 0));
    step(1);
    EXPECT_LT(glm::distance(physics.force, vec2(-30000, 0)), 0.1f);
    EXPECT_EQ(game->getGameCamera().position, ship().getPosition()) << "the camera follows the ship";
    const vec2 up(0, 1), right(1, 0), upRight(0.7071068f, 0.7071068f);
    const std::tuple<std::set<int>, vec2, vec2, int, float> steering[] = {
        {{GLFW_KEY_D}, {0, 0}, right, 1, 1},
        {{GLFW_KEY_W}, {0, 0}, up, 7, 1},
        {{GLFW_KEY_A}, {0, 0}, -right, 14, 1},
        {{GLFW_KEY_S}, {0, 0}, -up, 7, 1},
        {{GLFW_KEY_W, GLFW_KEY_D}, {0, 0}, upRight, 4, 1},
        {{}, {1, 0}, right, 1, 1},
        {{}, {0.6f, 0}, right, 1, 0.5f},
        {{}, {0.21f, 0}, right, 1, 0.0125f},
        {{}, {0.7071068f, -0.7071068f}, upRight, 4, 1},
        {{}, {1, -1}, upRight, 4, 1},
        {{GLFW_KEY_D}, {-1, 0}, right, 1, 0},
        {{}, {0.15f, 0.1f}, right, 1, 0}}; // last: the ship rests for what follows
    float full = 0.0f;                     // the speed D gives
    for (const auto& [keys, stick, way, turn, share] : steering) {
        ship().setPosition(vec2(0));
        ship().setOrientation(0.0f);
        physics.velocity = physics.force = vec2(0);
        std::tie(heldKeys, pad.axes[GLFW_GAMEPAD_AXIS_LEFT_X], pad.axes[GLFW_GAMEPAD_AXIS_LEFT_Y]) =
            std::tuple(keys, stick.x, stick.y);
        EXPECT_EQ(stepUntil([&] { return glm::dot(dir(ship().getOrientation()), way) > 0.9999f; }, 60), turn);
        step(35);
        const float speed = glm::length(physics.velocity);
        full = full == 0.0f ? speed : full;
        EXPECT_NEAR(full, 0.993f * 1500, 5.0f) << "99.3 % of top speed after 0.6 s";
        EXPECT_NEAR(speed, share * full, 0.01f * full) << stick.x << ", " << stick.y;
    }
    GameEntity& turret =
        (*game->getComponentRegistry().getComponents<OrientTowardsPointComponent>().begin())->entity;
    const vec2 centre = 0.5f * vec2(game->getGuiCamera().bufferWidth, game->getGuiCamera().bufferHeight);
    // Right stick (y downward), pointer from the ship (window pixels, y downward), the turret's heading: the
    // mouse aims past a stick at rest, the stick once moved, the mouse once moved, the stick again.
    const std::tuple<vec2, vec2, float> aims[] = {
        {{0.1f, 0}, {200, 0}, 0.0f},         {{0, -1}, {200, 0}, kPi / 2.0f},     {{0, -1}, {-200, 0}, kPi},
        {{0, 0.5f}, {-200, 0}, -kPi / 2.0f}, {{0, 0.5f}, {-200, 0}, -kPi / 2.0f}, {{0, 0}, {-200, 0}, kPi}};
    for (const auto& [stick, offset, heading] : aims) {
        std::tie(pad.axes[GLFW_GAMEPAD_AXIS_RIGHT_X], pad.axes[GLFW_GAMEPAD_AXIS_RIGHT_Y]) =
            std::pair(stick.x, stick.y);
        pointer = glm::dvec2(centre + offset);
        step(1);
        EXPECT_NEAR(turret.getOrientation(), heading, 1e-3f) << stick.y << ", " << offset.x;
    }
    const auto firing = [&] { // the main and the secondary weapon
        std::pair<bool, bool> on;
        for (MouseButtonComponent* control :
             game->getComponentRegistry().getComponents<MouseButtonComponent>()) {
            (control->button == 0 ? on.first : on.second) |=
                control->entity.isActive() && control->entity.getComponent<TimedEntitySpawner>().enabled;
        }
        return on;
    };
    // Right trigger and bumper, left trigger and bumper, the left mouse button, and the weapons firing: half
    // travel, beyond it, the bumpers; the mouse holds on as the pad lets go, the pad as the mouse lets go.
    const std::tuple<float, int, float, int, int, std::pair<bool, bool>> controls[] = {
        {0, 0, 0, 0, GLFW_RELEASE, {false, false}},  {0.01f, 0, -1, 0, GLFW_RELEASE, {true, false}},
        {-1, 1, -1, 0, GLFW_RELEASE, {true, false}}, {-1, 0, 0.01f, 0, GLFW_RELEASE, {false, true}},
        {-1, 0, -1, 1, GLFW_RELEASE, {false, true}}, {1, 0, -1, 0, GLFW_PRESS, {true, false}},
        {-1, 0, -1, 0, GLFW_PRESS, {true, false}},   {1, 0, -1, 0, GLFW_PRESS, {true, false}},
        {1, 0, -1, 0, GLFW_RELEASE, {true, false}},  {-1, 0, -1, 0, GLFW_RELEASE, {false, false}}};
    for (const auto& [rightTrigger, rightBumper, leftTrigger, leftBumper, mouseAction, expected] : controls) {
        std::tie(pad.axes[GLFW_GAMEPAD_AXIS_RIGHT_TRIGGER], pad.axes[GLFW_GAMEPAD_AXIS_LEFT_TRIGGER]) =
            std::pair(rightTrigger, leftTrigger);
        pad.buttons[GLFW_GAMEPAD_BUTTON_RIGHT_BUMPER] = static_cast<unsigned char>(rightBumper);
        pad.buttons[GLFW_GAMEPAD_BUTTON_LEFT_BUMPER] = static_cast<unsigned char>(leftBumper);
        mouse(GLFW_MOUSE_BUTTON_LEFT, mouseAction);
        step(1);
        EXPECT_EQ(firing(), expected)
            << rightTrigger << " " << rightBumper << " " << leftTrigger << " " << leftBumper;
    }
    for (const bool paused : {true, false}) { // a press while paused is heard as play resumes
        key(GLFW_KEY_P);
        press(GLFW_MOUSE_BUTTON_LEFT);
        step(1);
        EXPECT_EQ(firing(), std::pair(!paused, false));
    }
}

constexpr int kResizePolls = 6000; // of 0.01 s: a bound on a hang, not a wait

// The turret faces the point of the play field under the pointer, where the camera has followed the ship: in
// full screen, and in the window Alt+Enter leaves once the window system has resized it (the window manager
// may pass through other sizes; the game then maps window points one to one again).
TEST_F(PlayerShip, TurretAimsAtThePointUnderThePointerInFullScreenAndInAWindow) {
    game->initGame(); // aimed as the game aims it every frame
    ship().setPosition(vec2(700, -300));
    step(1);
    const GameEntity& turret =
        game->getComponentRegistry().getComponent<OrientTowardsPointComponent>().entity;
    for (const bool windowed : {false, true}) {
        if (windowed) {
            key(GLFW_KEY_ENTER, GLFW_PRESS, GLFW_MOD_ALT);
            pointer = glm::dvec2(300, 200);
            for (int poll = 0; poll < kResizePolls && (framebuffer() != vec2(1024, 468) ||
                                                       game->getMouseFramebufferPosition() != vec2(300, 200));
                 ++poll) {
                glfwWaitEventsTimeout(0.01);
            }
            ASSERT_EQ(framebuffer(), vec2(1024, 468)) << "Alt+Enter leaves a window of 1024 x 468";
        }
        pointer = glm::dvec2(0.5f * framebuffer() + vec2(100, -100)); // up and to the right of the middle
        step(1);
        EXPECT_NEAR(turret.getOrientation(), kPi / 4, 1e-4f) << framebuffer().x << " x " << framebuffer().y;
    }
}

// Each weapon held with the turret along +x, and a diver's gun at (0, 1000) along +x: where the first shot
// appears, the shots in the frames held (one at once, then one per interval), and the frames the first lives:
// its set time, until it bursts, or until the frame that carries it past its range from the arena's centre.
TEST_F(PlayerShip, WeaponsFireFromTheirMountsAtTheirIntervalsAndLiveTheirTimeOrRange) {
    // Weapons, button (-1: the diver's), first shot's place, frames held, shots, life, the diver's place.
    const std::tuple<int, int, int, vec2, int, int, std::pair<int, int>, vec2> weapons[] = {
        {1, 1, 0, {50, 0}, 62, 21, {59, 59}, {0, 1000}},       // bullets: 20 a second, at 2000 to 2010 out
        {2, 1, 0, {50, 0}, 72, 2, {8, 8}, {0, 1000}},          // ion cannon: every 0.8 s, for 0.125 s
        {3, 1, 0, {120, 0}, 23, 77, {15, 22}, {0, 1000}},      // flames: 200 a second, for 0.25 to 0.35 s
        {1, 1, 1, {50, 0}, 330, 2, {119, 119}, {0, 1000}},     // EMP rockets: every 5 s, at 1000 to 2032.5
        {1, 1, 1, {50, 0}, 60, 2, {53, 53}, {1000, 0}},        // one bursting on a diver: its nose 30 ahead
        {1, 2, 1, {150, 0}, 330, 2, {151, 151}, {0, 1000}},    // gravity orb: every 5 s, for 2.5 s
        {1, 3, 1, {0, 0}, 150, 2, {21, 21}, {0, 1000}},        // shockwave: every 2 s, for 0.35 s
        {1, 1, -1, {0, 1000}, 110, 2, {105, 105}, {0, 1000}}}; // divers' guns: every 1 s, at 1000 to 2010
    for (const auto& [main, secondary, button, at, held, shots, life, diver] : weapons) {
        SCOPED_TRACE(testing::Message() << main << ", " << secondary << ", " << button << ", " << diver.x);
        game->clearGame();
        startGame(main, secondary);
        placeEnemy(game->spawnDiver(), diver).getComponent<TimedEntitySpawner>().enabled = button < 0;
        const std::uint64_t first = game->getTaggedRegistry().takeCreationNumber() + 1;
        press(button);
        step(1);
        EXPECT_EQ(newest().getPosition(), at);
        const int lived =
            stepUntil([&] { return !game->getTaggedRegistry().getEntities(0).contains(first); }, held);
        step(held - lived);
        EXPECT_EQ(game->getTaggedRegistry().takeCreationNumber() - first, shots);
        EXPECT_TRUE(lived >= life.first && lived <= life.second) << lived;
    }
}

// A bullet (radius 10) 59 beside a swarmer's centre (hull radius 50) hits it; another swarmer 99 from the
// ship's centre (hull radius 50) rams it. Score, ship's health, swarmers left (swept as the frame ends).
TEST_F(PlayerShip, BulletHitsWithinSixtyAndKillsASwarmerOnItsSecondHitForFiveAndSwarmersRamWithinAHundred) {
    startGame(1, 1);
    GameEntity& swarmer = placeEnemy(game->spawnSwarmer(), vec2(50 + 10 * 2000 * kFrame, 59));
    placeEnemy(game->spawnSwarmer(), vec2(-99, 0));
    fire(0);
    ASSERT_GT(stepUntil([&] { return healthOf(swarmer) < 2.0f; }, 60), 0);
    EXPECT_EQ(std::pair(healthOf(swarmer), playerScore), std::pair(1.0f, 0)) << "health, score";
    fire(0);
    ASSERT_GT(stepUntil([&] { return playerScore != 0; }, 60), 0);
    EXPECT_EQ(std::tuple(playerScore, healthOf(ship()), count(kTagSwarmer)), std::tuple(5, 5.0f, 0));
}

TEST_F(PlayerShip, IonCannonBeamReachesForwardAndHitsEachEnemyOnItOnceForSix) {
    startGame(2, 1);
    GameEntity* enemies[] = {&placeEnemy(game->spawnMothership(), vec2(400, 0)),
                             &placeEnemy(game->spawnMothership(), vec2(900, 30)),
                             &placeEnemy(game->spawnMothership(), vec2(1500, -40))};
    GameEntity& behind = placeEnemy(game->spawnMothership(), vec2(-600, 0));
    fire(0);
    step(20); // the beam lives 0.125 s: several frames of overlap
    for (GameEntity* enemy : enemies) {
        EXPECT_FLOAT_EQ(healthOf(*enemy), 194.0f);
    }
    EXPECT_FLOAT_EQ(healthOf(behind), 200.0f) << "nothing behind the ship is hit";
}

TEST_F(PlayerShip, FlamesDealTenPerSecondOfContactHoweverManyTouchWithinAFifthOfPiOfTheAim) {
    startGame(3, 1);
    GameEntity& mothership = placeEnemy(game->spawnMothership(), vec2(300, 0));
    press(0);
    // Hold the trigger until flames reach the target, then measure a few frames of contact.
    ASSERT_GT(stepUntil([&] { return healthOf(mothership) < 200.0f; }, 30), 0);
    const float before = healthOf(mothership);
    step(6);
    EXPECT_NEAR(before - healthOf(mothership), 6 * 10.0f * kFrame, 1e-3);
    float widest = 0.0f; // heading from the aim; each drawn 80 to 140 across (the image's 32 pixels scaled)
    for (GameEntity* flame : game->getTaggedRegistry().getEntities(kTagPlayerProjectile)) {
        widest = std::max(widest, std::abs(flame->getOrientation() - kPi / 4)); // drawn along its heading
        EXPECT_NEAR(flame->getComponent<VisualComponent>().scale * 32, 110, 30);
    }
    EXPECT_TRUE(widest > 0.4f && widest < kPi / 5 + 1e-4f) << widest;
}

// Unarmed, the rocket lets the player's bullets through; armed after half a second, the first bullet it meets
// sets it off. The burst stuns for 3 s each enemy whose hull (motherships': radius 150) comes within 450 of
// it in its half second, and marks it once with a disc of radius 50.
TEST_F(PlayerShip,
       EmpRocketArmsAfterHalfASecondAndItsBurstStunsEnemiesWithin450ForThreeSecondsMarkingThemOnce) {
    startGame(1, 1);
    GameEntity& near = placeEnemy(game->spawnMothership(), vec2(550, 350)); // beside the rocket's path
    auto ai = [](GameEntity& e) -> bool& { return e.getComponent<EnemyAiComponent>().aiEnabled; };
    auto markers = [](GameEntity& e) {
        return int(std::ranges::count(e.getComponents<VisualComponent>(), 50.0f, &VisualComponent::scale));
    };
    ai(near) = true;
    press(1);
    press(0); // bullets overtaking the rocket all along its path
    EXPECT_NEAR(stepUntil([&] { return !ai(near); }, 120) * kFrame, 0.5f, 3 * kFrame);
    const vec2 burst = newest().getPosition();
    // Frames waited, then an enemy placed that far beside the burst for a frame, and whether it is stunned.
    for (const auto& [wait, beside, stunned] :
         {std::tuple{0, 590.0f, true}, {0, 610.0f, false}, {24, 0.0f, true}, {6, 0.0f, false}}) {
        step(wait);
        GameEntity& e = placeEnemy(game->spawnMothership(), burst + vec2(0, beside));
        ai(e) = true;
        step(1);
        EXPECT_EQ(std::pair(ai(e), markers(e)), std::pair(!stunned, int(stunned))) << wait << ", " << beside;
    }
    step(141); // 2.9 s after the burst
    EXPECT_EQ(std::pair(ai(near), markers(near)), std::pair(false, 1));
    step(12);
    EXPECT_EQ(std::pair(ai(near), markers(near)), std::pair(true, 0));
}

// An enemy heading straight away from the orb is pulled back with 7000 near its centre and 4900 at its edge,
// 500 out; one heading straight at it is not pulled at all.
TEST_F(PlayerShip, GravityOrbPullsFleeingEnemiesAndIgnoresOnesHeadingIn) {
    startGame(1, 2);
    fire(1);
    const GameEntity* orb = &newest();
    // Above (+) or below the orb's centre, heading up, and the pull along y.
    for (const auto& [above, pull] : {std::pair{2.0f, -7000.0f}, {499.0f, -4900.0f}, {-100.0f, 0.0f}}) {
        const vec2 centre = orb->getPosition() + vec2(450 * kFrame, 0); // where the next frame takes it
        GameEntity& enemy = placeEnemy(game->spawnSwarmer(), centre + vec2(0, above), kPi / 2);
        step(1);
        EXPECT_NEAR(enemy.getComponent<PhysicsComponent>().force.y, pull, 10.0f) << above;
    }
}

// The ring grows to 750 in 0.35 s around the ship, pushing enemies and divers' bullets straight away with
// 10000 from the frame it reaches their circles, and is drawn as large as it pushes; then it retires. The
// ship dies in that frame here, so the sweep meets the ship and its child wave together.
TEST_F(PlayerShip,
       ShockwavePushesEnemiesAndDiversBulletsAwayAndDeathAsItEndsStopsTheWavesAndSavesTheHighScore) {
    startGame(1, 3, true);
    playerScore = 42;
    GameEntity& swarmer = placeEnemy(game->spawnSwarmer(), vec2(150, 0)); // clear of the ship's hull
    placeEnemy(game->spawnDiver(), vec2(-1500, 0)).getComponent<TimedEntitySpawner>().spawn(0.0f);
    GameEntity& shot = newest();
    shot.setPosition(vec2(0, 150));
    shot.getComponent<PhysicsComponent>().velocity = vec2(0.0f);
    step(1); // the wave director's first swarmer comes
    fire(1);
    GameEntity* wave = &newest(); // born at size 0 in that frame
    // Runs after the wave's own step in the same update pass.
    new LambdaComponent(
        ship(),
        [wave](EntityComponent& self, float) {
            if (!wave->isActive()) {
                self.entity.getComponent<HealthComponent>().doDamage(100.0f);
            }
        },
        5000);
    // Reached in the frame the ring is 100 across for the swarmer (radius 50), 140 for the bullet (radius
    // 10).
    int frames = 0;
    for (const auto& [target, after, push] :
         {std::tuple{&swarmer, 3, vec2(10000, 0)}, {&shot, 1, vec2(0, 10000)}}) {
        const vec2& force = target->getComponent<PhysicsComponent>().force;
        EXPECT_EQ(stepUntil([&] { return force != vec2(0.0f); }, 10), after);
        EXPECT_LT(glm::distance(force, push), 0.01f);
        frames += after;
    }
    step(14 - frames); // 500 across: drawn in its colour 480 out, not 520 out
    game->render();
    for (const auto& [x, drawn] : {std::pair{-480.0f, true}, {-520.0f, false}}) {
        const vec2 at = test::windowPointOf(game->getGameCamera(), vec2(x, 0));
        unsigned char rgba[4] = {};
        glReadPixels(int(at.x), int(framebuffer().y - at.y), 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        EXPECT_EQ(rgba[1] != 0, drawn) << x;
    }
    EXPECT_EQ(14 + stepUntil([&] { return !playerAlive(); }, 60), 21) << "retired after 0.35 s";
    EXPECT_FALSE(game->getTaggedRegistry().getEntity(kTagWaveDirector).isActive());
    EXPECT_EQ(count(kTagWaveDirector), 1) << "switched off but not retired: kept";
    EXPECT_EQ(loadFile("HighScore.txt"), "HighScore=42");
    EXPECT_EQ(count(kTagPlayer), 0) << "swept";
    EXPECT_EQ(count(kTagRetired), 1) << "only the explosion is left, alive until its animation ends";
}

} // namespace
} // namespace kv
