// The three enemy types, their AIs, rams and shots, and the explosions that destroyed ships leave.
#include <cstdlib>
#include <memory>

#include <glm/vec4.hpp>
#include <vector>

#include <GL/glew.h>

#include "engine/components/Collision.hpp"
#include "engine/components/HealthAndScore.hpp"
#include "engine/components/Motion.hpp"
#include "engine/components/Scripted.hpp"
#include "engine/core/Diagnostics.hpp"
#include "engine/render/Shape2D.hpp"
#include "engine/render/Sprite.hpp"
#include "engine/render/VisualComponent.hpp"
#include "engine/sound/SoundManager.hpp"
#include "game/ArcadeStyleShooterGame.hpp"
#include "game/GameRules.hpp"
#include "game/GameState.hpp"

namespace kv {

using glm::vec4;

namespace {

constexpr float kSmallSpawnDistance = 2100.0f;      // world units from the origin
constexpr float kMothershipSpawnDistance = 2300.0f; // world units from the origin
constexpr float kSmallShipRadius = 50.0f;           // world units
constexpr float kMothershipRadius = 150.0f;         // world units
constexpr float kSpin = 0.01f;                      // radians added to the circling heading

// Diver.
constexpr float kDiverBreakOff = 600.0f;  // world units: an attack ends this close
constexpr float kDiverReturn = 650.0f;    // world units: a retreat ends this far
constexpr float kDiverAimTolerance = kPi / 40.0f; // radians: fires only this well aligned
constexpr float kDiverOnScreenMargin = 50.0f;     // world units
constexpr float kDiverFiringRange = 2050.0f;      // world units from the origin
constexpr float kDiverGunInterval = 1.0f;         // seconds
constexpr float kDiverBulletSpeed = 1000.0f;      // world units per second
constexpr float kDiverBulletRadius = 10.0f;       // world units
constexpr float kDiverBulletRange = 2010.0f;      // world units from the origin

// Mothership.
constexpr float kFirstLaunch = 2.0f;      // seconds after spawning
constexpr float kLaunchInterval = 2.0f;   // seconds
constexpr float kLaunchSpeed = 300.0f;    // scaled by 1.5 x the escort's drag
constexpr float kEscortSettleSpeed = 100.0f; // world units per second: the escort's AI starts below this
constexpr float kEnrageHealthRatio = 0.5f;
constexpr float kCalmCoreSpin = kPi / 4.0f; // radians per second
constexpr float kEnragedCoreSpin = kPi;     // radians per second

const vec4 kEnemyTint(1.0f, 0.6f, 0.6f, 1.0f);
const vec4 kMothershipTint(1.0f, 0.5f, 0.5f, 1.0f);
const vec4 kCoreTint(0.8f, 0.2f, 0.2f, 1.0f);
const vec4 kDiverBulletTint(0.8f, 0.1f, 0.1f, 1.0f);

struct RamDamage {
    float toShip;
    float toSelf;
};
constexpr RamDamage kSmallShipRam{1.0f, 99999.0f};
constexpr RamDamage kMothershipRam{50.0f, 50.0f};

// The way a ship circles on the spot when there is nobody to chase: +-0.01 with even odds.
float drawSpin() { return (std::rand() % 2 == 1) ? kSpin : -kSpin; }

CollisionCallback ramCallback(GameEntity& enemy, RamDamage damage) {
    return [&enemy, damage](int, GameEntity& ship, float) {
        ship.getComponent<HealthComponent>().doDamage(damage.toShip);
        enemy.getComponent<HealthComponent>().doDamage(damage.toSelf);
        return true;
    };
}

} // namespace

GameEntity* ArcadeStyleShooterGame::createExplosion(const vec2& position, std::shared_ptr<Sprite> sheet, float scale) {
    auto* explosion = new GameEntity(taggedRegistry, &componentRegistry, position, 0.0f);
    explosion->addTag(kTagRetired); // swept as soon as its animation has switched it off
    new SpriteAnimationComponent(*explosion, spriteShader, sheet, scale, 1010);
    return explosion;
}

void ArcadeStyleShooterGame::addSmallShipHull(GameEntity& ship, const std::shared_ptr<Sprite>& sprite) {
    (new VisualComponent(ship, spriteShader, std::static_pointer_cast<Drawable>(sprite), 1000))->tint = kEnemyTint;
    new HealthComponent(
        ship, 2.0f,
        [this, &ship] {
            createExplosion(ship.getPosition(), enemyExplosionSprite, 1.0f);
            SoundManager::playSound(2, 1.0f);
        },
        1000);
    new CollisionComponent(ship, kSmallShipRadius, enemyTargetTags, ramCallback(ship, kSmallShipRam), 2000);
}

GameEntity* ArcadeStyleShooterGame::spawnSwarmer() {
    makePendingSprites();
    auto* swarmer = new GameEntity(taggedRegistry, &componentRegistry, randomSpawnPoint(kSmallSpawnDistance), 0.0f);
    swarmer->addTag(kTagEnemy);
    swarmer->addTag(kTagSwarmer);
    new ScoreComponent(*swarmer, 5);
    auto* physics = new PhysicsComponent(*swarmer, 1000);
    physics->lateralDragFactor = 1.0f;
    auto* control = new ForceControlledComponent(*swarmer, 2.0f, 350.0f); // seconds, world units per second
    const float spin = drawSpin();
    new EnemyAiComponent(
        *swarmer,
        [this, swarmer, control, spin](float) {
            GameEntity* player = findActivePlayer(taggedRegistry);
            if (player == nullptr) {
                control->setControlForce(dir(swarmer->getOrientation() + kPi + spin));
                return;
            }
            const vec2 towards = player->getPosition() - swarmer->getPosition();
            const float distance = lengthOf(towards);
            if (distance > kMinDistance) {
                control->setControlForce(towards / distance);
            }
        },
        1000);
    addSmallShipHull(*swarmer, swarmerSprite);
    return swarmer;
}

GameEntity* ArcadeStyleShooterGame::spawnDiver() {
    makePendingSprites();
    auto* diver = new GameEntity(taggedRegistry, &componentRegistry, randomSpawnPoint(kSmallSpawnDistance), 0.0f);
    diver->addTag(kTagEnemy);
    diver->addTag(kTagDiver);
    new ScoreComponent(*diver, 7);
    auto* physics = new PhysicsComponent(*diver, 1000);
    physics->lateralDragFactor = 1.5f;
    auto* control = new ForceControlledComponent(*diver, 1.0f, 750.0f); // seconds, world units per second
    control->turnRate = kPi;
    auto* gun = new TimedEntitySpawner(*diver, kDiverGunInterval, false, [this, diver]() -> GameEntity* {
        if (!drawables.diverBullet) {
            drawables.diverBullet = std::make_shared<Shape2D>(generateCircleFan(40, kDiverBulletRadius), GL_TRIANGLE_FAN);
        }
        auto* bullet = new GameEntity(taggedRegistry, &componentRegistry, diver->getPosition(), 0.0f);
        bullet->addTag(kTagDiverBullet);
        (new PhysicsComponent(*bullet, 1000))->velocity = dir(diver->getOrientation()) * kDiverBulletSpeed;
        (new VisualComponent(*bullet, debugShader, drawables.diverBullet, 1000))->tint = kDiverBulletTint;
        new CollisionComponent(
            *bullet, kDiverBulletRadius, enemyTargetTags,
            [bullet](int, GameEntity& ship, float) {
                ship.getComponent<HealthComponent>().doDamage(1.0f);
                retire(*bullet);
                return true;
            },
            2000);
        new LambdaComponent(
            *bullet,
            [](EntityComponent& self, float) {
                if (!isInside(self.entity.getPosition(), kDiverBulletRange)) {
                    retire(self.entity);
                }
            },
            1000);
        SoundManager::playSound(0, kShotVolume);
        return bullet;
    });
    const float spin = drawSpin();
    new EnemyAiComponent(
        *diver,
        [this, diver, control, gun, spin, attacking = true](float) mutable {
            GameEntity* player = findActivePlayer(taggedRegistry);
            if (player == nullptr) {
                gun->enabled = false;
                control->setControlForce(dir(diver->getOrientation() + kPi + spin));
                return;
            }
            const vec2 towards = player->getPosition() - diver->getPosition();
            const float distance = lengthOf(towards);
            if (distance <= kMinDistance) {
                return; // no direction to attack along or retreat from this frame
            }
            const vec2 unit = towards / distance;
            bool attack;
            if (attacking) {
                attack = distance >= kDiverBreakOff;
                if (!attack) {
                    gun->enabled = false;
                    attacking = false;
                }
            } else {
                attack = distance > kDiverReturn;
                attacking = attack;
            }
            if (attack) {
                const float aimError = wrapOnce(std::atan2(unit.y, unit.x) - diver->getOrientation());
                gun->enabled = gameCamera.isInside(diver->getPosition(), kDiverOnScreenMargin) &&
                               isInside(diver->getPosition(), kDiverFiringRange) &&
                               std::fabs(aimError) < kDiverAimTolerance;
                control->setControlForce(unit);
            } else {
                control->setControlForce(-unit);
            }
        },
        1000);
    addSmallShipHull(*diver, diverSprite);
    return diver;
}

GameEntity* ArcadeStyleShooterGame::spawnMothership() {
    makePendingSprites();
    auto* mothership =
        new GameEntity(taggedRegistry, &componentRegistry, randomSpawnPoint(kMothershipSpawnDistance), 0.0f);
    mothership->addTag(kTagEnemy);
    mothership->addTag(kTagMothership);
    new ScoreComponent(*mothership, 300);
    auto* physics = new PhysicsComponent(*mothership, 1000);
    physics->lateralDragFactor = 1.0f;
    auto* control = new ForceControlledComponent(*mothership, 2.0f, 150.0f); // seconds, world units per second
    (new VisualComponent(*mothership, spriteShader, std::static_pointer_cast<Drawable>(mothershipSprite), 900))
        ->tint = kMothershipTint;
    auto* health = new HealthComponent(
        *mothership, 200.0f,
        [this, mothership] {
            createExplosion(mothership->getPosition(), playerShipExplosionSprite, 1.0f);
            SoundManager::playSound(1, 1.0f);
        },
        1000);
    new CollisionComponent(*mothership, kMothershipRadius, enemyTargetTags, ramCallback(*mothership, kMothershipRam),
                           2000);

    auto enraged = std::make_shared<bool>(false);
    new LambdaComponent(
        *mothership,
        [health, enraged](EntityComponent& self, float) {
            if (health->health / health->maxHealth <= kEnrageHealthRatio) {
                *enraged = true;
                delete &self; // nothing here runs after this
            }
        },
        1000);

    auto* core = new GameEntity(taggedRegistry, &componentRegistry, vec2(0.0f), 0.0f);
    core->attachTo(*mothership);
    core->setInheritPosition(true);
    (new VisualComponent(*core, spriteShader, std::static_pointer_cast<Drawable>(mothershipCoreSprite), 901))->tint =
        kCoreTint;
    new LambdaComponent(
        *core,
        [enraged](EntityComponent& self, float dt) {
            const float spin = *enraged ? kEnragedCoreSpin : kCalmCoreSpin;
            self.entity.setOrientation(self.entity.getOrientation() + dt * spin);
        },
        1000);

    new EnemyAiComponent(
        *mothership,
        [this, mothership, control, enraged, timer = kFirstLaunch](float dt) mutable {
            GameEntity* player = findActivePlayer(taggedRegistry);
            if (player == nullptr) {
                return;
            }
            const vec2 towards = player->getPosition() - mothership->getPosition();
            const float distance = lengthOf(towards);
            if (distance <= kMinDistance) {
                return;
            }
            const vec2 unit = towards / distance;
            control->setControlForce(unit);
            timer -= dt;
            if (timer >= 0.0f) {
                return;
            }
            const float overshoot = -timer;
            const int count = *enraged ? 9 : 5;
            const float half = *enraged ? 4.5f : 2.5f;
            for (int i = 0; i < count; ++i) {
                const float angle = (static_cast<float>(i) - half) / half * (kPi / 2.0f);
                const float c = std::cos(angle);
                const float s = std::sin(angle);
                const vec2 launch = -kLaunchSpeed * vec2(unit.x * c - unit.y * s, unit.x * s + unit.y * c);
                GameEntity* escort = (i & 3) == 0 ? spawnDiver() : spawnSwarmer();
                escort->setPosition(mothership->getPosition());
                auto& escortPhysics = escort->getComponent<PhysicsComponent>();
                escortPhysics.velocity = launch * 1.5f * escortPhysics.drag;
                auto& escortAi = escort->getComponent<EnemyAiComponent>();
                escortAi.aiEnabled = false;
                new LambdaComponent(
                    *escort,
                    [&escortPhysics, &escortAi](EntityComponent& self, float) {
                        if (lengthOf(escortPhysics.velocity) < kEscortSettleSpeed) {
                            escortAi.aiEnabled = true;
                            delete &self; // nothing here runs after this
                        }
                    },
                    1000);
                const auto updatables = escort->getComponents<UpdatableComponent>();
                const std::vector<UpdatableComponent*> snapshot(updatables.begin(), updatables.end());
                for (UpdatableComponent* component : snapshot) {
                    component->update(overshoot);
                }
            }
            timer += kLaunchInterval;
        },
        1000);
    return mothership;
}

} // namespace kv
