// The player's ship: hull, turret, weapon mounts and every projectile they fire.
#include <cstdint>
#include <memory>
#include <set>

#include <glm/vec4.hpp>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

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
#include "game/HighScore.hpp"
#include "game/VantorGui.hpp"

namespace kv {

using glm::vec4;

namespace {

// Hull.
constexpr float kShipAccelerationTime = 0.6f; // seconds to nearly full speed
constexpr float kShipMaxSpeed = 1500.0f;      // world units per second
constexpr float kShipTurnRate = 13.508849f;   // 4.3 pi radians per second
constexpr float kShipRadius = 50.0f;          // world units
constexpr float kShipHealth = 6.0f;
constexpr float kArenaRadius = 2000.0f;        // world units: the ring
constexpr float kArenaSpringStart = 1900.0f;   // world units: the pull back starts here
constexpr float kArenaSpringStiffness = 300.0f; // force per world unit beyond the start
constexpr int kArenaSegments = 100;

// Mounts, offsets along the turret (or hull) heading in world units.
constexpr float kGunOffset = 50.0f;
constexpr float kFlamethrowerOffset = 120.0f;
constexpr float kGravityOrbOffset = 150.0f;
// The mouse buttons that fire the main and the secondary weapon.
constexpr int kLeftButton = GLFW_MOUSE_BUTTON_LEFT;
constexpr int kRightButton = GLFW_MOUSE_BUTTON_RIGHT;
constexpr float kBulletInterval = 0.05f;     // seconds
constexpr float kGaussCoilInterval = 0.8f;   // seconds
constexpr float kFlameInterval = 0.005f;     // seconds
constexpr float kEmpRocketInterval = 5.0f;   // seconds
constexpr float kGravityOrbInterval = 5.0f;  // seconds
constexpr float kShockwaveInterval = 2.0f;   // seconds

// Projectiles.
constexpr int kFanSegments = 40;
constexpr float kBulletRadius = 10.0f;          // world units
constexpr float kBulletSpeed = 2000.0f;         // world units per second
constexpr float kBulletRange = 2010.0f;         // distance from the origin at which bullets vanish
const vec2 coilDimensions(4000.0f, 100.0f);     // world units
const vec2 coilOffset(2000.0f, 0.0f);           // the beam reaches forward from its origin
constexpr float kGaussCoilDamage = 6.0f;
constexpr float kGaussCoilLife = 0.125f;        // seconds
constexpr float kFlameDamagePerSecond = 10.0f;
constexpr float kFlameSpread = 0.62831855f;     // pi / 5 either side
constexpr float kFlameSpriteScale = 0.0625f;    // sprite scale per world unit of flame radius
const vec2 empRocketDimensions(60.0f, 25.0f);   // world units
constexpr float empRocketRadius = 32.5f;        // half the rocket's length
constexpr float kEmpRocketSpeed = 1000.0f;      // world units per second
constexpr float kEmpRocketArmDelay = 0.5f;      // seconds
constexpr float kEmpRadius = 450.0f;            // world units
constexpr float kEmpLife = 0.5f;                // seconds
constexpr float kStunTime = 3.0f;               // seconds
constexpr float kStunMarkerScale = 50.0f;       // world units
constexpr float kGravityOrbRadius = 500.0f;     // world units
constexpr float kGravityOrbSpeed = 450.0f;      // world units per second
constexpr float kGravityOrbLife = 2.5f;         // seconds
constexpr double kGravityPull = 7000.0;         // force at the centre for an enemy heading straight away
constexpr float kShockwaveGrowTime = 0.35f;     // seconds
constexpr float kShockwaveRadius = 750.0f;      // world units at full size
constexpr float kShockwavePush = 10000.0f;      // force

const vec4 kBulletTint(1.0f, 1.0f, 0.0f, 1.0f);
const vec4 kBeamTint(0.4f, 0.6f, 1.0f, 0.75f);
const vec4 kFlameTint(1.0f, 1.0f, 1.0f, 0.35f);
const vec4 kRocketTint(0.75f, 0.75f, 0.75f, 1.0f);
const vec4 kEmpTint(0.4f, 0.6f, 1.0f, 0.75f);
const vec4 kGravityOrbTint(0.3f, 0.3f, 0.3f, 0.3f);
const vec4 kShockwaveTint(0.7f, 0.8f, 0.7f, 0.35f);

// Entities already hit, by creation number: an address may be reused by an entity born after one died.
using HitSet = std::set<std::uint64_t>;

std::shared_ptr<Drawable> makeFan(const std::vector<float>& points) {
    return std::make_shared<Shape2D>(points, GL_TRIANGLE_FAN);
}

// Built the way the game fixes parts to a parent: switched, attached, following its parent's place and turn.
GameEntity* makeMount(TaggedEntityRegistry& tagged, TypedComponentRegistry& components, GameEntity& parent,
                      bool active, float offset) {
    auto* mount = new GameEntity(tagged, &components, vec2(0.0f), 0.0f);
    mount->setActive(active);
    mount->attachTo(parent);
    mount->setInheritPosition(true);
    mount->setInheritOrientation(true);
    mount->setRelativePosition(vec2(offset, 0.0f));
    return mount;
}

void addSpawner(GameEntity& mount, float interval, int button, std::function<GameEntity*()> factory) {
    auto* spawner = new TimedEntitySpawner(mount, interval, false, std::move(factory));
    spawner->addMouseControl(button);
}

// Retires its entity once it has left the circle of the given radius around the origin.
void addRangeLimit(GameEntity& entity, float range) {
    new LambdaComponent(
        entity,
        [range](EntityComponent& self, float) {
            if (!isInside(self.entity.getPosition(), range)) {
                retire(self.entity);
            }
        },
        1000);
}

} // namespace

GameEntity* ArcadeStyleShooterGame::createPlayerShip() {
    makePendingSprites();
    auto* hull = new GameEntity(taggedRegistry, &componentRegistry, vec2(0.0f), 0.0f);
    hull->addTag(kTagPlayer);
    auto* physics = new PhysicsComponent(*hull, 1000);
    auto* control = new ForceControlledComponent(*hull, kShipAccelerationTime, kShipMaxSpeed);
    control->turnRate = kShipTurnRate;
    new LambdaComponent(
        *hull,
        [this, control](EntityComponent&, float) {
            vec2 steer(0.0f);
            if (isKeyPressed(GLFW_KEY_A)) {
                steer.x -= 1.0f;
            }
            if (isKeyPressed(GLFW_KEY_D)) {
                steer.x += 1.0f;
            }
            if (isKeyPressed(GLFW_KEY_W)) {
                steer.y += 1.0f;
            }
            if (isKeyPressed(GLFW_KEY_S)) {
                steer.y -= 1.0f;
            }
            control->setControlForce(steer + padControls.steer);
        },
        500);
    new CollisionComponent(*hull, kShipRadius, 2000);
    new HealthComponent(
        *hull, kShipHealth,
        [this, hull] {
            taggedRegistry.getEntity(kTagWaveDirector).setActive(false);
            createExplosion(hull->getPosition(), playerShipExplosionSprite, 1.0f);
            SoundManager::playSound(1, 0.8f);
            maybeUpdateHighScore();
        },
        1000);
    new VisualComponent(*hull, spriteShader, std::static_pointer_cast<Drawable>(shipSprite), 1000);
    new LambdaComponent(
        *hull, [this](EntityComponent& self, float) { gameCamera.setPosition(self.entity.getPosition()); }, 2000);

    auto* arena = new GameEntity(taggedRegistry, &componentRegistry, vec2(0.0f), 0.0f);
    new VisualComponent(*arena, debugShader, new Shape2D(generateCircleStrip(kArenaSegments, kArenaRadius), GL_LINE_STRIP),
                        1000);

    new LambdaComponent(
        *hull,
        [physics](EntityComponent& self, float) {
            const vec2 position = self.entity.getPosition();
            const float distance = lengthOf(position);
            if (distance > kArenaSpringStart) {
                physics->force += position * ((kArenaSpringStart - distance) * kArenaSpringStiffness / distance);
            }
        },
        2000);

    auto* turret = new GameEntity(taggedRegistry, &componentRegistry, vec2(0.0f), 0.0f);
    turret->attachTo(*hull);
    turret->setInheritPosition(true);
    turret->setRelativePosition(vec2(0.0f));
    new OrientTowardsPointComponent(*turret);
    new VisualComponent(*turret, spriteShader,
                        new Sprite("sprites/dual_turret.png", vec2(0.5f), vec2(1.0f), 0, 0, 1), 1050);

    const int mainWeapon = menu->getMainWeapon();
    const int secondaryWeapon = menu->getSecondaryWeapon();
    GameEntity* bulletMount = makeMount(taggedRegistry, componentRegistry, *turret, mainWeapon == 1, kGunOffset);
    GameEntity* coilMount = makeMount(taggedRegistry, componentRegistry, *turret, mainWeapon == 2, kGunOffset);
    GameEntity* flameMount =
        makeMount(taggedRegistry, componentRegistry, *turret, mainWeapon == 3, kFlamethrowerOffset);
    GameEntity* rocketMount = makeMount(taggedRegistry, componentRegistry, *turret, secondaryWeapon == 1, kGunOffset);
    GameEntity* orbMount =
        makeMount(taggedRegistry, componentRegistry, *turret, secondaryWeapon == 2, kGravityOrbOffset);
    GameEntity* shockwaveEmitter = makeMount(taggedRegistry, componentRegistry, *hull, secondaryWeapon == 3, 0.0f);

    // Bullet: flies straight, one damage, vanishes at the arena edge.
    addSpawner(*bulletMount, kBulletInterval, kLeftButton, [this, bulletMount]() -> GameEntity* {
        if (!drawables.bullet) {
            drawables.bullet = makeFan(generateCircleFan(kFanSegments, kBulletRadius));
        }
        auto* bullet = new GameEntity(taggedRegistry, &componentRegistry, bulletMount->getPosition(), 0.0f);
        bullet->addTag(kTagPlayerProjectile);
        auto* bulletPhysics = new PhysicsComponent(*bullet, 1000);
        bulletPhysics->velocity = dir(bulletMount->getOrientation()) * kBulletSpeed;
        (new VisualComponent(*bullet, debugShader, drawables.bullet, 1000))->tint = kBulletTint;
        new CollisionComponent(
            *bullet, kBulletRadius, bulletTargetTags,
            [bullet](int, GameEntity& other, float) {
                damageAndScore(other, 1.0f);
                retire(*bullet);
                return true;
            },
            2000);
        addRangeLimit(*bullet, kBulletRange);
        SoundManager::playSound(0, kShotVolume);
        return bullet;
    });

    // Gauss-coil beam: passes through everything, six damage once per target during its short life.
    addSpawner(*coilMount, kGaussCoilInterval, kLeftButton, [this, coilMount]() -> GameEntity* {
        if (!drawables.gaussCoil) {
            drawables.gaussCoil = makeFan(generateRectangleFan(coilDimensions, coilOffset));
        }
        auto* beam = new GameEntity(taggedRegistry, &componentRegistry, coilMount->getPosition(),
                                    coilMount->getOrientation());
        beam->addTag(kTagPlayerProjectile);
        (new VisualComponent(*beam, debugShader, drawables.gaussCoil, 1040))->tint = kBeamTint;
        auto* shape = new RectangleCollisionGeometry(*beam, coilDimensions);
        shape->relativePosition = coilOffset;
        new CollisionComponent(
            *beam, shape, bulletTargetTags,
            [hits = HitSet()](int, GameEntity& other, float) mutable {
                if (!hits.insert(other.getCreationNumber()).second) {
                    return false;
                }
                damageAndScore(other, kGaussCoilDamage);
                return false;
            },
            2000);
        new TimedLambdaComponent(*beam, kGaussCoilLife, [](EntityComponent& self, float) { retire(self.entity); });
        SoundManager::playSound(0, kShotVolume);
        return beam;
    });

    // Flames: 200 a second; all share one hit set, emptied every frame before the collision pass, so a
    // target loses 10 health per second of contact however many flames touch it.
    auto flameHits = std::make_shared<HitSet>();
    new LambdaComponent(*flameMount, [flameHits](EntityComponent&, float) { flameHits->clear(); }, 1010);
    addSpawner(*flameMount, kFlameInterval, kLeftButton, [this, flameMount, physics, flameHits]() -> GameEntity* {
        const float size = randomFloat(40.0f, 70.0f);
        const float angle = flameMount->getOrientation() + randomFloat(-kFlameSpread, kFlameSpread);
        const vec2 shipVelocity = physics->velocity;
        const float speed = randomFloat(1500.0f, 2000.0f);
        auto* flame = new GameEntity(taggedRegistry, &componentRegistry, flameMount->getPosition(), 0.0f);
        flame->addTag(kTagPlayerProjectile);
        (new PhysicsComponent(*flame, 1000))->velocity = dir(angle) * speed + shipVelocity;
        auto* visual = new VisualComponent(*flame, spriteShader, std::static_pointer_cast<Drawable>(flameSprite), 1000);
        visual->tint = kFlameTint;
        visual->scale = kFlameSpriteScale * size;
        flame->setOrientation(angle + kPi / 4.0f); // the flame image is drawn diagonally
        new CollisionComponent(
            *flame, size, bulletTargetTags,
            [flameHits](int, GameEntity& other, float dt) {
                if (!flameHits->insert(other.getCreationNumber()).second) {
                    return false;
                }
                damageAndScore(other, kFlameDamagePerSecond * dt);
                return false;
            },
            2000);
        float lifetime = randomFloat(0.25f, 0.35f); // seconds
        new LambdaComponent(
            *flame,
            [lifetime](EntityComponent& self, float dt) mutable {
                lifetime -= dt;
                if (lifetime < 0.0f) {
                    retire(self.entity);
                }
            },
            1000);
        return flame;
    });

    // EMP rocket: arms after half a second, then bursts into a stunning field on any contact.
    addSpawner(*rocketMount, kEmpRocketInterval, kRightButton, [this, rocketMount]() -> GameEntity* {
        if (!drawables.empRocket) {
            drawables.empRocket = makeFan(generateRectangleFan(empRocketDimensions, vec2(0.0f)));
        }
        auto* rocket = new GameEntity(taggedRegistry, &componentRegistry, rocketMount->getPosition(),
                                      rocketMount->getOrientation());
        (new PhysicsComponent(*rocket, 1000))->velocity = dir(rocketMount->getOrientation()) * kEmpRocketSpeed;
        (new VisualComponent(*rocket, debugShader, drawables.empRocket, 1000))->tint = kRocketTint;
        auto* collision = new CollisionComponent(
            *rocket, empRocketDimensions, mineTargetTags,
            [this, rocket](int, GameEntity&, float) {
                createEmpEffect(rocket->getPosition());
                rocket->addTag(kTagRetired);
                rocket->setActive(false);
                return true;
            },
            2000);
        new TimedLambdaComponent(*rocket, kEmpRocketArmDelay,
                                 [collision](EntityComponent&, float) { collision->targetTags = activeMineTargetTags; });
        addRangeLimit(*rocket, kArenaRadius + empRocketRadius);
        return rocket;
    });

    // Gravity orb: drifts forward and pulls enemies that try to flee it.
    addSpawner(*orbMount, kGravityOrbInterval, kRightButton, [this, orbMount]() -> GameEntity* {
        if (!drawables.gravityOrb) {
            drawables.gravityOrb = makeFan(generateCircleFan(kFanSegments, kGravityOrbRadius));
        }
        auto* orb = new GameEntity(taggedRegistry, &componentRegistry, orbMount->getPosition(),
                                   orbMount->getOrientation());
        (new PhysicsComponent(*orb, 1000))->velocity = dir(orbMount->getOrientation()) * kGravityOrbSpeed;
        (new VisualComponent(*orb, debugShader, drawables.gravityOrb, 1000))->tint = kGravityOrbTint;
        new CollisionComponent(
            *orb, kGravityOrbRadius, bulletTargetTags,
            [orb](int, GameEntity& other, float) {
                const vec2 towardsOrb = orb->getPosition() - other.getPosition();
                const float distance = lengthOf(towardsOrb);
                if (distance <= kMinDistance || distance >= kGravityOrbRadius) {
                    return false;
                }
                const vec2 unit = towardsOrb / distance;
                const float towardsAngle = std::atan2(unit.y, unit.x);
                const float away = wrapOnce(other.getOrientation() + kPi - towardsAngle);
                const float facing = 1.0f - std::fabs(away) / kPi; // 1 heading straight away, 0 straight in
                const double strength =
                    (1.0 - 0.3 * distance / kGravityOrbRadius) * (kGravityPull * static_cast<double>(facing));
                other.getComponent<PhysicsComponent>().force += unit * static_cast<float>(strength);
                return false;
            },
            2000);
        new TimedLambdaComponent(*orb, kGravityOrbLife, [](EntityComponent& self, float) { retire(self.entity); });
        return orb;
    });

    // Shockwave: a ring around the ship that grows to 750 in 0.35 s and pushes enemies and their shots away.
    addSpawner(*shockwaveEmitter, kShockwaveInterval, kRightButton, [this, shockwaveEmitter, hull]() -> GameEntity* {
        if (!drawables.shockwave) {
            drawables.shockwave = makeFan(generateCircleFan(kFanSegments, 1.0f));
        }
        auto* wave = new GameEntity(taggedRegistry, &componentRegistry, shockwaveEmitter->getPosition(),
                                    shockwaveEmitter->getOrientation());
        wave->attachTo(*hull);
        wave->setInheritPosition(true);
        auto* visual = new VisualComponent(*wave, debugShader, drawables.shockwave, 1000);
        visual->tint = kShockwaveTint;
        visual->scale = 0.0f;
        auto* ring = new CircleCollisionGeometry(*wave, 0.0f);
        new CollisionComponent(
            *wave, ring, shockwaveTargetTags,
            [wave](int, GameEntity& other, float) {
                const vec2 away = other.getPosition() - wave->getPosition();
                const float distance = lengthOf(away);
                if (distance > kMinDistance) {
                    other.getComponent<PhysicsComponent>().force += (away / distance) * kShockwavePush;
                }
                return false;
            },
            2000);
        new LambdaComponent(
            *wave,
            [visual, ring, age = 0.0f](EntityComponent& self, float dt) mutable {
                age += dt;
                float radius = age / kShockwaveGrowTime * kShockwaveRadius;
                if (age > kShockwaveGrowTime) {
                    retire(self.entity);
                    age = kShockwaveGrowTime;
                    radius = kShockwaveRadius;
                }
                visual->scale = radius;
                ring->radius = radius;
            },
            1000);
        return wave;
    });

    return hull;
}

GameEntity* ArcadeStyleShooterGame::createEmpEffect(const vec2& position) {
    if (!drawables.empEffect) {
        drawables.empEffect = makeFan(generateCircleFan(kFanSegments, 1.0f));
    }
    auto* effect = new GameEntity(taggedRegistry, &componentRegistry, position, 0.0f);
    auto* visual = new VisualComponent(*effect, debugShader, drawables.empEffect, 1040);
    visual->tint = kEmpTint;
    visual->scale = kEmpRadius;
    new CollisionComponent(
        *effect, kEmpRadius, bulletTargetTags,
        [this, hits = HitSet()](int, GameEntity& other, float) mutable {
            if (!hits.insert(other.getCreationNumber()).second) {
                return false;
            }
            other.getComponent<EnemyAiComponent>().aiEnabled = false;
            auto* marker = new VisualComponent(other, debugShader, drawables.empEffect, 1050);
            marker->tint = kEmpTint;
            marker->scale = kStunMarkerScale;
            new TimedLambdaComponent(other, kStunTime, [marker](EntityComponent& self, float) {
                self.entity.getComponent<EnemyAiComponent>().aiEnabled = true;
                delete marker;
            });
            return false;
        },
        2000);
    new TimedLambdaComponent(*effect, kEmpLife, [](EntityComponent& self, float) { retire(self.entity); });
    return effect;
}

} // namespace kv
