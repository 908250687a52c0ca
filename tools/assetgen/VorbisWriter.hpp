// Encodes samples as an Ogg Vorbis file with libvorbisenc. The stream serial number is fixed, so the same
// samples always give the same bytes.
#pragma once

#include <string>
#include <vector>

#include "tools/assetgen/Synth.hpp"

namespace kv {

// One Signal per channel, all of one length, at kSampleRate. `quality` is libvorbis's VBR quality, -0.1 to 1.
// Throws std::runtime_error when the encoder refuses the setup or the file cannot be written.
void writeOggVorbis(const std::string& path, const std::vector<Signal>& channels, float quality);

} // namespace kv
