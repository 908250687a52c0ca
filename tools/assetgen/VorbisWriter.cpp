#include "tools/assetgen/VorbisWriter.hpp"

#include <algorithm>
#include <fstream>

#include <vorbis/vorbisenc.h>

#include "engine/core/Diagnostics.hpp"

namespace kv {

namespace {

constexpr int kStreamSerial = 0x56414E54; // any fixed number; a random one would change the file every run
constexpr int kChunkSamples = 4096;

// Owns the libvorbis and libogg state of one encoding, released in reverse order of setup.
class Encoder {
public:
    Encoder(int channels, float quality) {
        vorbis_info_init(&info);
        checkState(vorbis_encode_init_vbr(&info, channels, kSampleRate, quality) == 0,
                   "the Vorbis encoder rejected the stream setup");
        vorbis_comment_init(&comment);
        vorbis_comment_add_tag(&comment, "ENCODER", "vantor assetgen");
        vorbis_analysis_init(&dsp, &info);
        vorbis_block_init(&dsp, &block);
        ogg_stream_init(&stream, kStreamSerial);
    }
    ~Encoder() {
        ogg_stream_clear(&stream);
        vorbis_block_clear(&block);
        vorbis_dsp_clear(&dsp);
        vorbis_comment_clear(&comment);
        vorbis_info_clear(&info);
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    void writeHeaders(std::ostream& out) {
        ogg_packet identification;
        ogg_packet comments;
        ogg_packet codebooks;
        vorbis_analysis_headerout(&dsp, &comment, &identification, &comments, &codebooks);
        ogg_stream_packetin(&stream, &identification);
        ogg_stream_packetin(&stream, &comments);
        ogg_stream_packetin(&stream, &codebooks);
        // The headers must end a page of their own before audio starts.
        ogg_page page;
        while (ogg_stream_flush(&stream, &page) != 0) {
            writePage(out, page);
        }
    }

    // An empty `count` marks the end of the stream.
    void encode(std::ostream& out, const std::vector<Signal>& channels, std::size_t from, std::size_t count) {
        if (count > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            for (std::size_t channel = 0; channel < channels.size(); ++channel) {
                std::copy_n(channels[channel].begin() + static_cast<std::ptrdiff_t>(from), count,
                            buffer[channel]);
            }
        }
        vorbis_analysis_wrote(&dsp, static_cast<int>(count));
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                ogg_page page;
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    writePage(out, page);
                }
            }
        }
    }

    void finish(std::ostream& out) {
        ogg_page page;
        while (ogg_stream_flush(&stream, &page) != 0) {
            writePage(out, page);
        }
    }

private:
    static void writePage(std::ostream& out, const ogg_page& page) {
        out.write(reinterpret_cast<const char*>(page.header), page.header_len);
        out.write(reinterpret_cast<const char*>(page.body), page.body_len);
    }

    vorbis_info info{};
    vorbis_comment comment{};
    vorbis_dsp_state dsp{};
    vorbis_block block{};
    ogg_stream_state stream{};
};

} // namespace

void writeOggVorbis(const std::string& path, const std::vector<Signal>& channels, float quality) {
    checkState(!channels.empty(), "no channels to encode");
    const std::size_t length = channels.front().size();
    for (const Signal& channel : channels) {
        checkEquals(channel.size(), length, "channels of one sound must be of equal length");
    }
    std::ofstream out(path, std::ios::binary);
    checkState(static_cast<bool>(out),
               [&](std::stringstream& message) { message << "couldn't open " << path; });
    Encoder encoder(static_cast<int>(channels.size()), quality);
    encoder.writeHeaders(out);
    for (std::size_t from = 0; from < length; from += kChunkSamples) {
        encoder.encode(out, channels, from, std::min<std::size_t>(kChunkSamples, length - from));
    }
    encoder.encode(out, channels, length, 0);
    encoder.finish(out);
    checkState(static_cast<bool>(out),
               [&](std::stringstream& message) { message << "couldn't write " << path; });
}

} // namespace kv
