#include "engine/sound/SoundManager.hpp"

#include <al.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/ErrorText.hpp"
#include "support/OggVorbisWriter.hpp"

namespace kv {
namespace {

namespace fs = std::filesystem;

constexpr const char* kGunshotFile = "sounds/255716_varno12_silenced-pistol-layered-powerful.ogg";
constexpr const char* kExplosionFile = "sounds/94185_olm-tarr_explosion.ogg";
constexpr const char* kBoomFile = "sounds/78457_delvo41_bum.ogg";
constexpr const char* kMusicFile = "sounds/220332_r-tamosk_vel-23022014-game-loop-3.ogg";

// Each file gets its own sample rate, so a source's buffer tells which sound it holds.
constexpr int kGunshotRate = 44100;   // Hz
constexpr int kExplosionRate = 22050; // Hz
constexpr int kBoomRate = 16000;      // Hz
constexpr int kMusicRate = 32000;     // Hz
constexpr int kMusicFrames = 32000;   // one second
constexpr int kRecordingRate = 44100; // Hz, what the wave writer records at

constexpr float kInitialMaster = 0.3f;
constexpr float kInitialSound = 1.0f;
constexpr float kInitialMusic = 0.2f;

// The whole executable runs in a scratch directory holding the four sound files, with OpenAL Soft
// writing everything it plays into a WAV file. OpenAL reads its configuration once per process, so
// this has to be in place before any test opens a device.
class SoundEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        originalDirectory = fs::current_path();
        root = fs::temp_directory_path() / ("kv_sound_tests_" + std::to_string(::getpid()));
        fs::create_directories(root / "sounds");
        fs::current_path(root);
        writeSounds();
        const fs::path config = root / "alsoft.conf";
        std::ofstream(config)
            << "[general]\nchannels = stereo\nsample-type = int16\ndither = false\nfrequency = "
            << kRecordingRate << "\n[wave]\nfile = " << recording().string() << "\n";
        ::setenv("ALSOFT_CONF", config.c_str(), 1);
        ::setenv("ALSOFT_DRIVERS", "wave", 1);
    }

    void TearDown() override {
        fs::current_path(originalDirectory);
        fs::remove_all(root);
    }

    static void writeSounds() {
        using test::sineTone;
        using test::writeOggVorbis;
        writeOggVorbis(kGunshotFile, 1, kGunshotRate,
                       sineTone(1, kGunshotRate, kGunshotRate / 4, 440.0f, 0.5f));
        writeOggVorbis(kExplosionFile, 1, kExplosionRate,
                       sineTone(1, kExplosionRate, kExplosionRate / 2, 110.0f, 0.5f));
        writeOggVorbis(kBoomFile, 1, kBoomRate, sineTone(1, kBoomRate, kBoomRate / 4, 80.0f, 0.5f));
        writeOggVorbis(kMusicFile, 2, kMusicRate, sineTone(2, kMusicRate, kMusicFrames, 330.0f, 0.3f));
    }

    static fs::path recording() { return root / "recording.wav"; }

    static inline fs::path root;
    static inline fs::path originalDirectory;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new SoundEnvironment);

void resetVolumes() {
    SoundManager::setMasterVolume(kInitialMaster);
    SoundManager::setSoundVolume(kInitialSound);
    SoundManager::setMusicVolume(kInitialMusic);
}

ALint sourceInt(ALuint source, ALenum parameter) {
    ALint value = 0;
    alGetSourcei(source, parameter, &value);
    return value;
}

// Names of OpenAL Soft are small integers counted from 1, so the live sources can be found by asking.
// The effect sources are the ones that do not loop.
std::vector<ALuint> sources(bool looping) {
    std::vector<ALuint> found;
    for (ALuint name = 1; name < 1024; ++name) {
        if (alIsSource(name) == AL_TRUE && (sourceInt(name, AL_LOOPING) == AL_TRUE) == looping) {
            found.push_back(name);
        }
    }
    return found;
}

