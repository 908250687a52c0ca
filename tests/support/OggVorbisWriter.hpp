// Writes small Ogg Vorbis files for tests that need real sound files.
#pragma once

#include <string>
#include <vector>

namespace kv::test {

// samples: interleaved, one float in [-1, 1] per channel per frame. Throws std::runtime_error when the
// encoder refuses the format or the file can't be written.
void writeOggVorbis(const std::string& path, int channels, int sampleRate, const std::vector<float>& samples);

// frames of a sine tone at frequency (Hz) and amplitude, the same on every channel.
std::vector<float> sineTone(int channels, int sampleRate, int frames, float frequency, float amplitude);

} // namespace kv::test
