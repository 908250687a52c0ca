// The main menu: choice of the main and the secondary weapon, "Start game" and "Exit".
#pragma once

#include <type_traits>
#include <vector>

#include <glm/vec2.hpp>

#include "engine/render/OrthoCamera.hpp"
#include "engine/text/GlLabel.hpp"
#include "engine/text/GlLabelButton.hpp"

namespace kv {

class GlLabelFactory;

// Extent of every menu button, menu units.
extern const vec2 buttonSize;

// The menu's camera keeps the vertical size of the framebuffer it was built for, so the whole layout
// scales with the window height. The buttons' actions and the buttons list point into the object, which
// therefore stays where it was built (held through std::shared_ptr by the game).
class VantorGui {
public:
    // width and height: the framebuffer size in pixels.
    VantorGui(const GlLabelFactory& factory, float width, float height);
    VantorGui(const VantorGui&) = delete;
    VantorGui& operator=(const VantorGui&) = delete;

    // Hover state of every button from the window cursor position.
    void update(float dt, const vec2& mouseWindowPosition);
    // Buttons first, then the headings.
    void draw();
    void handleMouseButton(int button, int action, int mods);
    // Each button judges the event by the cursor position at the event, given as update takes it.
    void handleMouseButton(int button, int action, int mods, const vec2& mouseWindowPosition);
    void handleFramebufferSize(int width, int height);
    void organizeGui();
    // Numbers outside 1 to 3 are stored and leave no button of the row active.
    void selectMainWeapon(int weapon);
    void selectSecondaryWeapon(int weapon);

    int getMainWeapon() const { return mainWeapon; }
    int getSecondaryWeapon() const { return secondaryWeapon; }
    const std::vector<GlLabelButton*>& getButtons() const { return buttons; }
    const OrthoCamera& getCamera() const { return camera; }

private:
    int mainWeapon = 1;      // 1 machine gun, 2 ion cannon, 3 flamethrower
    int secondaryWeapon = 1; // 1 EMP rocket, 2 gravity orb, 3 shockwave

public:
    // The owner sets their actions before the first mouse button reaches the menu.
    GlLabelButton startButton;
    GlLabelButton exitButton;

private:
    std::vector<GlLabelButton*> buttons; // not owned: all eight buttons, start and exit first
    OrthoCamera camera;

public:
    GlLabel mainWeaponLabel;
    GlLabelButton machineGunButton;
    GlLabelButton ionCannonButton;
    GlLabelButton flamethrowerButton;
    GlLabel secondaryWeaponLabel;
    GlLabelButton empRocketButton;
    GlLabelButton gravityOrbButton;
    GlLabelButton shockwaveButton;
};

static_assert(!std::is_copy_constructible_v<VantorGui>);
static_assert(!std::is_move_constructible_v<VantorGui>);

} // namespace kv
