#include "engine/sound/SoundManager.hpp"

#include <al.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/sound/SoundDecoder.hpp"
#include "tests/support/ErrorText.hpp"

namespace kv {
namespace {

namespace fs = std::filesystem;

// The generated sounds in the order of the manager's tables: gunshot, explosion, boom, then the music.
const std::string kSounds[] = {"sounds/255716_varno12_silenced-pistol-layered-powerful.ogg",
                               "sounds/94185_olm-tarr_explosion.ogg", "sounds/78457_delvo41_bum.ogg",
                               "sounds/220332_r-tamosk_vel-23022014-game-loop-3.ogg"};
constexpr int kMusic = 3;

constexpr float kInitialMaster = 0.3f;
constexpr float kInitialSound = 1.0f;
constexpr float kInitialMusic = 0.2f;

// The whole executable runs in a scratch directory holding copies of the generated sounds, which the
// failure test breaks and puts back.
class SoundDirectory : public ::testing::Environment {
public:
    void SetUp() override {
        originalDirectory = fs::current_path();
        root = fs::temp_directory_path() / ("kv_sound_tests_" + std::to_string(::getpid()));
        fs::create_directories(root / "sounds");
        fs::current_path(root);
        restore();
    }
    void TearDown() override {
        fs::current_path(originalDirectory);
        fs::remove_all(root);
    }
    static void restore() {
        for (const std::string& file : kSounds) {
            fs::copy_file(fs::path(VANTOR_RUNTIME_DIR) / file, file, fs::copy_options::overwrite_existing);
        }
    }
    fs::path root;
    fs::path originalDirectory;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new SoundDirectory);

ALint sourceInt(ALuint source, ALenum parameter) {
    ALint value = 0;
    alGetSourcei(source, parameter, &value);
    return value;
}

// Names of OpenAL Soft are small integers counted from 1, so the live sources can be found by asking.
// The music source is the one placed relative to the listener.
std::vector<ALuint> sources(bool music) {
    constexpr ALuint kNamesToAsk = 1024;
    std::vector<ALuint> found;
    for (ALuint name = 1; name < kNamesToAsk; ++name) {
        if (alIsSource(name) == AL_TRUE && (sourceInt(name, AL_SOURCE_RELATIVE) == AL_TRUE) == music) {
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

// Bytes of 16-bit samples a sound file decodes to: the buffers are told apart by their sizes.
ALint decodedSize(int sound) {
    return static_cast<ALint>(decodeOggVorbisFile(kSounds[sound]).samples.size() * sizeof(short));
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

class SoundManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        SoundManager::setMasterVolume(kInitialMaster);
        SoundManager::setSoundVolume(kInitialSound);
        SoundManager::setMusicVolume(kInitialMusic);
        manager = std::make_unique<SoundManager>();
    }
    void TearDown() override {
        manager.reset();
        SoundDirectory::restore();
    }
    std::unique_ptr<SoundManager> manager;
};

// Gains are set when a sound starts: master x effect or music volume x the caller's volume.
TEST_F(SoundManagerTest, GainsAreMasterTimesEffectOrMusicVolumeTimesTheCallersVolumeAtTheStart) {
    ASSERT_NE(musicSource(), 0u);
    EXPECT_EQ(sourceInt(musicSource(), AL_SOURCE_STATE), AL_INITIAL);
    SoundManager::setSoundVolume(0.5f);
    SoundManager::playSound(0, 0.5f);
    const ALuint effect = sourceWithGain(kInitialMaster * 0.25f);
    ASSERT_NE(effect, 0u);
    EXPECT_EQ(bufferInt(effect, AL_SIZE), decodedSize(0));
    SoundManager::playMusic(0);
    SoundManager::playMusic(0);
    const ALuint music = musicSource();
    EXPECT_FLOAT_EQ(gainOf(music), kInitialMaster * kInitialMusic);
    EXPECT_EQ(sourceInt(music, AL_SOURCE_STATE), AL_PLAYING) << "playing again restarts it";
    // Music is streamed, in stereo (buffer names are small integers too; the effects are mono).
    EXPECT_EQ(sourceInt(music, AL_SOURCE_TYPE), AL_STREAMING);
    EXPECT_GT(sourceInt(music, AL_BUFFERS_QUEUED), 0);
    int stereoBuffers = 0;
    for (ALuint name = 1; name < 1024; ++name) {
        ALint channels = 0;
        alGetBufferi(name, AL_CHANNELS, &channels);
        stereoBuffers += alIsBuffer(name) == AL_TRUE && channels == 2;
    }
    EXPECT_GT(stereoBuffers, 0);
    SoundManager::setMasterVolume(1.0f);
    SoundManager::setMusicVolume(0.25f);
    EXPECT_FLOAT_EQ(gainOf(effect), kInitialMaster * 0.25f);
    EXPECT_FLOAT_EQ(gainOf(music), kInitialMaster * kInitialMusic);
    SoundManager::playMusic(0);
    EXPECT_FLOAT_EQ(gainOf(music), 0.25f);
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
    EXPECT_EQ(bufferInt(used[0], AL_SIZE), decodedSize(2));
    EXPECT_EQ(sourceInt(used[0], AL_SOURCE_STATE), AL_PLAYING);
    SoundManager::playSound(1, 0.07f);
    EXPECT_EQ(sourceWithGain(kInitialMaster * 0.07f), used[1]);
    EXPECT_EQ(bufferInt(used[1], AL_SIZE), decodedSize(1));
}

TEST_F(SoundManagerTest, IndicesOutsideTheTablesAndCallsWithoutAManagerPlayNothingAndOneManagerAtATime) {
    EXPECT_EQ(test::errorOf([] { SoundManager second; }), "only one sound manager may exist at a time");
    for (int index : {3, -1, INT_MAX}) {
        SoundManager::playSound(index, 1.0f);
        SoundManager::playMusic(index - 2);
    }
    for (ALuint source : sources(false)) {
        EXPECT_EQ(sourceInt(source, AL_BUFFER), 0);
    }
    EXPECT_EQ(sourceInt(musicSource(), AL_SOURCE_STATE), AL_INITIAL);
    manager.reset();
    SoundManager::playSound(0, 1.0f);
    SoundManager::playMusic(0);
    manager = std::make_unique<SoundManager>();
    EXPECT_EQ(sourceWithGain(kInitialMaster), 0u);
    EXPECT_EQ(sourceInt(musicSource(), AL_BUFFER), 0);
}

TEST_F(SoundManagerTest, MissingAndUndecodableFilesAreReportedAndStaySilent) {
    manager.reset();
    fs::remove(kSounds[1]);
    std::ofstream(kSounds[kMusic], std::ios::trunc) << "not an ogg file";
    ::testing::internal::CaptureStderr();
    manager = std::make_unique<SoundManager>();
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find(kSounds[1]), std::string::npos) << errors;
    EXPECT_NE(errors.find(kSounds[kMusic]), std::string::npos) << errors;
    EXPECT_EQ(errors.find(kSounds[0]), std::string::npos) << errors;
    SoundManager::playMusic(0);
    EXPECT_EQ(bufferInt(musicSource(), AL_SIZE), 0);
    SoundManager::playSound(1, 1.0f);
    EXPECT_EQ(bufferInt(sourceWithGain(kInitialMaster), AL_SIZE), 0);
    SoundManager::playSound(0, 0.5f);
    EXPECT_EQ(bufferInt(sourceWithGain(kInitialMaster * 0.5f), AL_SIZE), decodedSize(0));
}

} // namespace
} // namespace kv
