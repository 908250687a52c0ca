#include "engine/sound/SoundDecoder.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include <vorbis/vorbisfile.h>

#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>

namespace kv {

namespace {

// The decoder's working memory (codebooks, windows, scratch) comes from one arena that is freed whole, so a
// file that fails midway leaks nothing and no length in a header can make it allocate more than this.
constexpr int kDecoderArenaBytes = 8 << 20;
constexpr int kFramesPerBlock = 4096; // output grows by at least this many frames at a time
constexpr std::size_t kMaxSamplesPerCall = 1 << 30; // the decoder counts room in int

bool hasValidHeaders(const std::string& path) {
    OggVorbis_File file;
    if (ov_fopen(path.c_str(), &file) != 0) {
        return false;
    }
    ov_clear(&file);
    return true;
}

struct CloseDecoder {
    void operator()(stb_vorbis* decoder) const { stb_vorbis_close(decoder); }
};

} // namespace

DecodedSound decodeOggVorbisFile(const std::string& path) {
    DecodedSound sound;
    if (!hasValidHeaders(path)) {
        return sound;
    }
    std::vector<char> arena(kDecoderArenaBytes);
    const stb_vorbis_alloc alloc{arena.data(), kDecoderArenaBytes};
    int error = 0;
    const std::unique_ptr<stb_vorbis, CloseDecoder> decoder(stb_vorbis_open_filename(path.c_str(), &error, &alloc));
    if (decoder == nullptr) {
        return sound;
    }
    const stb_vorbis_info info = stb_vorbis_get_info(decoder.get());
    if (info.channels < 1) {
        return sound;
    }

    // Decoded frame by frame into a buffer that doubles as it fills, as stb_vorbis_decode_filename does.
    const std::size_t block = static_cast<std::size_t>(info.channels) * kFramesPerBlock;
    std::vector<short>& samples = sound.samples;
    samples.resize(block);
    std::size_t used = 0;
    std::int64_t frames = 0;
    for (;;) {
        const int room = static_cast<int>(std::min<std::size_t>(samples.size() - used, kMaxSamplesPerCall));
        const int decoded = stb_vorbis_get_frame_short_interleaved(decoder.get(), info.channels,
                                                                    samples.data() + used, room);
        if (decoded == 0) {
            break;
        }
        frames += decoded;
        used += static_cast<std::size_t>(decoded) * static_cast<std::size_t>(info.channels);
        if (frames > std::numeric_limits<int>::max() - kFramesPerBlock) {
            samples.clear();
            return sound;
        }
        if (used + block > samples.size()) {
            samples.resize(samples.size() * 2);
        }
    }
    samples.resize(used);
    sound.loaded = true;
    sound.channels = info.channels;
    sound.sampleRate = static_cast<int>(info.sample_rate);
    sound.frames = static_cast<int>(frames);
    return sound;
}

} // namespace kv
