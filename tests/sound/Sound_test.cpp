// The sound manager against a real OpenAL Soft, and the decoder and music stream under it, on the generated
// sounds.
#include "engine/sound/SoundManager.hpp"

#include <al.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <tuple>
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
constexpr float kMaster = 0.3f; // initial volumes
constexpr float kMusicVolume = 0.2f;

// The whole executable runs in a scratch directory holding copies of the generated sounds, which the
// manager test breaks and puts back.
class SoundDirectory : public ::testing::Environment {
public:
    void SetUp() override {
        fs::create_directories(root / "sounds");
        fs::current_path(root);
        restore();
    }
    void TearDown() override {
        fs::current_path(original);
        fs::remove_all(root);
    }
    static void restore() {
        for (const std::string& file : kSounds) {
            fs::copy_file(fs::path(VANTOR_RUNTIME_DIR) / file, file, fs::copy_options::overwrite_existing);
        }
    }
    const fs::path original = fs::current_path();
    const fs::path root = fs::temp_directory_path() / ("kv_sound_tests_" + std::to_string(::getpid()));
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new SoundDirectory);

ALint sourceInt(ALuint source, ALenum parameter) {
    ALint value = 0;
    alGetSourcei(source, parameter, &value);
    return value;
}

ALint bufferInt(ALuint source, ALenum parameter) {
    ALint value = 0;
    alGetBufferi(static_cast<ALuint>(sourceInt(source, AL_BUFFER)), parameter, &value);
    return value;
}

float gainOf(ALuint source) {
    ALfloat gain = -1.0f;
    alGetSourcef(source, AL_GAIN, &gain);
    return gain;
}

// OpenAL Soft names sources with small integers counted from 1, so the live ones can be found by asking:
// the music source is the one placed relative to the listener; tests tell effect sources holding a buffer
// apart by the gains they play at.
ALuint findSource(bool music, float gain) {
    constexpr ALuint kNamesToAsk = 1024;
    for (ALuint name = 1; name < kNamesToAsk; ++name) {
        if (alIsSource(name) == AL_TRUE && (sourceInt(name, AL_SOURCE_RELATIVE) == AL_TRUE) == music &&
            (music || (sourceInt(name, AL_BUFFER) != 0 && gainOf(name) == gain))) {
            return name;
        }
    }
    return 0;
}
ALuint musicSource() { return findSource(true, 0.0f); }
ALuint effectWithGain(float gain) { return findSource(false, gain); }

// Bytes of 16-bit samples a sound file decodes to: buffers are told apart by their sizes.
ALint decodedSize(int sound) {
    return static_cast<ALint>(decodeOggVorbisFile(kSounds[sound]).samples.size() * sizeof(short));
}

// Gains are set when a sound starts: master x effect or music volume x the caller's volume. Effects take the
// pool's sources in turn: whether or not the first has finished, the 101st takes its source. Bad indices,
// calls without a manager and missing or undecodable files play nothing; the files are reported.
TEST(SoundManagerTest, GainsAreSetAtTheStartEffectsTakeThePoolSourcesInTurnAndBadCallsOrFilesPlayNothing) {
    auto manager = std::make_unique<SoundManager>(); // at the initial volumes
    EXPECT_EQ(test::errorOf([] { SoundManager second; }), "only one sound manager may exist at a time");
    for (int index : {3, -1, INT_MAX}) {
        SoundManager::playSound(index, 1.0f);
        SoundManager::playMusic(index - 2);
    }
    EXPECT_EQ(effectWithGain(kMaster), 0u);
    SoundManager::playSound(0, 1.0f);
    EXPECT_NE(effectWithGain(kMaster), 0u) << "effects start at full volume";
    const ALuint music = musicSource();
    ASSERT_NE(music, 0u);
    EXPECT_EQ(sourceInt(music, AL_SOURCE_STATE), AL_INITIAL);
    constexpr int kPool = 100; // effect sources
    SoundManager::setSoundVolume(0.5f);
    std::vector<ALuint> used;
    for (int i = 1; i <= kPool; ++i) {
        const float volume = static_cast<float>(i) / kPool;
        SoundManager::playSound(0, volume);
        used.push_back(effectWithGain(kMaster * 0.5f * volume));
    }
    EXPECT_EQ(std::set<ALuint>(used.begin(), used.end()).size(), 100u);
    EXPECT_EQ(std::count(used.begin(), used.end(), 0u), 0);
    SoundManager::playMusic(0);
    SoundManager::playMusic(0);
    EXPECT_FLOAT_EQ(gainOf(music), kMaster * kMusicVolume);
    EXPECT_EQ(sourceInt(music, AL_SOURCE_STATE), AL_PLAYING) << "playing again restarts it";
    EXPECT_EQ(sourceInt(music, AL_SOURCE_TYPE), AL_STREAMING);
    ALint channels = 0; // buffer names are small integers too; the effects are mono
    for (ALuint name = 1; name < 1024 && channels != 2; ++name) {
        alGetBufferi(name, AL_CHANNELS, &channels);
    }
    EXPECT_EQ(channels, 2) << "the music is in stereo";
    SoundManager::setMasterVolume(1.0f);
    SoundManager::setSoundVolume(1.0f);
    SoundManager::setMusicVolume(0.25f);
    EXPECT_FLOAT_EQ(gainOf(used[49]), kMaster * 0.25f);
    EXPECT_FLOAT_EQ(gainOf(music), kMaster * kMusicVolume);
    SoundManager::playMusic(0);
    EXPECT_FLOAT_EQ(gainOf(music), 0.25f);
    for (const auto& [sound, volume, source] : {std::tuple{2, 0.05f, used[0]}, {1, 0.07f, used[1]}}) {
        SoundManager::playSound(sound, volume);
        EXPECT_EQ(effectWithGain(volume), source);
        EXPECT_EQ(bufferInt(source, AL_SIZE), decodedSize(sound));
        EXPECT_EQ(sourceInt(source, AL_SOURCE_STATE), AL_PLAYING);
    }
    manager.reset();
    SoundManager::playSound(0, 1.0f);
    SoundManager::playMusic(0);
    fs::remove(kSounds[1]);
    std::ofstream(kSounds[kMusic], std::ios::trunc) << "not an ogg file";
    ::testing::internal::CaptureStderr();
    manager = std::make_unique<SoundManager>();
    const std::string errors = ::testing::internal::GetCapturedStderr();
    for (int sound = 0; sound <= kMusic; ++sound) {
        EXPECT_EQ(errors.find(kSounds[sound]) != std::string::npos, sound == 1 || sound == kMusic) << errors;
    }
    SoundManager::playMusic(0);
    EXPECT_EQ(bufferInt(musicSource(), AL_SIZE), 0);
    SoundManager::playSound(1, 1.0f);
    EXPECT_EQ(bufferInt(effectWithGain(1.0f), AL_SIZE), 0);
    SoundManager::playSound(0, 0.5f);
    EXPECT_EQ(bufferInt(effectWithGain(0.5f), AL_SIZE), decodedSize(0));
    // A sound of the game's own plays on the pool at the effects' volume while its manager lasts; a manager
    // for a game's own sounds alone reads none of the built-in files.
    const Sound own = manager->loadSound(kSounds[2]);
    SoundManager::playSound(own, 0.25f);
    EXPECT_EQ(bufferInt(effectWithGain(0.25f), AL_SIZE), decodedSize(2));
    manager.reset();
    ::testing::internal::CaptureStderr();
    manager = std::make_unique<SoundManager>(SoundManager::OwnSoundsOnly{});
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    SoundManager::playSound(own, 0.75f);
    SoundManager::playSound(Sound(), 0.75f);
    for (ALuint name = 1; name < 1024; ++name) {
        EXPECT_FALSE(alIsSource(name) == AL_TRUE && gainOf(name) == 0.75f) << "source " << name;
    }
    SoundDirectory::restore();
}

