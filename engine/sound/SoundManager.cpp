#include "engine/sound/SoundManager.hpp"

#include <al.h>
#include <alc.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>

#include "engine/core/Diagnostics.hpp"
#include "engine/sound/SoundDecoder.hpp"

namespace kv {

namespace {

constexpr std::array<const char*, SoundManager::kEffectCount> kEffectFiles = {
    "sounds/255716_varno12_silenced-pistol-layered-powerful.ogg",
    "sounds/94185_olm-tarr_explosion.ogg",
    "sounds/78457_delvo41_bum.ogg",
};
constexpr std::array<const char*, SoundManager::kMusicCount> kMusicFiles = {
    "sounds/220332_r-tamosk_vel-23022014-game-loop-3.ogg",
};

constexpr float kInitialMasterVolume = 0.3f;
constexpr float kInitialSoundVolume = 1.0f;
constexpr float kInitialMusicVolume = 0.2f;

ALCdevice* device = nullptr;
ALCcontext* context = nullptr;
std::array<ALuint, SoundManager::kEffectCount> soundBufferIds{};
std::array<ALuint, SoundManager::kMusicCount> musicBufferIds{};
std::array<ALuint, SoundManager::kEffectSourceCount> soundSourceIds{};
ALuint musicSourceId = 0;
// Kept for the whole run, like the volumes: a new manager continues the round robin.
int actSourceIndex = 0;
float masterVolume = kInitialMasterVolume;
float soundVolume = kInitialSoundVolume;
float musicVolume = kInitialMusicVolume;

// Leaves the buffer empty (and so silent) when the file is missing or does not decode.
void fillBuffer(ALuint buffer, const char* path) {
    const DecodedSound sound = decodeOggVorbisFile(path);
    if (!sound.loaded) {
        logCritical(std::string("couldn't load sound file ") + path);
        return;
    }
    constexpr std::int64_t kBytesPerSample = 2; // signed 16 bit
    const std::int64_t bytes = std::int64_t{sound.frames} * sound.channels * kBytesPerSample;
    if (bytes > std::numeric_limits<ALsizei>::max()) {
        logCritical(std::string("sound file too long: ") + path);
        return;
    }
    const ALenum format = sound.channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
    alBufferData(buffer, format, sound.samples.data(), static_cast<ALsizei>(bytes), sound.sampleRate);
}

void resetSource(ALuint source) {
    alSourcef(source, AL_GAIN, 1.0f);
    alSourcef(source, AL_PITCH, 1.0f);
    alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
    alSource3f(source, AL_VELOCITY, 0.0f, 0.0f, 0.0f);
}

// OpenAL refuses a new buffer on a source that is still playing, which would restart the old sound.
void playOn(ALuint source, ALuint buffer, float gain) {
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
    alSourcef(source, AL_GAIN, gain);
    alSourcePlay(source);
}

void closeDevice() {
    if (context != nullptr) {
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(context);
        context = nullptr;
    }
    alcCloseDevice(device);
    device = nullptr;
}

} // namespace

SoundManager::SoundManager() {
    checkState(device == nullptr, "only one sound manager may exist at a time");

    device = alcOpenDevice(nullptr);
    checkState(device != nullptr, "couldn't open default sound device");
    context = alcCreateContext(device, nullptr);
    if (context == nullptr) {
        closeDevice();
        throwRuntimeError([](std::stringstream& out) { out << "couldn't create sound context"; });
    }
    if (alcMakeContextCurrent(context) == ALC_FALSE) {
        closeDevice();
        throwRuntimeError([](std::stringstream& out) { out << "couldn't make sound context current"; });
    }

    alGenBuffers(kEffectCount, soundBufferIds.data());
    for (int i = 0; i < kEffectCount; ++i) {
        fillBuffer(soundBufferIds[i], kEffectFiles[i]);
    }
    alGenBuffers(kMusicCount, musicBufferIds.data());
    for (int i = 0; i < kMusicCount; ++i) {
        fillBuffer(musicBufferIds[i], kMusicFiles[i]);
    }

    alListener3f(AL_POSITION, 0.0f, 0.0f, 0.0f);
    alListener3f(AL_VELOCITY, 0.0f, 0.0f, 0.0f);

    alGenSources(kEffectSourceCount, soundSourceIds.data());
    for (ALuint source : soundSourceIds) {
        resetSource(source);
    }
    alGenSources(1, &musicSourceId);
    resetSource(musicSourceId);
    alSourcei(musicSourceId, AL_LOOPING, AL_TRUE);
}

SoundManager::~SoundManager() {
    alDeleteSources(kEffectSourceCount, soundSourceIds.data());
    alDeleteSources(1, &musicSourceId);
    alDeleteBuffers(kEffectCount, soundBufferIds.data());
    alDeleteBuffers(kMusicCount, musicBufferIds.data());
    soundSourceIds.fill(0);
    musicSourceId = 0;
    soundBufferIds.fill(0);
    musicBufferIds.fill(0);
    closeDevice();
}

void SoundManager::playSound(int index, float volume) {
    if (context == nullptr || index < 0 || index >= kEffectCount) {
        return;
    }
    const ALuint source = soundSourceIds[actSourceIndex];
    playOn(source, soundBufferIds[index], masterVolume * (volume * soundVolume));
    actSourceIndex = (actSourceIndex + 1) % kEffectSourceCount;
}

void SoundManager::playMusic(int index) {
    if (context == nullptr || index < 0 || index >= kMusicCount) {
        return;
    }
    playOn(musicSourceId, musicBufferIds[index], musicVolume * masterVolume);
}

void SoundManager::setMasterVolume(float volume) {
    masterVolume = volume;
}

void SoundManager::setSoundVolume(float volume) {
    soundVolume = volume;
}

void SoundManager::setMusicVolume(float volume) {
    musicVolume = volume;
}

} // namespace kv
