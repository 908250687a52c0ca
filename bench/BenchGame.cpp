#include "bench/BenchGame.hpp"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include <GLFW/glfw3.h>
#include <unistd.h>

#include "engine/components/HealthAndScore.hpp"
#include "engine/components/Motion.hpp"
#include "engine/components/Scripted.hpp"
#include "engine/core/Angles.hpp"
#include "game/GameState.hpp"
#include "game/VantorGui.hpp"

namespace kv::bench {

namespace fs = std::filesystem;

namespace {
constexpr float kBulletSpeed = 2000.0f;     // world units per second, as the gun fires them
constexpr float kBulletInterval = 0.05f;    // seconds: tells the gun's spawner from the other weapons'
constexpr float kUnhurtableHealth = 1.0e9f; // more than any scene can take in a frame
constexpr int kFullScreenPolls = 300;
constexpr double kPollSeconds = 0.01;
} // namespace

std::string makeAssetDirectory() {
    std::string pattern = (fs::temp_directory_path() / "vantor-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary directory");
    }
    for (const char* folder : {"shaders", "sprites", "fonts", "sounds"}) {
        fs::create_directory_symlink(fs::path(VANTOR_RUNTIME_DIR) / folder, fs::path(pattern) / folder);
    }
    return pattern;
}

void removeDirectory(const std::string& path) {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

BenchGame::BenchGame() {
    previousDirectory = fs::current_path().string();
    workingDirectory = makeAssetDirectory();
    fs::current_path(workingDirectory);
    std::srand(1);
    mainMenuActive = true;
    playerScore = 0;
    playerHighScore = 0;
    shooter = std::make_unique<ArcadeStyleShooterGame>();
    shooter->load();
    // Full screen is confirmed asynchronously; let the size events arrive before anything is measured.
    const GLFWvidmode* mode = glfwGetVideoMode(glfwGetPrimaryMonitor());
    for (int poll = 0; poll < kFullScreenPolls; ++poll) {
        glfwWaitEventsTimeout(kPollSeconds);
        if (shooter->getGuiCamera().bufferWidth == static_cast<float>(mode->width) &&
            shooter->getGuiCamera().bufferHeight == static_cast<float>(mode->height)) {
            break;
        }
    }
}

BenchGame::~BenchGame() {
    shooter.reset();
    fs::current_path(previousDirectory);
    removeDirectory(workingDirectory);
}

void BenchGame::startGame(int mainWeapon, int secondaryWeapon) {
    shooter->getMenu().selectMainWeapon(mainWeapon);
    shooter->getMenu().selectSecondaryWeapon(secondaryWeapon);
    shooter->initGame();
    auto& components = shooter->getComponentRegistry();
    const auto aims = components.getComponents<OrientTowardsPointComponent>();
    for (OrientTowardsPointComponent* aim :
         std::vector<OrientTowardsPointComponent*>(aims.begin(), aims.end())) {
        delete aim;
    }
    shooter->getTaggedRegistry().getEntity(kTagWaveDirector).setActive(false);
}

void BenchGame::endGame() {
    shooter->handleKey(GLFW_KEY_ESCAPE, 0, GLFW_PRESS, 0);
    shooter->handleKey(GLFW_KEY_ESCAPE, 0, GLFW_RELEASE, 0);
}

GameEntity& BenchGame::ship() {
    return shooter->getTaggedRegistry().getEntity(kTagPlayer);
}

void BenchGame::keepShipAlive() {
    ship().getComponent<HealthComponent>().health = kUnhurtableHealth;
}

GameEntity& BenchGame::spawnEnemy(EnemyKind kind, const glm::vec2& position, float orientation) {
    GameEntity* enemy = nullptr;
    switch (kind) {
    case EnemyKind::swarmer:
        enemy = shooter->spawnSwarmer();
        break;
    case EnemyKind::diver:
        enemy = shooter->spawnDiver();
        break;
    case EnemyKind::mothership:
        enemy = shooter->spawnMothership();
        break;
    }
    enemy->setPosition(position);
    enemy->setOrientation(orientation);
    return *enemy;
}

TimedEntitySpawner& BenchGame::bulletSpawner() {
    for (TimedEntitySpawner* spawner : shooter->getComponentRegistry().getComponents<TimedEntitySpawner>()) {
        if (spawner->interval == kBulletInterval) {
            return *spawner;
        }
    }
    throw std::runtime_error("the ship has no gun");
}

GameEntity& BenchGame::fireBullet(const glm::vec2& position, float heading) {
    GameEntity* bullet = bulletSpawner().factory();
    bullet->addTag(kBulletMarkTag);
    bullet->setPosition(position);
    bullet->getComponent<PhysicsComponent>().velocity =
        glm::vec2(std::cos(heading), std::sin(heading)) * kBulletSpeed;
    return *bullet;
}

int BenchGame::countActive(int tag) {
    int count = 0;
    for (GameEntity* entity : shooter->getTaggedRegistry().getEntities(tag)) {
        count += entity->isActive() ? 1 : 0;
    }
    return count;
}

glm::vec2 BenchGame::randomPointInDisc(float radius) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const float distance = radius * std::sqrt(unit(random));
    const float angle = kTwoPi * unit(random);
    return glm::vec2(distance * std::cos(angle), distance * std::sin(angle));
}

float BenchGame::randomAngle() {
    return std::uniform_real_distribution<float>(-3.14159f, 3.14159f)(random);
}

void BenchGame::pressFire() {
    shooter->handleMouseButton(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS, 0);
}

void BenchGame::releaseFire() {
    shooter->handleMouseButton(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE, 0);
}

} // namespace kv::bench
