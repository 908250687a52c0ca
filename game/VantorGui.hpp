// The main menu: choice of the main and the secondary weapon, "Start game" and "Exit".
#pragma once

#include <array>
#include <optional>
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
// Without a mouse, one button has the focus: keys or a pad move it through three rows (main weapons,
// secondary weapons, Start and Exit) and press it. It starts on "Start game"; moving the pointer hides it,
// and the next key or pad move shows it again where it was.
class VantorGui {
public:
    enum class FocusMove {
        kUp,   // onto the selected weapon of the row above, or onto "Start game" from below
        kDown, // likewise, the row below
        kLeft, // within the row
        kRight,
        kNext, // in reading order
        kPrevious
    };

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

    // Puts the focus on "Start game", as when the menu appears.
    void focusStartButton();
    // Moves the focus, never past the edge; a hidden focus only shows again.
    void moveFocus(FocusMove move);
    // Presses the focused button as a click does; a hidden focus only shows again.
    void pressFocused();
    // The focused button, none while the pointer has taken over.
    const GlLabelButton* getFocused() const;

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

private:
    // Marks the focused button for drawing.
    void showFocus();

    std::array<GlLabelButton*, 8> readingOrder; // not owned: weapons row by row, then Start and Exit
    std::size_t focus = 0;                      // index in readingOrder
    bool focusShown = true;
    std::optional<vec2> lastPointer; // where the pointer was at the last update, unknown as the menu appears
};

static_assert(!std::is_copy_constructible_v<VantorGui>);
static_assert(!std::is_move_constructible_v<VantorGui>);

} // namespace kv
