// Components that bind keyboard keys and mouse buttons to behaviour. The game forwards every press and
// release to them; codes and modifier masks are GLFW's.
#pragma once

#include <functional>

#include "engine/core/EntityComponent.hpp"

namespace kv {

class GameEntity;

// Called with true on a press and false on a release.
using PressCallback = std::function<void(bool pressed)>;
// Key code, modifier mask, press (true) or release (false).
using RawKeyCallback = std::function<void(int key, int modifiers, bool pressed)>;

// Reports presses and releases of one key held with exactly one modifier mask. It reacts whether or not
// its entity is active.
class KeyboardKeyComponent : public EntityComponent {
public:
    // modifiers 0: the key counts only while no modifier key is held.
    KeyboardKeyComponent(GameEntity& entity, int key, int modifiers, PressCallback callback);
    KeyboardKeyComponent(GameEntity& entity, int key, PressCallback callback);
    ~KeyboardKeyComponent() override;

    void handleKey(int key, int modifiers, bool pressed);

    int key;
    int modifiers;
    PressCallback callback;
};

// Reports presses of one mouse button held with exactly one modifier mask, and every release of the button
// whatever the modifiers: a modifier pressed or let go while the button is held must not keep it down.
class MouseButtonComponent : public EntityComponent {
public:
    MouseButtonComponent(GameEntity& entity, int button, int modifiers, PressCallback callback);
    MouseButtonComponent(GameEntity& entity, int button, PressCallback callback);
    ~MouseButtonComponent() override;

    void handleMouseButton(int button, int modifiers, bool pressed);

    int button;
    int modifiers;
    PressCallback callback;
};

// Receives every key event unfiltered; the game calls callback directly.
class LambdaKeyboardComponent : public EntityComponent {
public:
    LambdaKeyboardComponent(GameEntity& entity, RawKeyCallback callback);
    ~LambdaKeyboardComponent() override;

    RawKeyCallback callback;
};

} // namespace kv