// Missing, empty, foreign and cut files give no samples and no stream; files the fuzzer found faults with
// (writes outside buffers, leaks) never more samples than frames. The music, streamed in blocks of odd sizes
// across three of its ends, gives the whole file's samples over and over, nothing between; restarted, its
// start again.
TEST(OggVorbis, BrokenFilesGiveNothingAndTheStreamLoopsSeamlesslyAndRestartsAtTheStart) {
    const DecodedSound whole = decodeOggVorbisFile(kSounds[kMusic]);
    ASSERT_TRUE(whole.loaded);
    const auto [quietest, loudest] = std::minmax_element(whole.samples.begin(), whole.samples.end());
    EXPECT_NEAR(std::max(-*quietest, +*loudest), 23200, 4000) << "peaks near -3 dB, clear of clipping";
    std::ofstream("empty.ogg");
    std::ofstream("text.ogg") << "HighScore=1250";
    fs::copy_file(kSounds[kMusic], "cut.ogg");
    fs::resize_file("cut.ogg", 200);
    for (const std::string name : {"missing.ogg", "empty.ogg", "text.ogg", "cut.ogg"}) {
        const DecodedSound sound = decodeOggVorbisFile(name);
        EXPECT_TRUE(!sound.loaded && sound.samples.empty()) << name;
        EXPECT_FALSE(LoopingOggVorbisStream(name).isOpen()) << name;
    }
    const fs::path regressions = fs::path(VANTOR_SOURCE_DIR) / "fuzz/regressions/ogg_decode";
    EXPECT_FALSE(fs::is_empty(regressions));
    for (const auto& entry : fs::directory_iterator(regressions)) {
        const DecodedSound sound = decodeOggVorbisFile(entry.path().string());
        EXPECT_EQ(sound.samples.size(), static_cast<std::size_t>(sound.frames * sound.channels)) << entry.path();
    }

    LoopingOggVorbisStream stream(kSounds[kMusic]);
    ASSERT_TRUE(stream.isOpen());
    ASSERT_EQ(stream.getChannels(), whole.channels);
    EXPECT_EQ(stream.getSampleRate(), whole.sampleRate);
    const std::size_t channels = static_cast<std::size_t>(whole.channels);
    const std::size_t total = 3 * whole.samples.size() + 1000 * channels;
    std::vector<short> read(total);
    for (std::size_t frames = 0, block = 777; frames * channels < total; block = block * 3 % 40009 + 1) {
        const std::size_t wanted = std::min(block, total / channels - frames);
        ASSERT_EQ(stream.read(read.data() + frames * channels, wanted), wanted);
        frames += wanted;
    }
    for (std::size_t i = 0; i < total; ++i) {
        ASSERT_EQ(read[i], whole.samples[i % whole.samples.size()]) << "sample " << i;
    }
    stream.rewind();
    ASSERT_EQ(stream.read(read.data(), 10), 10u);
    EXPECT_TRUE(std::equal(read.begin(), read.begin() + 10 * channels, whole.samples.begin()));
}

} // namespace
} // namespace kv
