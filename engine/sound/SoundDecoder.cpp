#include "engine/sound/SoundDecoder.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>

#include <vorbis/vorbisfile.h>

namespace kv {

namespace {

constexpr int kReadBytes = 16384;           // asked of the decoder per call
// ov_read's byte order flag (1 big-endian): the host's, since the samples are read back as int16_t.
constexpr int kHostByteOrder = std::endian::native == std::endian::big ? 1 : 0;
constexpr int kSigned = 1;                  // ov_read's signedness flag

struct OpenFile {
    OggVorbis_File file{};
    bool open = false;
    ~OpenFile() {
        if (open) {
            ov_clear(&file);
        }
    }
};

} // namespace

DecodedSound decodeOggVorbisFile(const std::string& path) {
    DecodedSound sound;
    OpenFile input;
    if (ov_fopen(path.c_str(), &input.file) != 0) {
        return sound;
    }
    input.open = true;
    const vorbis_info* info = ov_info(&input.file, -1);
    if (info == nullptr || info->channels < 1 || info->rate < 1 || info->rate > std::numeric_limits<int>::max()) {
        return sound;
    }
    const int channels = info->channels;

    std::vector<short>& samples = sound.samples;
    std::size_t used = 0;
    for (;;) {
        if (samples.size() - used < kReadBytes / kBytesPerSample) {
            samples.resize(std::max<std::size_t>(samples.size() * 2, kReadBytes));
        }
        int section = 0;
        const long bytes = ov_read(&input.file, reinterpret_cast<char*>(samples.data() + used), kReadBytes,
                                   kHostByteOrder, kBytesPerSample, kSigned, &section);
        if (bytes == 0) {
            break;
        }
        if (bytes < 0) {
            // A damaged page in the middle: the decoder skips it and carries on.
            if (bytes == OV_HOLE) {
                continue;
            }
            samples.clear();
            return sound;
        }
        // A chained stream may change its layout; the buffer has one.
        const vorbis_info* current = ov_info(&input.file, section);
        if (current == nullptr || current->channels != channels) {
            samples.clear();
            return sound;
        }
        used += static_cast<std::size_t>(bytes) / kBytesPerSample;
        if (used / static_cast<std::size_t>(channels) > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
            samples.clear();
            return sound;
        }
    }
    used -= used % static_cast<std::size_t>(channels);
    samples.resize(used);
    sound.loaded = true;
    sound.channels = channels;
    sound.sampleRate = static_cast<int>(info->rate);
    sound.frames = static_cast<int>(used / static_cast<std::size_t>(channels));
    return sound;
}

struct LoopingOggVorbisStream::Input {
    OpenFile open;
};

LoopingOggVorbisStream::LoopingOggVorbisStream(const std::string& path) : input(std::make_unique<Input>()) {
    if (ov_fopen(path.c_str(), &input->open.file) != 0) {
        return;
    }
    input->open.open = true;
    const vorbis_info* info = ov_info(&input->open.file, -1);
    if (info == nullptr || info->channels < 1 || info->rate < 1 || info->rate > std::numeric_limits<int>::max()) {
        failed = true;
        return;
    }
    channels = info->channels;
    sampleRate = static_cast<int>(info->rate);
}

LoopingOggVorbisStream::~LoopingOggVorbisStream() = default;

bool LoopingOggVorbisStream::isOpen() const {
    return input->open.open && !failed;
}

void LoopingOggVorbisStream::rewind() {
    if (isOpen()) {
        failed = ov_raw_seek(&input->open.file, 0) != 0;
        framesSinceStart = 0;
    }
}

std::size_t LoopingOggVorbisStream::read(short* out, std::size_t frames) {
    const std::size_t frameBytes = static_cast<std::size_t>(channels) * kBytesPerSample;
    std::size_t written = 0;
    while (isOpen() && written < frames) {
        const std::size_t wanted = std::min<std::size_t>((frames - written) * frameBytes, kReadBytes);
        int section = 0;
        const long bytes = ov_read(&input->open.file, reinterpret_cast<char*>(out + written * channels),
                                   static_cast<int>(wanted), kHostByteOrder, kBytesPerSample, kSigned, &section);
        if (bytes == OV_HOLE) {
            continue;
        }
        const vorbis_info* current = bytes > 0 ? ov_info(&input->open.file, section) : nullptr;
        if (bytes < 0 || (bytes > 0 && (current == nullptr || current->channels != channels))) {
            failed = true;
        } else if (bytes == 0) {
            // The end: a file that gave nothing since its start would loop forever.
            failed = framesSinceStart == 0;
            rewind();
        } else {
            written += static_cast<std::size_t>(bytes) / frameBytes;
            framesSinceStart += static_cast<std::size_t>(bytes) / frameBytes;
        }
    }
    return written;
}

} // namespace kv
