#include "game/VantorGui.hpp"

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

    organizeGui();
    selectMainWeapon(1);
    selectSecondaryWeapon(1);
}

void VantorGui::update(float dt, const vec2& mouseWindowPosition) {
    for (GlLabelButton* button : buttons) {
        button->update(dt, camera, mouseWindowPosition);
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
