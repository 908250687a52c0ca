#include "game/ArcadeStyleShooterGame.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>
#include <sstream>
#include <utility>
#include <vector>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "engine/components/Collision.hpp"
#include "engine/components/Input.hpp"
#include "engine/components/Motion.hpp"
#include "engine/core/Diagnostics.hpp"
#include "engine/render/Shader.hpp"
#include "engine/render/Shape2D.hpp"
#include "engine/render/Sprite.hpp"
#include "engine/render/VisualComponent.hpp"
#include "engine/sound/SoundManager.hpp"
#include "engine/text/GlLabel.hpp"
#include "engine/text/GlLabelButton.hpp"
#include "engine/text/GlLabelFactory.hpp"
#include "engine/render/RgbaImage.hpp"
#include "game/AssetPreloader.hpp"
#include "game/GameState.hpp"
#include "game/HighScore.hpp"
#include "game/Screenshot.hpp"
#include "game/VantorGui.hpp"

namespace kv {

namespace {

constexpr int kWindowWidth = 1024;  // pixels, before the switch to full screen
constexpr int kWindowHeight = 768;  // pixels
constexpr int kToggledWindowHeight = 468; // pixels: the window that Alt+Enter leaves full screen for
constexpr int kToggledRefreshRate = 60;   // Hz
constexpr float kPlayFieldHeight = 2000.0f; // world units shown vertically

constexpr float kNewHighScoreDelay = 0.5f; // seconds after the ship's death
constexpr float kEscapeHintDelay = 1.5f;   // seconds after the ship's death

constexpr float kPausedFontSize = 60.0f; // pixels
constexpr float kPauseHintFontSize = 30.0f;
constexpr float kPauseHintY = -80.0f;           // pixels below the centre of the screen
const vec4 kPauseShade(0.0f, 0.0f, 0.0f, 0.6f); // laid over the field: it shows dimmed
constexpr float kStickAimReach = 1000.0f; // world units: where the turret is pointed, along the right stick
constexpr float kMenuStickDeflection = 0.5f; // the left stick moves the menu's focus past this
constexpr int kFireButtonCount = 2;          // mouse buttons 0 and 1 fire the main and the secondary weapon

// The sprites, in the order they are made (the preloader decodes them in this order).
struct SpriteFile {
    const char* path;
    vec2 origin;
    vec2 pixelScale;
    int frameSize; // square frames, 0 for the whole image
    int frameCount;
};
const vec2 kCentre(0.5f, 0.5f);
const SpriteFile kSpriteFiles[] = {
    {"sprites/space_ship.png", vec2(0.4f, 0.5f), vec2(1.0f), 0, 1},
    {"sprites/WB_baseu3_d0.png", kCentre, vec2(0.35f), 0, 1},
    {"sprites/WB_base_d0.png", kCentre, vec2(0.6f), 0, 1},
    {"sprites/blueshuttlenoweps.png", kCentre, vec2(0.65f, 0.8f), 0, 1},
    {"sprites/bluecargoship.png", kCentre, vec2(0.3f), 0, 1},
    {"sprites/firebolt.png", kCentre, vec2(1.0f), 0, 1},
    {"sprites/player_ship_explosion.png", kCentre, vec2(3.0f), 256, 64},
    {"sprites/enemy1_explosion.png", kCentre, vec2(3.0f), 256, 21},
};

std::string decimal(int value) {
    std::stringstream stream;
    stream << value;
    return stream.str();
}

} // namespace

EarlyAssetDecoding::EarlyAssetDecoding() {
    std::vector<std::string> paths;
    for (const SpriteFile& file : kSpriteFiles) {
        paths.emplace_back(file.path);
    }
    preloader = std::make_unique<AssetPreloader>(std::move(paths));
}

EarlyAssetDecoding::~EarlyAssetDecoding() = default;

ArcadeStyleShooterGame::ArcadeStyleShooterGame()
    : Game("Vantor v0.2", kWindowWidth, kWindowHeight), screenshots(std::make_unique<ScreenshotWriter>()),
      gameCamera(kPlayFieldHeight, static_cast<float>(width), static_cast<float>(height)),
      guiCamera(static_cast<float>(height), static_cast<float>(width), static_cast<float>(height)) {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    // Where the buffer swap does not wait for the display, frames beyond its rate would only burn a core.
    setFrameRateCap(getMonitorRefreshRate());
}

ArcadeStyleShooterGame::~ArcadeStyleShooterGame() {
    // A game that the window's close or a signal ends keeps its beaten score as one left with Escape does.
    if (!mainMenuActive) {
        maybeUpdateHighScore();
    }
    // Space pressed in the last events before quitting: no frame followed to take the screenshot from.
    if (screenshotsRequested > 0) {
        try {
            render();
        } catch (...) {
            // The screenshot is lost. Nothing may leave a destructor, and an error that is unwinding the
            // game now is the one to keep.
        }
    }
    // A window closed during play leaves a game behind; its entities refer to the registries and assets.
    deleteAllEntities();
    if (dbgShader == debugShader.get()) {
        dbgShader = nullptr;
    }
    // The notices and HUD labels at namespace scope own GL names: release them while the context exists.
    pressEscapeLabel.reset();
    newHighscoreLabel.reset();
    highScoreStaticLabel.reset();
    highScoreLabel.reset();
}

void ArcadeStyleShooterGame::load() {
    debugShader = std::make_shared<Shader>("shaders/debug.vert", "shaders/debug.frag");
    dbgShader = debugShader.get();
    reportLoadStage("shaders");

    // Sprites a load before this one left pending belong to that load's images.
    makePendingSprites();
    spritesMade = 0;
    drawnSinceLoad = false;

    soundManager = preloader ? preloader->takeSoundManager() : std::make_unique<SoundManager>();
    SoundManager::playMusic(0);
    reportLoadStage("sounds");

    labelFactory = std::make_unique<GlLabelFactory>("fonts", "OpenSans-Regular.fnt");
    reportLoadStage("font");
    menu = std::make_shared<VantorGui>(*labelFactory, static_cast<float>(width), static_cast<float>(height));
    playerHighScore = loadHighScore();

    newHighscoreLabel = labelFactory->createLabelPtr("New highscore!", 60);
    pressEscapeLabel = labelFactory->createLabelPtr("Press escape to exit to menu", 30);
    pressEscapeLabel->position = vec2(0.0f, -150.0f);
    pausedLabel = labelFactory->createLabelPtr("Paused", kPausedFontSize);
    pauseHintLabel = labelFactory->createLabelPtr("Press P or Start to resume, Escape to exit to menu",
                                                  kPauseHintFontSize);
    pauseHintLabel->position = vec2(0.0f, kPauseHintY);
    screenShade = std::make_unique<Shape2D>(generateRectangleFan(vec2(2.0f), vec2(0.0f)), GL_TRIANGLE_FAN);
    const vec2 topLeft(0.0f, 1.0f);
    highScoreStaticLabel = labelFactory->createLabelPtr("High Score:  ", 20);
    highScoreLabel = labelFactory->createLabelPtr("", 20);
    scoreStaticLabel = labelFactory->createLabelPtr("Score:  ", 20);
    scoreLabel = labelFactory->createLabelPtr("", 20);
    for (GlLabel* label : {highScoreStaticLabel.get(), highScoreLabel.get(), scoreStaticLabel.get(), scoreLabel.get()}) {
        label->origin = topLeft;
        label->color = scoreColor;
    }
    layoutHud();

    menu->startButton.onClick = [this] { initGame(); };
    menu->exitButton.onClick = [this] { quit(); };

    scoreLabel->setText("0");
    highScoreLabel->setText(decimal(playerHighScore));

    switchToFullScreen();
    reportLoadStage("menu");
}

void ArcadeStyleShooterGame::makeNextSprite(bool waitForImage) {
    if (spritesMade == kSpriteCount || (preloader && !waitForImage && !preloader->isImageReady(spritesMade))) {
        return;
    }
    std::shared_ptr<Sprite>* const sprites[] = {&shipSprite,    &mothershipSprite, &mothershipCoreSprite,
                                                &swarmerSprite, &diverSprite,      &flameSprite,
                                                &playerShipExplosionSprite, &enemyExplosionSprite};
    static_assert(std::size(sprites) == kSpriteCount && std::size(kSpriteFiles) == kSpriteCount);
    if (spritesMade == 0) {
        // Only sprites are drawn with it.
        spriteShader = std::make_shared<Shader>("shaders/sprite.vert", "shaders/sprite.frag");
    }
    const SpriteFile& file = kSpriteFiles[spritesMade];
    // Decoded by the preloader since the game was made (a second load decodes here); a file that cannot be
    // decoded ends the program here, naming it.
    const RgbaImage image = preloader ? preloader->takeImage(spritesMade) : RgbaImage(file.path);
    *sprites[spritesMade] = std::make_shared<Sprite>(image, file.path, file.origin, file.pixelScale,
                                                     file.frameSize, file.frameSize, file.frameCount);
    if (++spritesMade == kSpriteCount) {
        preloader.reset();
        reportLoadStage("sprites");
    }
}

void ArcadeStyleShooterGame::makePendingSprites() {
    while (spritesMade < kSpriteCount) {
        makeNextSprite(true);
    }
}

void ArcadeStyleShooterGame::layoutHud() {
    const float left = guiCamera.position.x - guiCamera.halfWidth;
    const float top = guiCamera.position.y + guiCamera.halfHeight;
    highScoreStaticLabel->position = vec2(left, top);
    highScoreLabel->position =
        vec2(left + highScoreStaticLabel->getDimensions().x, highScoreStaticLabel->position.y);
    scoreStaticLabel->position = vec2(left, top - highScoreStaticLabel->getDimensions().y);
    scoreLabel->position = vec2(left + scoreStaticLabel->getDimensions().x, scoreStaticLabel->position.y);
}

void ArcadeStyleShooterGame::switchToFullScreen() {
    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    const GLFWvidmode* mode = glfwGetVideoMode(monitor);
    glfwSetWindowMonitor(window, monitor, 0, 0, mode->width, mode->height, mode->refreshRate);
}

void ArcadeStyleShooterGame::toggleFullScreen() {
    if (glfwGetWindowMonitor(window) != nullptr) {
        glfwSetWindowMonitor(window, nullptr, 0, 0, kWindowWidth, kToggledWindowHeight, kToggledRefreshRate);
    } else {
        switchToFullScreen();
    }
}

void ArcadeStyleShooterGame::initGame() {
    mainMenuActive = false;
    paused = false;
    padControls = TwinStick();
    fireButtons = {};
    stickAims = false;
    lastAimPointer.reset();
    lastStickAim.reset();
    createPlayerShip();
    createWaveDirector();
}

void ArcadeStyleShooterGame::clearGame() {
    deadTime = 0.0f;
    showNewHighScore = false;
    showEscapeLabel = false;
    maybeUpdateHighScore();
    playerScore = 0;
    highScoreLabel->setText(decimal(playerHighScore));
    deleteAllEntities();
    mainMenuActive = true;
    paused = false;
    menu->focusStartButton();
}

void ArcadeStyleShooterGame::deleteAllEntities() {
    // Root entities first; the ship goes last because components elsewhere may still refer to it.
    const std::vector<GameEntity*> all(taggedRegistry.getEntities(0).begin(), taggedRegistry.getEntities(0).end());
    std::vector<GameEntity*> roots;
    for (GameEntity* entity : all) {
        if (entity->getParent() == nullptr && !entity->hasTag(kTagPlayer)) {
            roots.push_back(entity);
        }
    }
    for (GameEntity* entity : roots) {
        delete entity;
    }
    const std::vector<GameEntity*> ships(taggedRegistry.getEntities(kTagPlayer).begin(),
                                         taggedRegistry.getEntities(kTagPlayer).end());
    for (GameEntity* ship : ships) {
        delete ship;
    }
}

void ArcadeStyleShooterGame::update(float dt) {
    readGamepad();
    if (mainMenuActive) {
        if (drawnSinceLoad) {
            makeNextSprite(false);
        }
        menu->update(dt, getMouseFramebufferPosition());
        return;
    }
    if (paused) {
        return;
    }
    readPadControls();
    updateDeadTimer(dt);
    aimTurrets();
    scene.update(dt); // the collision reset, the update pass, the sweep of retired entities
    refreshScoreTexts();
}

void ArcadeStyleShooterGame::updateDeadTimer(float dt) {
    if (taggedRegistry.hasActiveEntity(kTagPlayer)) {
        return;
    }
    deadTime += dt;
    if (deadTime > kNewHighScoreDelay && playerScore >= playerHighScore) {
        showNewHighScore = true;
    }
    if (deadTime > kEscapeHintDelay) {
        showEscapeLabel = true;
    }
}

void ArcadeStyleShooterGame::readGamepad() {
    const Gamepad::Change change = gamepad.poll();
    if (mainMenuActive) {
        readMenuPad();
        return;
    }
    if (change == Gamepad::Change::kDisconnected) {
        pause();
    }
    if (gamepad.wasPressed(GLFW_GAMEPAD_BUTTON_START)) {
        paused = !paused;
    }
    if (gamepad.wasPressed(GLFW_GAMEPAD_BUTTON_BACK)) {
        clearGame();
    }
}

void ArcadeStyleShooterGame::readMenuPad() {
    using Move = VantorGui::FocusMove;
    // The left stick moves the focus once each time it is pushed out of the middle, along its main axis.
    const float x = gamepad.getAxis(GLFW_GAMEPAD_AXIS_LEFT_X);
    const float y = gamepad.getAxis(GLFW_GAMEPAD_AXIS_LEFT_Y);
    int stickDirection = -1;
    if (std::max(std::abs(x), std::abs(y)) > kMenuStickDeflection) {
        stickDirection = static_cast<int>(std::abs(x) > std::abs(y) ? (x < 0.0f ? Move::kLeft : Move::kRight)
                                                                    : (y < 0.0f ? Move::kUp : Move::kDown));
    }
    if (stickDirection != -1 && stickDirection != menuStickDirection) {
        menu->moveFocus(static_cast<Move>(stickDirection));
    }
    menuStickDirection = stickDirection;
    const std::pair<int, Move> dpad[] = {{GLFW_GAMEPAD_BUTTON_DPAD_UP, Move::kUp},
                                         {GLFW_GAMEPAD_BUTTON_DPAD_DOWN, Move::kDown},
                                         {GLFW_GAMEPAD_BUTTON_DPAD_LEFT, Move::kLeft},
                                         {GLFW_GAMEPAD_BUTTON_DPAD_RIGHT, Move::kRight}};
    for (const auto& [button, move] : dpad) {
        if (gamepad.wasPressed(button)) {
            menu->moveFocus(move);
        }
    }
    if (gamepad.wasPressed(GLFW_GAMEPAD_BUTTON_A)) {
        menu->pressFocused();
    }
}

void ArcadeStyleShooterGame::readPadControls() {
    padControls = readTwinStick(gamepad);
    const bool padFire[kFireButtonCount] = {padControls.mainFire, padControls.secondaryFire};
    for (int button = 0; button < kFireButtonCount; ++button) {
        FireButton& fire = fireButtons[static_cast<std::size_t>(button)];
        fire.padHeld = padFire[button];
        const bool held = fire.mouseHeld || fire.padHeld;
        if (held != fire.heard) {
            fire.heard = held;
            dispatchMouseButton(button, fire.mouseHeld ? fire.mouseMods : 0, held);
        }
    }
}

void ArcadeStyleShooterGame::pause() {
    if (!mainMenuActive) {
        paused = true;
    }
}

void ArcadeStyleShooterGame::handleWindowFocus(bool focused) {
    if (!focused) {
        pause();
    }
}

void ArcadeStyleShooterGame::handleWindowIconify(bool iconified) {
    if (iconified) {
        pause();
    }
}

void ArcadeStyleShooterGame::aimTurrets() {
    const vec2 pointer = getMouseFramebufferPosition();
    if (lastStickAim != padControls.aim && padControls.aim) {
        stickAims = true;
    } else if (lastAimPointer != pointer || !padControls.aim) {
        stickAims = false;
    }
    lastAimPointer = pointer;
    lastStickAim = padControls.aim;
    const vec2 aim = gameCamera.screenToGameCoordinates(pointer);
    for (OrientTowardsPointComponent* component :
         componentRegistry.getComponents<OrientTowardsPointComponent>()) {
        component->setControlPoint(
            stickAims ? component->entity.getPosition() + *padControls.aim * kStickAimReach : aim);
    }
}

void ArcadeStyleShooterGame::waitForScreenshots() {
    screenshots->wait();
}

void ArcadeStyleShooterGame::refreshScoreTexts() {
    const std::string score = decimal(playerScore);
    scoreLabel->setText(score);
    if (playerScore > playerHighScore) {
        highScoreLabel->setText(score);
    }
}

void ArcadeStyleShooterGame::render() {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (mainMenuActive) {
        menu->draw();
    } else {
        scene.draw(gameCamera.projectionView);
        if (paused) {
            drawPauseNotice();
        } else {
            if (showEscapeLabel) {
                pressEscapeLabel->draw(guiCamera.projectionView);
            }
            if (showNewHighScore) {
                newHighscoreLabel->draw(guiCamera.projectionView);
            }
        }
    }
    highScoreStaticLabel->draw(guiCamera.projectionView);
    highScoreLabel->draw(guiCamera.projectionView);
    scoreStaticLabel->draw(guiCamera.projectionView);
    scoreLabel->draw(guiCamera.projectionView);
    drawnSinceLoad = true;
    // The writer reports a screenshot it cannot write; the game goes on.
    for (; screenshotsRequested > 0; --screenshotsRequested) {
        screenshots->take(width, height, shIndex);
    }
}

void ArcadeStyleShooterGame::drawPauseNotice() {
    debugShader->use();
    debugShader->setProjectionViewModel(mat4(1.0f));
    debugShader->setTint(kPauseShade);
    screenShade->draw();
    pausedLabel->draw(guiCamera.projectionView);
    pauseHintLabel->draw(guiCamera.projectionView);
}

void ArcadeStyleShooterGame::handleKey(int key, int /*scancode*/, int action, int mods) {
    if (action == GLFW_REPEAT) {
        return;
    }
    const bool pressed = action == GLFW_PRESS;
    if (key == GLFW_KEY_ESCAPE && pressed) {
        if (mainMenuActive) {
            quit();
        } else {
            clearGame();
        }
    }
    if (key == GLFW_KEY_ENTER && pressed && mods == GLFW_MOD_ALT) {
        toggleFullScreen();
    }
    if (pressed && mainMenuActive) {
        using Move = VantorGui::FocusMove;
        const std::pair<int, Move> moves[] = {
            {GLFW_KEY_UP, Move::kUp},
            {GLFW_KEY_DOWN, Move::kDown},
            {GLFW_KEY_LEFT, Move::kLeft},
            {GLFW_KEY_RIGHT, Move::kRight},
            {GLFW_KEY_TAB, (mods & GLFW_MOD_SHIFT) != 0 ? Move::kPrevious : Move::kNext}};
        for (const auto& [moveKey, move] : moves) {
            if (key == moveKey) {
                menu->moveFocus(move);
            }
        }
        if (key == GLFW_KEY_ENTER && (mods & GLFW_MOD_ALT) == 0) {
            menu->pressFocused();
        }
    } else if (pressed && key == GLFW_KEY_P) {
        paused = !paused;
    }
    if (key == GLFW_KEY_SPACE && pressed) {
        // Key events arrive after the buffer swap, when the back buffer's content is undefined: the next
        // frame is read once drawn, rather than drawing this one twice.
        ++screenshotsRequested;
    }
    if (paused) {
        return;
    }
    // Walk copies: a callback may add or remove input components.
    const auto keys = componentRegistry.getComponents<KeyboardKeyComponent>();
    for (KeyboardKeyComponent* component : std::vector<KeyboardKeyComponent*>(keys.begin(), keys.end())) {
        component->handleKey(key, mods, pressed);
    }
    const auto lambdas = componentRegistry.getComponents<LambdaKeyboardComponent>();
    for (LambdaKeyboardComponent* component : std::vector<LambdaKeyboardComponent*>(lambdas.begin(), lambdas.end())) {
        component->callback(key, mods, pressed);
    }
}

void ArcadeStyleShooterGame::handleMouseButton(int button, int action, int mods) {
    if (mainMenuActive) {
        // Judged by where the pointer is now: a move and a click can arrive in one poll, after the update.
        menu->handleMouseButton(button, action, mods, getMouseFramebufferPosition());
        return;
    }
    const bool pressed = action == GLFW_PRESS;
    if (button >= 0 && button < kFireButtonCount) {
        FireButton& fire = fireButtons[static_cast<std::size_t>(button)];
        fire.mouseHeld = pressed;
        fire.mouseMods = mods;
        // While paused the next frame of play tells the change; a pad still holding the button after a release
        // presses it again there, before any component runs.
        fire.heard = paused ? fire.heard : pressed;
    }
    if (!paused) {
        dispatchMouseButton(button, mods, pressed);
    }
}

void ArcadeStyleShooterGame::dispatchMouseButton(int button, int mods, bool pressed) {
    const auto buttons = componentRegistry.getComponents<MouseButtonComponent>();
    for (MouseButtonComponent* component : std::vector<MouseButtonComponent*>(buttons.begin(), buttons.end())) {
        component->handleMouseButton(button, mods, pressed);
    }
}

void ArcadeStyleShooterGame::handleFramebufferSize(int newWidth, int newHeight) {
    // A minimised window reports 0 x 0: keep the last layout rather than cameras with no extent.
    if (newWidth <= 0 || newHeight <= 0) {
        return;
    }
    const float w = static_cast<float>(newWidth);
    const float h = static_cast<float>(newHeight);
    gameCamera.resizeBuffer(w, h);
    guiCamera.setVerticalSize(h);
    guiCamera.resizeBuffer(w, h);
    layoutHud();
    menu->handleFramebufferSize(newWidth, newHeight);
}

vec2 ArcadeStyleShooterGame::randomSpawnPoint(float distance) {
    vec2 point(0.0f);
    // Both draws exactly 0 would give no direction; draw again rather than fail.
    do {
        point.x = randomFloat(-1.0f, 1.0f);
        point.y = randomFloat(-1.0f, 1.0f);
    } while (point.x == 0.0f && point.y == 0.0f);
    return pushOutside(point, distance);
}

} // namespace kv
