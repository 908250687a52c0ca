// Sound effects and looping music through OpenAL: effects decoded whole into memory when the manager is
// built, music streamed from its file while it plays.
#pragma once

#include <string>
#include <vector>

#include "engine/sound/SoundDecoder.hpp"

namespace kv {

// A sound of the game's own, loaded by SoundManager::loadSound; a small value to copy and keep. An empty one
// plays nothing, nor does one whose manager is gone.
class Sound {
public:
    bool isLoaded() const { return buffer != 0; }

private:
    friend class SoundManager;
    unsigned buffer = 0;  // OpenAL buffer name, 0 for none
    unsigned manager = 0; // which manager of the run loaded it
};

// The device, buffers, sources and volume factors live in file-private state, so at most one manager exists
// at a time; the static calls act on it and do nothing while none exists. All sounds play at the listener.
// Effects take the sources of a fixed pool in turn, so the oldest effect is cut off once the pool is used up.
// Music plays from a queue of a few short buffers that a thread of the manager's own refills as they are
// played, so that it starts without decoding the whole file first.
class SoundManager {
public:
    static constexpr int kEffectCount = 3;         // gunshot, explosion, boom
    static constexpr int kMusicCount = 1;          // the game loop
    static constexpr int kEffectSourceCount = 100; // effects that can sound at once

    // Opens the default device. Without one, says so on standard error and stays muted: every call then plays
    // nothing. Throws when no context can be made current on the device.
    // A sound file that is missing or does not decode is reported and stays silent. May be made on any
    // thread: the OpenAL context it makes current is the process's. Files resolve against the asset root
    // (AssetFiles.hpp).
    SoundManager();
    // The same without the built-in effects and music, for a game that plays only sounds of its own.
    struct OwnSoundsOnly {};
    explicit SoundManager(OwnSoundsOnly);
    ~SoundManager();

    SoundManager(const SoundManager&) = delete;
    SoundManager& operator=(const SoundManager&) = delete;

    // Decodes an Ogg Vorbis file of the game's, its path resolved against the asset root, into a buffer kept
    // until the manager goes. A file that is missing, unreadable or does not decode is reported on standard
    // error, naming it, and gives an empty Sound.
    Sound loadSound(const std::string& path);

    // volume is a factor on top of the master and effect volumes; an index outside the effects plays nothing.
    static void playSound(int index, float volume);
    // A sound of the game's own, on the effects' pool of sources and at their volumes.
    static void playSound(const Sound& sound, float volume);
    // Loops the music from its start; an index outside the music plays nothing.
    static void playMusic(int index);

    // Volume factors, 0 to 1; they apply to sounds started afterwards.
    static void setMasterVolume(float volume);
    static void setSoundVolume(float volume);
    static void setMusicVolume(float volume);

private:
    explicit SoundManager(bool builtInSounds);
};

} // namespace kv
