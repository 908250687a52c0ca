#include "tools/assetgen/SoundEffects.hpp"

#include <cstdlib>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "tests/tools/assetgen/GeneratedAssets.hpp"

namespace kv {
namespace {

constexpr const char* kGunshotFile = "sounds/255716_varno12_silenced-pistol-layered-powerful.ogg";
constexpr int kMinusSixDbfs = 16384; // 16-bit level

struct EffectFile {
    std::string path;
    float minSeconds;
    float maxSeconds;
};

void PrintTo(const EffectFile& file, std::ostream* out) {
    *out << file.path;
}

class SoundEffectFiles : public ::testing::TestWithParam<EffectFile> {
protected:
    void SetUp() override {
        sound = decodeSound(GetParam().path);
        ASSERT_GT(sound.frames, 0) << "stb_vorbis could not decode " << GetParam().path;
    }
    DecodedSound sound;
};

TEST_P(SoundEffectFiles, DecodesAsMonoAt44100HertzOfTheIntendedLengthAndLevel) {
    EXPECT_EQ(sound.channels, 1);
    EXPECT_EQ(sound.sampleRate, 44100);
    EXPECT_GE(sound.seconds(), GetParam().minSeconds);
    EXPECT_LE(sound.seconds(), GetParam().maxSeconds);
    EXPECT_LT(sound.peak(), kMinusOneDbfs);
    EXPECT_GT(sound.peak(), kMinusSixDbfs);
}

TEST_P(SoundEffectFiles, StartsAndEndsSilentlyWithoutAClick) {
    // The first and last tenth of a millisecond stay within 1 % of full scale.
    for (int i = 0; i < 4; ++i) {
        EXPECT_LT(std::abs(sound.at(i, 0)), 328) << "sample " << i;
        EXPECT_LT(std::abs(sound.at(sound.frames - 1 - i, 0)), 328) << "sample " << sound.frames - 1 - i;
    }
}

INSTANTIATE_TEST_SUITE_P(Effects, SoundEffectFiles,
                         ::testing::Values(EffectFile{kGunshotFile, 0.1f, 0.25f},
                                           EffectFile{"sounds/94185_olm-tarr_explosion.ogg", 1.5f, 2.0f},
                                           EffectFile{"sounds/78457_delvo41_bum.ogg", 0.8f, 1.2f}),
                         [](const ::testing::TestParamInfo<EffectFile>& info) {
                             return std::string(info.index == 0   ? "Gunshot"
                                                : info.index == 1 ? "Explosion"
                                                                  : "Boom");
                         });

TEST(GunshotSound, KeepsMostOfItsEnergyBelowThreeKilohertz) {
    // Heard 20 times a second, a bright shot turns shrill. Compare the energy of the sample-to-sample
    // differences (a crude high-pass) with the energy of the signal itself.
    const DecodedSound sound = decodeSound(kGunshotFile);
    ASSERT_GT(sound.frames, 1);
    double energy = 0.0;
    double differenceEnergy = 0.0;
    for (int i = 1; i < sound.frames; ++i) {
        const double difference = sound.at(i, 0) - sound.at(i - 1, 0);
        energy += static_cast<double>(sound.at(i, 0)) * sound.at(i, 0);
        differenceEnergy += difference * difference;
    }
    // A sine at f gives a difference energy of (2 sin(pi f / 44100))^2 times its energy: 0.18 at 3 kHz.
    EXPECT_LT(differenceEnergy / energy, 0.18);
}

TEST(SynthesizedEffects, AreTheSameOnEveryRun) {
    EXPECT_EQ(synthesizeGunshot(), synthesizeGunshot());
    EXPECT_EQ(synthesizeBoom(), synthesizeBoom());
}

} // namespace
} // namespace kv