ALuint musicSource() {
    const std::vector<ALuint> music = sources(true);
    return music.size() == 1 ? music.front() : 0;
}

float gainOf(ALuint source) {
    ALfloat gain = -1.0f;
    alGetSourcef(source, AL_GAIN, &gain);
    return gain;
}

ALint bufferInt(ALuint source, ALenum parameter) {
    ALint value = 0;
    alGetBufferi(static_cast<ALuint>(sourceInt(source, AL_BUFFER)), parameter, &value);
    return value;
}

// The effect source holding a buffer at that gain; tests tell effects apart by the gains they play them at.
ALuint sourceWithGain(float gain) {
    for (ALuint source : sources(false)) {
        if (sourceInt(source, AL_BUFFER) != 0 && gainOf(source) == gain) {
            return source;
        }
    }
    return 0;
}

// Waits for the mixer, which runs in real time on its own thread; the deadline only guards against a hang.
template <typename Condition> bool waitFor(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The 16-bit samples of the data chunk of the recording, read to the end of the file: the writer fixes
// the chunk size only when it closes.
std::vector<std::int16_t> recordedSamples() {
    std::ifstream in(SoundEnvironment::recording(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::int16_t> samples;
    for (std::size_t at = 12; bytes.compare(0, 4, "RIFF") == 0 && at + 8 <= bytes.size();) {
        std::uint32_t size = 0;
        // WAV is little-endian, as is every host these tests run on.
        std::memcpy(&size, bytes.data() + at + 4, sizeof(size));
        if (bytes.compare(at, 4, "data") == 0) {
            samples.resize((bytes.size() - at - 8) / sizeof(std::int16_t));
            std::memcpy(samples.data(), bytes.data() + at + 8, samples.size() * sizeof(std::int16_t));
            break;
        }
        at += 8 + size + (size & 1u);
    }
    return samples;
}

class SoundManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetVolumes();
        manager = std::make_unique<SoundManager>();
    }
    void TearDown() override {
        manager.reset();
        resetVolumes();
    }

    std::unique_ptr<SoundManager> manager;
};

TEST_F(SoundManagerTest, InitialVolumesGiveTheDocumentedGainsToEffectsAndTheLoopingMusic) {
    EXPECT_EQ(sources(false).size(), 100u);
    ASSERT_NE(musicSource(), 0u);
    EXPECT_EQ(sourceInt(musicSource(), AL_SOURCE_STATE), AL_INITIAL);
    EXPECT_FLOAT_EQ(gainOf(musicSource()), 1.0f);
    EXPECT_FLOAT_EQ(gainOf(sources(false).front()), 1.0f);
    SoundManager::playSound(0, 1.0f);
    const ALuint effect = sourceWithGain(0.3f);
    ASSERT_NE(effect, 0u);
    EXPECT_EQ(bufferInt(effect, AL_FREQUENCY), kGunshotRate);

    SoundManager::playMusic(0);
    SoundManager::playMusic(0);
    const ALuint music = musicSource();
    EXPECT_FLOAT_EQ(gainOf(music), 0.06f);
    EXPECT_EQ(sourceInt(music, AL_SOURCE_STATE), AL_PLAYING) << "playing again restarts it";
    EXPECT_EQ(sourceInt(music, AL_LOOPING), AL_TRUE);
    // Stereo music is uploaded whole.
    EXPECT_EQ(bufferInt(music, AL_CHANNELS), 2);
    EXPECT_EQ(bufferInt(music, AL_BITS), 16);
    EXPECT_EQ(bufferInt(music, AL_FREQUENCY), kMusicRate);
    EXPECT_EQ(bufferInt(music, AL_SIZE), kMusicFrames * 2 * 2);
}

TEST_F(SoundManagerTest, EffectsTakeThePoolSourcesInTurnAndThe101stCutsOffTheFirst) {
    constexpr int kPool = SoundManager::kEffectSourceCount;
    std::vector<ALuint> used;
    for (int i = 1; i <= kPool; ++i) {
        const float volume = static_cast<float>(i) / kPool;
        SoundManager::playSound(0, volume);
        used.push_back(sourceWithGain(kInitialMaster * (volume * kInitialSound)));
    }
    EXPECT_EQ(std::set<ALuint>(used.begin(), used.end()).size(), 100u);
    EXPECT_EQ(std::count(used.begin(), used.end(), 0u), 0);
    // Whether or not the first has finished.
    SoundManager::playSound(2, 0.05f);
    EXPECT_EQ(sourceWithGain(kInitialMaster * 0.05f), used[0]);
    EXPECT_EQ(bufferInt(used[0], AL_FREQUENCY), kBoomRate);
    EXPECT_EQ(sourceInt(used[0], AL_SOURCE_STATE), AL_PLAYING);
    SoundManager::playSound(1, 0.07f);
    EXPECT_EQ(sourceWithGain(kInitialMaster * 0.07f), used[1]);
    EXPECT_EQ(bufferInt(used[1], AL_FREQUENCY), kExplosionRate);
    EXPECT_FLOAT_EQ(gainOf(used[99]), kInitialMaster);
}

TEST_F(SoundManagerTest, VolumesApplyOnlyToSoundsStartedAfterwards) {
    SoundManager::playSound(1, 1.0f);
    const ALuint first = sourceWithGain(kInitialMaster);
    ASSERT_NE(first, 0u);
    SoundManager::setMasterVolume(0.0f);
    SoundManager::playSound(1, 1.0f);
    SoundManager::playMusic(0);
    EXPECT_FLOAT_EQ(gainOf(first), kInitialMaster);
    EXPECT_NE(sourceWithGain(0.0f), 0u);
    EXPECT_FLOAT_EQ(gainOf(musicSource()), 0.0f);

    SoundManager::setMasterVolume(1.0f);
    SoundManager::setSoundVolume(0.5f);
    SoundManager::setMusicVolume(0.25f);
    EXPECT_FLOAT_EQ(gainOf(musicSource()), 0.0f);
    SoundManager::playSound(0, 0.5f);
    EXPECT_NE(sourceWithGain(0.25f), 0u);
    SoundManager::playMusic(0);
    EXPECT_FLOAT_EQ(gainOf(musicSource()), 0.25f);
}

TEST_F(SoundManagerTest, IndicesOutsideTheTablesPlayNothing) {
    SoundManager::playSound(3, 1.0f);
    SoundManager::playSound(-1, 1.0f);
    SoundManager::playSound(INT_MAX, 1.0f);
    SoundManager::playMusic(1);
    SoundManager::playMusic(-1);
    for (ALuint source : sources(false)) {
        EXPECT_EQ(sourceInt(source, AL_BUFFER), 0);
    }
    EXPECT_EQ(sourceInt(musicSource(), AL_SOURCE_STATE), AL_INITIAL);
    SoundManager::playSound(2, 1.0f);
    EXPECT_NE(sourceWithGain(kInitialMaster), 0u);
}

TEST(SoundManagerLifetime, OneManagerAtATimeAndStaticCallsWithoutOneDoNothing) {
    resetVolumes();
    {
        SoundManager first;
        EXPECT_EQ(test::errorOf([] { SoundManager second; }), "only one sound manager may exist at a time");
    }
    SoundManager::playSound(0, 1.0f);
    SoundManager::playMusic(0);
    SoundManager again;
    EXPECT_EQ(sourceWithGain(kInitialMaster), 0u);
    EXPECT_EQ(sourceInt(musicSource(), AL_BUFFER), 0);
    SoundManager::playSound(0, 1.0f);
    EXPECT_NE(sourceWithGain(kInitialMaster), 0u);
}

class SoundFileFailures : public ::testing::Test {
protected:
    void TearDown() override {
        manager.reset();
        SoundEnvironment::writeSounds();
    }

    std::string constructCapturingErrors() {
        ::testing::internal::CaptureStderr();
        manager = std::make_unique<SoundManager>();
        return ::testing::internal::GetCapturedStderr();
    }

    std::unique_ptr<SoundManager> manager;
};

TEST_F(SoundFileFailures, MissingAndUndecodableFilesAreReportedAndStaySilent) {
    fs::remove(kExplosionFile);
    std::ofstream(kMusicFile, std::ios::trunc) << "not an ogg file";
    const std::string errors = constructCapturingErrors();
    EXPECT_NE(errors.find(kExplosionFile), std::string::npos) << errors;
    EXPECT_NE(errors.find(kMusicFile), std::string::npos) << errors;
    EXPECT_EQ(errors.find(kGunshotFile), std::string::npos) << errors;

    SoundManager::playMusic(0);
    EXPECT_EQ(bufferInt(musicSource(), AL_SIZE), 0);
    SoundManager::playSound(1, 1.0f);
    const ALuint source = sourceWithGain(kInitialMaster);
    ASSERT_NE(source, 0u);
    EXPECT_EQ(bufferInt(source, AL_SIZE), 0);
    EXPECT_TRUE(waitFor([&] { return sourceInt(source, AL_SOURCE_STATE) == AL_STOPPED; }));
    SoundManager::playSound(0, 0.5f);
    EXPECT_EQ(bufferInt(sourceWithGain(kInitialMaster * 0.5f), AL_FREQUENCY), kGunshotRate);
}

// Plays the gunshot, lets it run out and closes the device, which completes the recording.
std::vector<std::int16_t> recordGunshot() {
    resetVolumes();
    auto manager = std::make_unique<SoundManager>();
    SoundManager::playSound(0, 1.0f);
    const ALuint source = sourceWithGain(kInitialMaster);
    EXPECT_NE(source, 0u);
    EXPECT_TRUE(waitFor([&] { return sourceInt(source, AL_SOURCE_STATE) == AL_STOPPED; }));
    // A quarter of a second of output, so that a silent result means silence and not an empty file.
    EXPECT_TRUE(waitFor([] {
        std::error_code error;
        return fs::file_size(SoundEnvironment::recording(), error) > kRecordingRate * 2 * 2 / 4;
    }));
    manager.reset();
    return recordedSamples();
}

int peakOf(const std::vector<std::int16_t>& samples) {
    int peak = 0;
    for (std::int16_t sample : samples) {
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
    }
    return peak;
}

TEST_F(SoundFileFailures, ThePlayedGunshotIsAudibleAndAMissingOneSilent) {
    std::vector<std::int16_t> samples = recordGunshot();
    ASSERT_GT(samples.size(), static_cast<std::size_t>(kRecordingRate / 4));
    // A 0.5 tone at gain 0.3 peaks near 0.15 of full scale, less the panning of mono onto two speakers.
    EXPECT_GT(peakOf(samples), 2000);
    EXPECT_LT(peakOf(samples), 8000);

    fs::remove(kGunshotFile);
    ::testing::internal::CaptureStderr();
    samples = recordGunshot();
    ::testing::internal::GetCapturedStderr();
    ASSERT_GT(samples.size(), static_cast<std::size_t>(kRecordingRate / 4));
    EXPECT_EQ(peakOf(samples), 0);
}

TEST(SoundManagerDevice, NoDeviceIsReported) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The child process starts afresh, so OpenAL reads this driver list when the manager opens its device.
    EXPECT_EXIT(
        {
            ::setenv("ALSOFT_DRIVERS", "no-such-driver", 1);
            int status = 1;
            try {
                SoundManager manager;
            } catch (const std::runtime_error& error) {
                std::fputs(error.what(), stderr);
                status = 0;
            }
            fs::current_path(SoundEnvironment::originalDirectory);
            fs::remove_all(SoundEnvironment::root);
            std::_Exit(status);
        },
        ::testing::ExitedWithCode(0), "couldn't open default sound device");
}

} // namespace
} // namespace kv
