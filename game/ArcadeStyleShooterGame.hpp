// The shooter: loads its assets, switches between the main menu and play, runs each frame in a fixed
// order and builds the player ship, the enemies and the wave director from the engine's components.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include <glm/vec2.hpp>

#include "engine/core/Game.hpp"
#include "engine/core/GameEntity.hpp"
#include "engine/core/Gamepad.hpp"
#include "engine/core/Scene.hpp"
#include "engine/core/TaggedEntityRegistry.hpp"
#include "engine/core/TypedComponentRegistry.hpp"
#include "engine/render/OrthoCamera.hpp"
#include "game/TwinStick.hpp"

namespace kv {

class AssetPreloader;
class Drawable;
class GlLabel;
class GlLabelFactory;
class ScreenshotWriter;
class Shader;
class Shape2D;
class SoundManager;
class Sprite;
class VantorGui;

// Starts decoding the shooter's images and effects on another thread when made. It exists only to order
// construction: a private base of the shooter listed before Game, it is made before Game opens the window
// (bases are built in the order listed, before any member), so decoding overlaps the window's creation.
struct EarlyAssetDecoding {
    EarlyAssetDecoding();
    ~EarlyAssetDecoding();
    std::unique_ptr<AssetPreloader> preloader; // handed over to load(), which lets it go when done
};

// Entities of a game are created with new by initGame and the factories below and owned as trees by the
// game: the end-of-frame sweep deletes retired ones (inactive, kTagRetired), clearGame deletes the rest.
// Play pauses with P or a pad's Start, and by itself when the window loses the focus or is minimised or the
// pad goes away; it resumes only with P or Start. While paused no game time passes and nothing of the play
// state changes: no component, clock, aim or input reaches it, so a resumed game goes on exactly as if it
// had never stopped. The field stays drawn, dimmed, under the notice.
// However a game ends (Escape, Back, the window's close, a termination signal), a beaten score is saved.
class ArcadeStyleShooterGame : private EarlyAssetDecoding, public Game {
public:
    static constexpr std::size_t kSpriteCount = 8; // the sprites it draws, one image each
    ArcadeStyleShooterGame();
    ~ArcadeStyleShooterGame() override;

    void load() override;
    void update(float dt) override;
    void render() override;
    void handleKey(int key, int scancode, int action, int mods) override;
    void handleMouseButton(int button, int action, int mods) override;
    void handleFramebufferSize(int width, int height) override;
    void handleWindowFocus(bool focused) override;
    void handleWindowIconify(bool iconified) override;

    // Starts a game with the weapons chosen in the menu.
    void initGame();
    // Saves a beaten high score, deletes every entity and shows the menu.
    void clearGame();

    GameEntity* createPlayerShip();
    GameEntity* spawnSwarmer();
    GameEntity* spawnDiver();
    GameEntity* spawnMothership();
    GameEntity* createExplosion(const vec2& position, std::shared_ptr<Sprite> sheet, float scale);
    GameEntity* createWaveDirector();
    // The stunning field that an EMP rocket leaves where it hits.
    GameEntity* createEmpEffect(const vec2& position);

    // Told the name of each kind of asset as load() finishes reading it ("shaders", "sounds", "font"), then
    // "menu" once the menu and HUD are up, and "sprites" once the last sprite is made (in the menu frames
    // after the first, or before play). Empty unless a profiler sets it.
    void setLoadStageObserver(std::function<void(const char* stage)> observer) {
        loadStageObserver = std::move(observer);
    }

    TaggedEntityRegistry& getTaggedRegistry() { return taggedRegistry; }
    TypedComponentRegistry& getComponentRegistry() { return componentRegistry; }
    const OrthoCamera& getGameCamera() const { return gameCamera; }
    const OrthoCamera& getGuiCamera() const { return guiCamera; }
    VantorGui& getMenu() { return *menu; }
    const std::shared_ptr<GlLabel>& getScoreLabel() const { return scoreLabel; }
    GLFWwindow* getWindow() const { return window; }
    bool isPaused() const { return paused; }
    // "Paused" and, below it, how to go on: drawn over the dimmed field while play is paused.
    std::pair<const GlLabel&, const GlLabel&> getPauseNotice() const {
        return {*pausedLabel, *pauseHintLabel};
    }
    // Space takes a screenshot of the next frame drawn, written in the background; this returns once all
    // taken so far are on disk.
    void waitForScreenshots();

private:
    void reportLoadStage(const char* stage) const {
        if (loadStageObserver) {
            loadStageObserver(stage);
        }
    }

