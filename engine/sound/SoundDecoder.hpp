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

// The decoder (stb_vorbis) believes the lengths in a file's headers and writes outside its buffers when
// they lie, so the headers are first read by the reference implementation (libvorbisfile), which checks
// them; a file it rejects is never decoded. Not loaded when the file is missing, is not Ogg Vorbis or does
// not decode.
DecodedSound decodeOggVorbisFile(const std::string& path);

} // namespace kv
