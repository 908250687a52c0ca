#include "game/VantorGui.hpp"

#include <algorithm>

#include "engine/text/GlLabelFactory.hpp"

namespace kv {

const vec2 buttonSize{250.0f, 60.0f};

namespace {

constexpr float kButtonFontSize = 25.0f;  // pixels
constexpr float kHeadingFontSize = 30.0f; // pixels
constexpr float kButtonGap = 20.0f;       // menu units between the buttons of a row

// Centre heights of the rows, menu units above the window centre.
constexpr float kMainWeaponHeadingY = 250.0f;
constexpr float kMainWeaponRowY = 180.0f;
constexpr float kSecondaryWeaponHeadingY = 40.0f;
constexpr float kSecondaryWeaponRowY = -30.0f;
constexpr float kActionRowY = -170.0f;

// Places of the rows in the reading order of the focus: three weapons each, then Start and Exit.
constexpr std::size_t kWeaponsPerRow = 3;
constexpr std::size_t kSecondaryRowStart = 3;
constexpr std::size_t kActionRowStart = 6;
constexpr std::size_t kLastButton = 7;

} // namespace

VantorGui::VantorGui(const GlLabelFactory& factory, float width, float height)
    : startButton(factory.createLabelButton(buttonSize, "Start game", kButtonFontSize)),
      exitButton(factory.createLabelButton(buttonSize, "Exit", kButtonFontSize)),
      // One menu unit is one pixel of the framebuffer as it is now.
      camera(height, width, height), mainWeaponLabel(factory.createLabel("Main weapon", kHeadingFontSize)),
      machineGunButton(factory.createLabelButton(buttonSize, "Machine gun", kButtonFontSize)),
      ionCannonButton(factory.createLabelButton(buttonSize, "Ion cannon", kButtonFontSize)),
      flamethrowerButton(factory.createLabelButton(buttonSize, "Flamethrower", kButtonFontSize)),
      secondaryWeaponLabel(factory.createLabel("Secondary weapon", kHeadingFontSize)),
      empRocketButton(factory.createLabelButton(buttonSize, "Emp rocket", kButtonFontSize)),
      gravityOrbButton(factory.createLabelButton(buttonSize, "Gravity orb", kButtonFontSize)),
      shockwaveButton(factory.createLabelButton(buttonSize, "Shockwave", kButtonFontSize)) {
    machineGunButton.onClick = [this] { selectMainWeapon(1); };
    ionCannonButton.onClick = [this] { selectMainWeapon(2); };
    flamethrowerButton.onClick = [this] { selectMainWeapon(3); };
    empRocketButton.onClick = [this] { selectSecondaryWeapon(1); };
    gravityOrbButton.onClick = [this] { selectSecondaryWeapon(2); };
    shockwaveButton.onClick = [this] { selectSecondaryWeapon(3); };

    buttons = {&startButton,        &exitButton,      &machineGunButton, &ionCannonButton,
               &flamethrowerButton, &empRocketButton, &gravityOrbButton, &shockwaveButton};

    readingOrder = {&machineGunButton, &ionCannonButton, &flamethrowerButton, &empRocketButton,
                    &gravityOrbButton, &shockwaveButton, &startButton,        &exitButton};

    organizeGui();
    selectMainWeapon(1);
    selectSecondaryWeapon(1);
    focusStartButton();
}

void VantorGui::update(float dt, const vec2& mouseWindowPosition) {
    if (lastPointer && *lastPointer != mouseWindowPosition) {
        focusShown = false;
        showFocus();
    }
    lastPointer = mouseWindowPosition;
    for (GlLabelButton* button : buttons) {
        // While the focus shows, the pointer resting somewhere must not light a second button.
        if (focusShown) {
            button->clearHover();
        } else {
            button->update(dt, camera, mouseWindowPosition);
        }
    }
}

void VantorGui::focusStartButton() {
    focus = kActionRowStart;
    focusShown = true;
    lastPointer.reset();
    showFocus();
}

void VantorGui::moveFocus(FocusMove move) {
    if (!focusShown) {
        focusShown = true;
        showFocus();
        return;
    }
    // The selected weapon of a row (the first one if none is), or "Start game".
    const auto entryOf = [this](std::size_t rowStart) -> std::size_t {
        const int weapon = rowStart == 0 ? mainWeapon : rowStart == kSecondaryRowStart ? secondaryWeapon : 1;
        const int column = weapon >= 1 && weapon <= static_cast<int>(kWeaponsPerRow) ? weapon - 1 : 0;
        return rowStart + static_cast<std::size_t>(rowStart == kActionRowStart ? 0 : column);
    };
    const std::size_t rowStart = focus < kSecondaryRowStart ? 0
                                 : focus < kActionRowStart  ? kSecondaryRowStart
                                                            : kActionRowStart;
    const std::size_t rowEnd = rowStart == kActionRowStart ? kLastButton : rowStart + kWeaponsPerRow - 1;
    switch (move) {
    case FocusMove::kUp:
        focus = rowStart == 0 ? focus : entryOf(rowStart == kActionRowStart ? kSecondaryRowStart : 0);
        break;
    case FocusMove::kDown:
        focus = rowStart == kActionRowStart ? focus
                                            : entryOf(rowStart == 0 ? kSecondaryRowStart : kActionRowStart);
        break;
    case FocusMove::kLeft:
        focus = std::max(focus, rowStart + 1) - 1;
        break;
    case FocusMove::kRight:
        focus = std::min(focus + 1, rowEnd);
        break;
    case FocusMove::kNext:
        focus = std::min(focus + 1, kLastButton);
        break;
    case FocusMove::kPrevious:
        focus = focus == 0 ? 0 : focus - 1;
        break;
    }
    showFocus();
}

void VantorGui::pressFocused() {
    if (!focusShown) {
        focusShown = true;
        showFocus();
        return;
    }
    readingOrder[focus]->onClick();
}

const GlLabelButton* VantorGui::getFocused() const {
    return focusShown ? readingOrder[focus] : nullptr;
}

void VantorGui::showFocus() {
    for (std::size_t i = 0; i < readingOrder.size(); ++i) {
        readingOrder[i]->focused = focusShown && i == focus;
    }
}

void VantorGui::draw() {
    for (GlLabelButton* button : buttons) {
        button->draw(camera.projectionView);
    }
    mainWeaponLabel.draw(camera.projectionView);
    secondaryWeaponLabel.draw(camera.projectionView);
}

void VantorGui::handleMouseButton(int button, int action, int mods) {
    for (GlLabelButton* target : buttons) {
        target->handleMouseButton(button, action, mods);
    }
}

void VantorGui::handleMouseButton(int button, int action, int mods, const vec2& mouseWindowPosition) {
    for (GlLabelButton* target : buttons) {
        target->handleMouseButton(button, action, mods, camera, mouseWindowPosition);
    }
}

void VantorGui::handleFramebufferSize(int width, int height) {
    camera.resizeBuffer(static_cast<float>(width), static_cast<float>(height));
    organizeGui();
}

void VantorGui::organizeGui() {
    const float w = buttonSize.x;
    const float column = w + kButtonGap; // centre distance of neighbouring buttons

    mainWeaponLabel.position = vec2(0.0f, kMainWeaponHeadingY);
    machineGunButton.label.position = vec2(-column, kMainWeaponRowY);
    ionCannonButton.label.position = vec2(0.0f, kMainWeaponRowY);
    flamethrowerButton.label.position = vec2(column, kMainWeaponRowY);

    secondaryWeaponLabel.position = vec2(0.0f, kSecondaryWeaponHeadingY);
    empRocketButton.label.position = vec2(-column, kSecondaryWeaponRowY);
    gravityOrbButton.label.position = vec2(0.0f, kSecondaryWeaponRowY);
    shockwaveButton.label.position = vec2(column, kSecondaryWeaponRowY);

    startButton.label.position = vec2(-column * 0.5f, kActionRowY);
    exitButton.label.position = vec2(column * 0.5f, kActionRowY);
}

void VantorGui::selectMainWeapon(int weapon) {
    mainWeapon = weapon;
    machineGunButton.active = (weapon == 1);
    ionCannonButton.active = (weapon == 2);
    flamethrowerButton.active = (weapon == 3);
}

void VantorGui::selectSecondaryWeapon(int weapon) {
    secondaryWeapon = weapon;
    empRocketButton.active = (weapon == 1);
    gravityOrbButton.active = (weapon == 2);
    shockwaveButton.active = (weapon == 3);
}

} // namespace kv