    std::function<void(const char* stage)> loadStageObserver; // empty unless a profiler sets it
    // Its destructor waits for the files still being written.
    std::unique_ptr<ScreenshotWriter> screenshots;
    int screenshotsRequested = 0; // presses of Space since the last frame drawn
    // Polls the pad; in the menu it moves and presses the focus, in play it pauses, resumes and leaves.
    void readGamepad();
    void readMenuPad();
    // Play's pad input, once a frame while not paused: steering, aim and the fire buttons.
    void readPadControls();
    // The components hear a fire button held while its mouse button or its pad control is held.
    void dispatchMouseButton(int button, int mods, bool pressed);
    void pause();
    void drawPauseNotice();
    void updateDeadTimer(float dt);
    void aimTurrets();
    void refreshScoreTexts();
    void layoutHud();
    void switchToFullScreen();
    void toggleFullScreen();
    void deleteAllEntities();
    // The menu shows no sprite, and uploading their textures and building the mipmaps took longer than the
    // rest of loading together: so each menu frame after the first makes the next sprite whose image is
    // decoded (the first with the sprite shader), and whatever builds entities makes the rest first,
    // waiting for their images.
    void makeNextSprite(bool waitForImage);
    void makePendingSprites();
    // The look, life and ram of a swarmer or diver: the parts they share, created last.
    void addSmallShipHull(GameEntity& ship, const std::shared_ptr<Sprite>& sprite);
    // A spawn point outside the arena at the given distance from the origin, in a random direction.
    vec2 randomSpawnPoint(float distance);

    std::shared_ptr<Shader> debugShader;
    std::shared_ptr<Shader> spriteShader;
    TaggedEntityRegistry taggedRegistry;
    TypedComponentRegistry componentRegistry{nullptr};
    // The collision reset, the update pass and the sweep of a frame of play, and the field's drawing.
    Scene scene{taggedRegistry, componentRegistry};
    std::shared_ptr<Sprite> shipSprite;
    std::shared_ptr<Sprite> mothershipSprite;
    std::shared_ptr<Sprite> mothershipCoreSprite;
    std::shared_ptr<Sprite> swarmerSprite;
    std::shared_ptr<Sprite> diverSprite;
    std::shared_ptr<Sprite> flameSprite;
    std::shared_ptr<Sprite> playerShipExplosionSprite;
    std::shared_ptr<Sprite> enemyExplosionSprite;
    // Sprites are made in the order of the game's list of sprite files; none is pending before a load.
    std::size_t spritesMade = kSpriteCount;
    // Whether a frame was drawn since load(): the menu's first frame shows before any sprite is made.
    bool drawnSinceLoad = false;
    std::unique_ptr<SoundManager> soundManager;
    std::unique_ptr<GlLabelFactory> labelFactory;
    std::shared_ptr<GlLabel> scoreLabel;
    std::shared_ptr<GlLabel> scoreStaticLabel;
    std::shared_ptr<VantorGui> menu;
    std::shared_ptr<GlLabel> pausedLabel;
    std::shared_ptr<GlLabel> pauseHintLabel;
    std::unique_ptr<Shape2D> screenShade; // covers the whole viewport in clip space
    OrthoCamera gameCamera;
    OrthoCamera guiCamera;

    // Shapes shared by every projectile of a kind, made on first use. They belong to the game (not to
    // function-local statics) so that their GL names are released while the context still exists.
    struct SharedDrawables {
        std::shared_ptr<Drawable> bullet;
        std::shared_ptr<Drawable> gaussCoil;
        std::shared_ptr<Drawable> empRocket;
        std::shared_ptr<Drawable> empEffect;
        std::shared_ptr<Drawable> gravityOrb;
        std::shared_ptr<Drawable> shockwave;
        std::shared_ptr<Drawable> diverBullet;
    } drawables;

    bool paused = false;
    Gamepad gamepad;
    TwinStick padControls;       // this frame's, read in play while not paused
    int menuStickDirection = -1; // the menu focus move the left stick points at, -1 at rest
    // The turret follows the right stick while it is deflected, unless the mouse moved since the stick did.
    bool stickAims = false;
    std::optional<vec2> lastAimPointer;
    std::optional<vec2> lastStickAim;
    // A fire button (the mouse's left and right) as the components last heard it, and who holds it now.
    struct FireButton {
        bool mouseHeld = false;
        int mouseMods = 0;
        bool padHeld = false;
        bool heard = false;
    };
    std::array<FireButton, 2> fireButtons;
};

} // namespace kv
