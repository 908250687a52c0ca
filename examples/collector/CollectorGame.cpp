#include "CollectorGame.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <set>
#include <string>

#include <glm/geometric.hpp>

#include "engine/components/Collision.hpp"
#include "engine/components/HealthAndScore.hpp"
#include "engine/components/Input.hpp"
#include "engine/components/Motion.hpp"
#include "engine/components/Scripted.hpp"
#include "engine/core/Diagnostics.hpp"
#include "engine/render/EngineShaders.hpp"
#include "engine/render/Shader.hpp"
#include "engine/render/Shape2D.hpp"
#include "engine/render/VisualComponent.hpp"
#include "engine/sound/SoundManager.hpp"
#include "engine/text/GlLabel.hpp"
#include "engine/text/GlLabelFactory.hpp"

namespace kv {

namespace {

constexpr int kWindowWidth = 1024;                               // pixels
constexpr int kWindowHeight = 768;                               // pixels
constexpr float kViewHeight = 1000.0f;                           // world units shown vertically
constexpr float kShipAccelerationTime = 0.4f;                    // seconds to full speed
constexpr float kShipMaxSpeed = 420.0f;                          // world units per second
constexpr float kShipSize = 70.0f;                               // world units, nose to tail
constexpr float kShipRadius = 40.0f;                             // world units
constexpr float kCrystalSize = 26.0f;                            // world units, side of the square
constexpr float kCrystalRadius = 18.0f;                          // world units
constexpr float kCrystalTurn = std::numbers::pi_v<float> / 4.0f; // radians: the square stands on a corner
constexpr float kSpawnInterval = 0.7f;                           // seconds between two crystals
constexpr float kSpawnRadius = 520.0f;                           // world units: just outside the visible ring
constexpr float kMinCrystalSpeed = 60.0f;                        // world units per second
constexpr float kMaxCrystalSpeed = 150.0f;
constexpr float kPickupVolume = 0.5f;
constexpr float kLabelMargin = 12.0f; // pixels from the top-left corner
constexpr float kLabelSize = 28.0f;   // pixels
// Update and draw order: lower first.
constexpr int kSteeringPriority = 500;
constexpr int kMotionPriority = 1000;
constexpr int kAfterMotionPriority = 1500;
const vec4 kShipColour(1.0f, 0.8f, 0.3f, 1.0f);
const vec4 kRingColour(0.3f, 0.45f, 0.9f, 0.6f);
const vec4 kCrystalColour(0.4f, 1.0f, 0.6f, 1.0f);

// Callbacks run inside the update pass, which must not lose entities: they retire, the sweep deletes.
void retire(GameEntity& entity) {
    entity.setActive(false);
    entity.addTag(kRetiredTag);
}

} // namespace

CollectorGame::CollectorGame(int frameLimit)
    : Game("Collector", kWindowWidth, kWindowHeight),
      camera(kViewHeight, static_cast<float>(width), static_cast<float>(height)),
      screen(static_cast<float>(height), static_cast<float>(width), static_cast<float>(height)),
      framesLeft(frameLimit) {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    // Where the buffer swap does not wait for the display, frames beyond its rate would only burn a core.
    setFrameRateCap(getMonitorRefreshRate());
}

CollectorGame::~CollectorGame() = default; // the scene deletes the entities first

void CollectorGame::load() {
    shapeShader = loadEngineShader(EngineShader::shape);
    shipShape = std::make_shared<Shape2D>(generateTriangle(kShipSize), GL_TRIANGLE_FAN);
    crystalShape =
        std::make_shared<Shape2D>(generateRectangleFan(vec2(kCrystalSize), vec2(0.0f)), GL_TRIANGLE_FAN);
    sound = std::make_unique<SoundManager>(SoundManager::OwnSoundsOnly{});
    pickupSound = sound->loadSound("sounds/pickup.ogg");
    labels = std::make_unique<GlLabelFactory>("fonts", "OpenSans-Regular.fnt");
    scoreLabel = labels->createLabelPtr("Score: 0", kLabelSize);
    scoreLabel->origin = vec2(0.0f, 1.0f);
    handleFramebufferSize(width, height);

    auto* ring = new GameEntity(entities, &components, vec2(0.0f), 0.0f);
    auto* outline = new VisualComponent(*ring, shapeShader,
                                        new Shape2D(generateCircleStrip(96, kFieldRadius), GL_LINE_STRIP), 0);
    outline->tint = kRingColour;

    auto* dispenser = new GameEntity(entities, &components, vec2(0.0f), 0.0f);
    new TimedEntitySpawner(*dispenser, kSpawnInterval, true, [this] { return spawnCrystal(); });
    createShip();
    SoundManager::playSound(pickupSound, kPickupVolume); // the round begins
}

GameEntity* CollectorGame::createShip() {
    auto* ship = new GameEntity(entities, &components, vec2(0.0f), 0.0f);
    ship->addTag(kTagShip);
    auto* physics = new PhysicsComponent(*ship, kMotionPriority);
    auto* control = new ForceControlledComponent(*ship, kShipAccelerationTime, kShipMaxSpeed);
    // Each key component reports its own key; the steering reads the four flags before the thrust acts.
    new KeyboardKeyComponent(*ship, GLFW_KEY_A, [this](bool pressed) { left = pressed; });
    new KeyboardKeyComponent(*ship, GLFW_KEY_D, [this](bool pressed) { right = pressed; });
    new KeyboardKeyComponent(*ship, GLFW_KEY_W, [this](bool pressed) { up = pressed; });
    new KeyboardKeyComponent(*ship, GLFW_KEY_S, [this](bool pressed) { down = pressed; });
    new LambdaComponent(
        *ship,
        [this, control](EntityComponent&, float) {
            control->setControlForce(vec2(float(right) - float(left), float(up) - float(down)));
        },
        kSteeringPriority);
    // After the physics step: hold the ship inside the ring by dropping the outward part of its velocity.
    new LambdaComponent(
        *ship,
        [physics](EntityComponent& self, float) {
            const vec2 position = self.entity.getPosition();
            if (!isInside(position, kFieldRadius)) {
                const vec2 outward = glm::normalize(position);
                self.entity.setPosition(pushOutside(position, kFieldRadius));
                physics->velocity -= std::max(0.0f, glm::dot(physics->velocity, outward)) * outward;
            }
        },
        kAfterMotionPriority);
    new CollisionComponent(
        *ship, kShipRadius, {kTagCrystal},
        [this](int, GameEntity& crystal, float) {
            ++score;
            retire(crystal);
            SoundManager::playSound(pickupSound, kPickupVolume);
            return false; // keep testing: two crystals can be picked up in one frame
        },
        kAfterMotionPriority);
    (new VisualComponent(*ship, shapeShader, shipShape, kMotionPriority))->tint = kShipColour;
    return ship;
}

GameEntity* CollectorGame::createCrystal(const vec2& position, const vec2& velocity) {
    auto* crystal = new GameEntity(entities, &components, position, kCrystalTurn);
    crystal->addTag(kTagCrystal);
    new PhysicsComponent(*crystal, kMotionPriority);
    crystal->getComponent<PhysicsComponent>().velocity = velocity;
    new CollisionComponent(*crystal, kCrystalRadius, kMotionPriority); // passive: the ship does the testing
    new TimedLambdaComponent(*crystal, kCrystalLife,
                             [](EntityComponent& self, float) { retire(self.entity); });
    auto* look = new VisualComponent(*crystal, shapeShader, crystalShape, kSteeringPriority);
    look->tint = kCrystalColour;
    return crystal;
}

GameEntity* CollectorGame::spawnCrystal() {
    const float angle = randomFloat(-std::numbers::pi_v<float>, std::numbers::pi_v<float>);
    const vec2 start = kSpawnRadius * vec2(std::cos(angle), std::sin(angle));
    // Aim somewhere in the middle half of the field, so crystals cross it rather than graze the rim.
    const vec2 aim(randomFloat(-0.5f, 0.5f) * kFieldRadius, randomFloat(-0.5f, 0.5f) * kFieldRadius);
    return createCrystal(start,
                         glm::normalize(aim - start) * randomFloat(kMinCrystalSpeed, kMaxCrystalSpeed));
}

void CollectorGame::update(float dt) {
    scene.update(dt); // collisions reset, every component updated, the retired entities deleted
    scoreLabel->setText("Score: " + std::to_string(score));
    if (framesLeft > 0 && --framesLeft == 0) {
        quit();
    }
}

void CollectorGame::render() {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    scene.draw(camera.projectionView);
    scoreLabel->draw(screen.projectionView);
}

void CollectorGame::handleKey(int key, int, int action, int mods) {
    if (action == GLFW_REPEAT) {
        return;
    }
    if (key == GLFW_KEY_ESCAPE && action == GLFW_PRESS) {
        quit();
    }
    // The live set: these callbacks only set flags, they never add or remove components.
    for (KeyboardKeyComponent* component : components.getComponents<KeyboardKeyComponent>()) {
        component->handleKey(key, mods, action == GLFW_PRESS);
    }
}

void CollectorGame::handleFramebufferSize(int newWidth, int newHeight) {
    if (newWidth <= 0 || newHeight <= 0) {
        return; // minimised: keep the last layout
    }
    camera.resizeBuffer(static_cast<float>(newWidth), static_cast<float>(newHeight));
    screen.setVerticalSize(static_cast<float>(newHeight));
    screen.resizeBuffer(static_cast<float>(newWidth), static_cast<float>(newHeight));
    if (scoreLabel) {
        scoreLabel->position = vec2(kLabelMargin - screen.halfWidth, screen.halfHeight - kLabelMargin);
    }
}

} // namespace kv
