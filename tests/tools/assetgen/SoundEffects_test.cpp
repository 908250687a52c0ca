#include "tools/assetgen/SoundEffects.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "tests/tools/assetgen/GeneratedAssets.hpp"

namespace kv {
namespace {

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

TEST_P(SoundEffectFiles, DecodesAsMonoAt44100Hertz) {
    EXPECT_EQ(sound.channels, 1);
    EXPECT_EQ(sound.sampleRate, 44100);
}

TEST_P(SoundEffectFiles, LastsTheIntendedTime) {
    EXPECT_GE(sound.seconds(), GetParam().minSeconds);
    EXPECT_LE(sound.seconds(), GetParam().maxSeconds);
}

TEST_P(SoundEffectFiles, PeaksBelowMinusOneDbfsButIsNotQuiet) {
    int peak = 0;
    for (short sample : sound.samples) {
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
    }
    EXPECT_LT(peak, kMinusOneDbfs);
    // -6 dBFS
    EXPECT_GT(peak, 16384);
}

TEST_P(SoundEffectFiles, StartsAndEndsSilentlyWithoutAClick) {
    // The first and last tenth of a millisecond stay within 1 % of full scale: the sound fades in from
    // silence and out to it.
    const int edge = 4;
    for (int i = 0; i < edge; ++i) {
        EXPECT_LT(std::abs(sound.at(i, 0)), 328) << "sample " << i;
        EXPECT_LT(std::abs(sound.at(sound.frames - 1 - i, 0)), 328) << "sample " << sound.frames - 1 - i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Effects, SoundEffectFiles,
    ::testing::Values(EffectFile{"sounds/255716_varno12_silenced-pistol-layered-powerful.ogg", 0.1f, 0.25f},
                      EffectFile{"sounds/94185_olm-tarr_explosion.ogg", 1.5f, 2.0f},
                      EffectFile{"sounds/78457_delvo41_bum.ogg", 0.8f, 1.2f}),
    [](const ::testing::TestParamInfo<EffectFile>& info) {
        return std::string(info.index == 0 ? "Gunshot" : info.index == 1 ? "Explosion" : "Boom");
    });

TEST(GunshotSound, KeepsMostOfItsEnergyBelowThreeKilohertz) {
    // Heard 20 times a second, a bright shot turns shrill. Compare the energy of the sample-to-sample
    // differences (a crude high-pass) with the energy of the signal itself.
    const DecodedSound sound = decodeSound("sounds/255716_varno12_silenced-pistol-layered-powerful.ogg");
    ASSERT_GT(sound.frames, 1);
    double energy = 0.0;
    double differenceEnergy = 0.0;
    for (int i = 1; i < sound.frames; ++i) {
        const double sample = sound.at(i, 0);
        const double difference = sample - sound.at(i - 1, 0);
        energy += sample * sample;
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
