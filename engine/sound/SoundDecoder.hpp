// Decodes a whole Ogg Vorbis file into interleaved signed 16-bit samples, for the sound manager's buffers.
#pragma once

#include <string>
#include <vector>

namespace kv {

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

} // namespace kv
