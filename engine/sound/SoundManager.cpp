#include "engine/sound/SoundManager.hpp"

#include <al.h>
#include <alc.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/core/AssetFiles.hpp"
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

// Music is queued in a few blocks; the refill thread looks for played ones several times per block, so a
// block is always ready before the queue runs dry.
constexpr int kMusicBufferCount = 4;
constexpr std::size_t kMusicBlockFrames = 16384; // about 0.37 s at 44.1 kHz
constexpr auto kMusicRefillPeriod = std::chrono::milliseconds(50);

constexpr float kInitialMasterVolume = 0.3f;
constexpr float kInitialSoundVolume = 1.0f;
constexpr float kInitialMusicVolume = 0.2f;

ALCdevice* device = nullptr;
ALCcontext* context = nullptr;
bool managerExists = false;
// Set while the manager found no sound device (it then has no context either): nothing plays.
bool muted = false;
std::array<ALuint, SoundManager::kEffectCount> soundBufferIds{};
std::array<ALuint, SoundManager::kEffectSourceCount> soundSourceIds{};
ALuint musicSourceId = 0;
std::vector<ALuint> ownBufferIds; // loaded by loadSound, deleted with the manager
// Kept for the whole run, like the volumes: a new manager continues the round robin.
int actSourceIndex = 0;
unsigned managerNumber = 0; // raised by each manager made, so that a Sound knows its own
float masterVolume = kInitialMasterVolume;
float soundVolume = kInitialSoundVolume;
float musicVolume = kInitialMusicVolume;

// Whether sounds can be heard: every call that plays or loads asks here, and does nothing otherwise.
bool soundOn() {
    return context != nullptr;
}

void reportUnloadable(const std::string& path) {
    const std::string reason = describeReadFailure(path);
    logCritical("couldn't load sound file " + path + " (" +
                (reason.empty() ? "not Ogg Vorbis, or damaged" : reason) + ")");
}

