#include "support/OggVorbisWriter.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <stdexcept>

#include <vorbis/vorbisenc.h>

namespace kv::test {

namespace {

constexpr float kQuality = 0.4f;   // libvorbis VBR quality, -0.1 to 1
constexpr int kChunkFrames = 1024; // frames handed to the encoder at a time

void writePages(ogg_stream_state& stream, std::ofstream& out, bool flush) {
    ogg_page page;
    while ((flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) != 0) {
        out.write(reinterpret_cast<const char*>(page.header), page.header_len);
        out.write(reinterpret_cast<const char*>(page.body), page.body_len);
    }
}

} // namespace

void writeOggVorbis(const std::string& path, int channels, int sampleRate,
                    const std::vector<float>& samples) {
    std::ofstream out(path, std::ios::binary);
    if (!out) {
        throw std::runtime_error("can't write " + path);
    }
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, sampleRate, kQuality) != 0) {
        vorbis_info_clear(&info);
        throw std::runtime_error("vorbis encoder refused the format for " + path);
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);

    ogg_packet header;
    ogg_packet commentHeader;
    ogg_packet codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    // The audio has to start on a page of its own.
    writePages(stream, out, true);

    const auto encodeReadyBlocks = [&] {
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
                ogg_stream_packetin(&stream, &packet);
                writePages(stream, out, false);
            }
        }
    };
    const long frames = static_cast<long>(samples.size()) / channels;
    for (long start = 0; start < frames; start += kChunkFrames) {
        const long count = std::min<long>(kChunkFrames, frames - start);
        float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
        for (long i = 0; i < count; ++i) {
            for (int c = 0; c < channels; ++c) {
                buffer[c][i] = samples[static_cast<std::size_t>((start + i) * channels + c)];
            }
        }
        vorbis_analysis_wrote(&dsp, static_cast<int>(count));
        encodeReadyBlocks();
    }
    // No frames mark the end of the stream.
    vorbis_analysis_wrote(&dsp, 0);
    encodeReadyBlocks();
    writePages(stream, out, true);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    if (!out) {
        throw std::runtime_error("can't write " + path);
    }
}

std::vector<float> sineTone(int channels, int sampleRate, int frames, float frequency, float amplitude) {
    std::vector<float> samples(static_cast<std::size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i) {
        const float value =
            amplitude * std::sin(2.0f * std::numbers::pi_v<float> * frequency * i / sampleRate);
        for (int c = 0; c < channels; ++c) {
            samples[static_cast<std::size_t>(i) * channels + c] = value;
        }
    }
    return samples;
}

} // namespace kv::test
