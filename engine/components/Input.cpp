#include "engine/components/Input.hpp"

#include <utility>

#include "engine/core/GameEntity.hpp"

namespace kv {

namespace {
// Fixed priority of every input component.
constexpr int kInputPriority = 1000;
constexpr int kNoModifiers = 0;
} // namespace

KeyboardKeyComponent::KeyboardKeyComponent(GameEntity& entity, int key, int modifiers, PressCallback callback)
    : EntityComponent(entity, kInputPriority), key(key), modifiers(modifiers), callback(std::move(callback)) {
    entity.registerComponent<KeyboardKeyComponent>(*this);
}

KeyboardKeyComponent::KeyboardKeyComponent(GameEntity& entity, int key, PressCallback callback)
    : KeyboardKeyComponent(entity, key, kNoModifiers, std::move(callback)) {}

KeyboardKeyComponent::~KeyboardKeyComponent() {
    entity.deregisterComponent<KeyboardKeyComponent>(*this);
}

void KeyboardKeyComponent::handleKey(int pressedKey, int heldModifiers, bool pressed) {
    if (pressedKey == key && heldModifiers == modifiers) {
        callback(pressed);
    }
}

MouseButtonComponent::MouseButtonComponent(GameEntity& entity, int button, int modifiers,
                                           PressCallback callback)
    : EntityComponent(entity, kInputPriority), button(button), modifiers(modifiers),
      callback(std::move(callback)) {
    entity.registerComponent<MouseButtonComponent>(*this);
}

MouseButtonComponent::MouseButtonComponent(GameEntity& entity, int button, PressCallback callback)
    : MouseButtonComponent(entity, button, kNoModifiers, std::move(callback)) {}

MouseButtonComponent::~MouseButtonComponent() {
    entity.deregisterComponent<MouseButtonComponent>(*this);
}

void MouseButtonComponent::handleMouseButton(int pressedButton, int heldModifiers, bool pressed) {
    if (pressedButton == button && (heldModifiers == modifiers || !pressed)) {
        callback(pressed);
    }
}

LambdaKeyboardComponent::LambdaKeyboardComponent(GameEntity& entity, RawKeyCallback callback)
    : EntityComponent(entity, kInputPriority), callback(std::move(callback)) {
    entity.registerComponent<LambdaKeyboardComponent>(*this);
}

LambdaKeyboardComponent::~LambdaKeyboardComponent() {
    entity.deregisterComponent<LambdaKeyboardComponent>(*this);
}

} // namespace kv