// Leaves the buffer empty (and so silent) when the file is missing or does not decode; false then.
bool fillBuffer(ALuint buffer, const DecodedSound& sound, const std::string& path) {
    if (!sound.loaded) {
        reportUnloadable(path);
        return false;
    }
    const std::int64_t bytes = std::int64_t{sound.frames} * sound.channels * kBytesPerSample;
    if (bytes > std::numeric_limits<ALsizei>::max()) {
        logCritical("sound file too long: " + path);
        return false;
    }
    const ALenum format = sound.channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
    alBufferData(buffer, format, sound.samples.data(), static_cast<ALsizei>(bytes), sound.sampleRate);
    return true;
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

// The next source of the pool, whether or not its last effect has finished.
void playEffect(ALuint buffer, float volume) {
    playOn(soundSourceIds[actSourceIndex], buffer, masterVolume * (volume * soundVolume));
    actSourceIndex = (actSourceIndex + 1) % SoundManager::kEffectSourceCount;
}

// Streams the music files onto the music source: playMusic queues the first blocks, the thread refills each
// block once played. OpenAL's calls on one context are safe from several threads; the lock keeps the
// queue and the decoder's position together.
class MusicStreamer {
public:
    explicit MusicStreamer(bool builtInMusic) {
        for (std::size_t i = 0; builtInMusic && i < kMusicFiles.size(); ++i) {
            const std::string path = resolveAssetPath(kMusicFiles[i]);
            streams[i] = std::make_unique<LoopingOggVorbisStream>(path);
            if (!streams[i]->isOpen()) {
                reportUnloadable(path);
            }
        }
        alGenBuffers(kMusicBufferCount, buffers.data());
        refiller = std::thread([this] { refillUntilStopped(); });
    }
    ~MusicStreamer() {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        wake.notify_one();
        refiller.join();
        alSourceStop(musicSourceId);
        alSourcei(musicSourceId, AL_BUFFER, 0);
        alDeleteBuffers(kMusicBufferCount, buffers.data());
    }
    MusicStreamer(const MusicStreamer&) = delete;
    MusicStreamer& operator=(const MusicStreamer&) = delete;

    void play(int index, float gain) {
        const std::lock_guard<std::mutex> lock(mutex);
        alSourceStop(musicSourceId);
        alSourcei(musicSourceId, AL_BUFFER, 0);
        current = streams[static_cast<std::size_t>(index)].get();
        if (current != nullptr) {
            current->rewind();
        }
        for (ALuint buffer : buffers) {
            if (!fill(buffer)) {
                break;
            }
        }
        alSourcef(musicSourceId, AL_GAIN, gain);
        alSourcePlay(musicSourceId);
    }

private:
    // Queues the next block; false once the file gives no more.
    bool fill(ALuint buffer) {
        if (current == nullptr || !current->isOpen()) {
            return false;
        }
        block.resize(kMusicBlockFrames * static_cast<std::size_t>(current->getChannels()));
        const std::size_t frames = current->read(block.data(), kMusicBlockFrames);
        if (frames == 0) {
            return false;
        }
        const ALenum format = current->getChannels() == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
        alBufferData(buffer, format, block.data(),
                     static_cast<ALsizei>(frames * static_cast<std::size_t>(current->getChannels()) * sizeof(short)),
                     current->getSampleRate());
        alSourceQueueBuffers(musicSourceId, 1, &buffer);
        return true;
    }

    void refillUntilStopped() {
        std::unique_lock<std::mutex> lock(mutex);
        while (!wake.wait_for(lock, kMusicRefillPeriod, [this] { return stopping; })) {
            ALint processed = 0;
            alGetSourcei(musicSourceId, AL_BUFFERS_PROCESSED, &processed);
            for (; processed > 0; --processed) {
                ALuint buffer = 0;
                alSourceUnqueueBuffers(musicSourceId, 1, &buffer);
                fill(buffer);
            }
            // A stall longer than the queue (a suspended machine) lets the source run dry and stop.
            ALint queued = 0;
            ALint state = AL_STOPPED;
            alGetSourcei(musicSourceId, AL_BUFFERS_QUEUED, &queued);
            alGetSourcei(musicSourceId, AL_SOURCE_STATE, &state);
            if (queued > 0 && state == AL_STOPPED && current != nullptr) {
                alSourcePlay(musicSourceId);
            }
        }
    }

    std::array<std::unique_ptr<LoopingOggVorbisStream>, SoundManager::kMusicCount> streams;
    std::array<ALuint, kMusicBufferCount> buffers{};
    std::vector<short> block; // one block of samples, reused
    LoopingOggVorbisStream* current = nullptr; // the stream playing, none before playMusic
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    std::thread refiller;
};

std::unique_ptr<MusicStreamer> music;

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

SoundManager::SoundManager() : SoundManager(true) {}

SoundManager::SoundManager(OwnSoundsOnly) : SoundManager(false) {}

SoundManager::SoundManager(bool builtInSounds) {
    std::vector<DecodedSound> effects(kEffectFiles.size());
    for (std::size_t i = 0; builtInSounds && i < kEffectFiles.size(); ++i) {
        effects[i] = decodeOggVorbisFile(resolveAssetPath(kEffectFiles[i]));
    }
    checkState(!managerExists, "only one sound manager may exist at a time");

    device = alcOpenDevice(nullptr);
    if (device == nullptr) {
        // A machine without sound still plays, silently.
        logCritical("couldn't open default sound device: playing without sound");
        muted = true;
        managerExists = true;
        return;
    }
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
    for (int i = 0; builtInSounds && i < kEffectCount; ++i) {
        fillBuffer(soundBufferIds[i], effects.at(static_cast<std::size_t>(i)),
                   resolveAssetPath(kEffectFiles[i]));
    }

    alListener3f(AL_POSITION, 0.0f, 0.0f, 0.0f);
    alListener3f(AL_VELOCITY, 0.0f, 0.0f, 0.0f);

    alGenSources(kEffectSourceCount, soundSourceIds.data());
    for (ALuint source : soundSourceIds) {
        resetSource(source);
    }
    alGenSources(1, &musicSourceId);
    resetSource(musicSourceId);
    // Music is not placed anywhere: it stays at the listener whatever moves.
    alSourcei(musicSourceId, AL_SOURCE_RELATIVE, AL_TRUE);
    music = std::make_unique<MusicStreamer>(builtInSounds);
    managerExists = true;
    ++managerNumber;
}

SoundManager::~SoundManager() {
    managerExists = false;
    if (muted) {
        muted = false;
        return;
    }
    music.reset();
    alDeleteSources(kEffectSourceCount, soundSourceIds.data());
    alDeleteSources(1, &musicSourceId);
    alDeleteBuffers(kEffectCount, soundBufferIds.data());
    alDeleteBuffers(static_cast<ALsizei>(ownBufferIds.size()), ownBufferIds.data());
    ownBufferIds.clear();
    soundSourceIds.fill(0);
    musicSourceId = 0;
    soundBufferIds.fill(0);
    closeDevice();
}

Sound SoundManager::loadSound(const std::string& path) {
    Sound sound;
    if (!soundOn()) {
        return sound;
    }
    const std::string resolved = resolveAssetPath(path);
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    if (!fillBuffer(buffer, decodeOggVorbisFile(resolved), resolved)) {
        alDeleteBuffers(1, &buffer);
        return sound;
    }
    ownBufferIds.push_back(buffer);
    sound.buffer = buffer;
    sound.manager = managerNumber;
    return sound;
}

void SoundManager::playSound(int index, float volume) {
    if (!soundOn() || index < 0 || index >= kEffectCount) {
        return;
    }
    playEffect(soundBufferIds[index], volume);
}

void SoundManager::playSound(const Sound& sound, float volume) {
    if (!soundOn() || !sound.isLoaded() || sound.manager != managerNumber) {
        return;
    }
    playEffect(sound.buffer, volume);
}

void SoundManager::playMusic(int index) {
    if (!soundOn() || index < 0 || index >= kMusicCount) {
        return;
    }
    music->play(index, musicVolume * masterVolume);
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
