// Decodes a whole Ogg Vorbis file into interleaved signed 16-bit samples, for the sound manager's buffers.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace kv {

inline constexpr int kBytesPerSample = 2; // signed 16 bit, as every sample here is decoded

struct DecodedSound {
    bool loaded = false;
    int channels = 0;
    int sampleRate = 0; // Hz
    int frames = 0;     // samples per channel
    std::vector<short> samples; // frames * channels, interleaved
};

// Decoded with the reference implementation (libvorbisfile), which checks every length in a file's
// headers; stb_vorbis trusts them and writes outside its buffers when they lie. Not loaded when the file is
// missing, is not Ogg Vorbis or does not decode.
DecodedSound decodeOggVorbisFile(const std::string& path);

// An Ogg Vorbis file read as an endless loop, a block at a time: after its last sample comes its first
// again, with nothing between, so that music can be streamed rather than decoded whole before it starts.
class LoopingOggVorbisStream {
public:
    // Not open when the file is missing or is not Ogg Vorbis.
    explicit LoopingOggVorbisStream(const std::string& path);
    ~LoopingOggVorbisStream();
    LoopingOggVorbisStream(const LoopingOggVorbisStream&) = delete;
    LoopingOggVorbisStream& operator=(const LoopingOggVorbisStream&) = delete;

    bool isOpen() const;
    int getChannels() const { return channels; }
    int getSampleRate() const { return sampleRate; } // Hz

    // Writes up to frames frames of interleaved signed 16-bit samples to out and returns how many: all of
    // them unless the file fails to decode (a damaged stream, a layout change, no samples at all), after
    // which it gives none.
    std::size_t read(short* out, std::size_t frames);
    // Back to the first sample.
    void rewind();

private:
    struct Input;
    std::unique_ptr<Input> input;
    int channels = 0;
    int sampleRate = 0;
    bool failed = false;
    std::size_t framesSinceStart = 0; // since the last return to the first sample
};

} // namespace kv
