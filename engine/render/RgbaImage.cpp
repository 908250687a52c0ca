#include "engine/render/RgbaImage.hpp"

// A private, static copy of stb_image, compiled here so that no other copy's symbols get in its way. PNG
// only: every image is one, and the other decoders are attack surface (this version's JPEG decoder reads
// past a table on a corrupt Huffman table).
#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace kv {
namespace {

// The decoder's large blocks (the compressed data, the inflated rows, the pixels) are fresh memory the size
// of the image: taken from malloc, each 4 KiB page of them costs a page fault when first written, thousands
// per sheet, and a page fault is dear in a virtual machine. They are mapped here with transparent huge
// pages asked for (2 MiB a fault where the system allows it). Each block starts with its mapped size, 0
// for a block from malloc.
constexpr std::size_t kLargeBlock = std::size_t{1} << 20; // bytes; smaller ones come from malloc
constexpr std::size_t kBlockHeader = 64;                  // bytes: the size, keeping the alignment of malloc

void* allocateBlock(std::size_t size) {
    const std::size_t total = size + kBlockHeader;
    void* base = nullptr;
    if (size >= kLargeBlock) {
        base = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED) {
            return nullptr;
        }
        // Only advice: without huge pages the block works the same.
        madvise(base, total, MADV_HUGEPAGE);
    } else {
        base = std::malloc(total);
        if (base == nullptr) {
            return nullptr;
        }
    }
    const std::size_t stored = size >= kLargeBlock ? total : 0;
    std::memcpy(base, &stored, sizeof stored);
    return static_cast<unsigned char*>(base) + kBlockHeader;
}

void freeBlock(void* block) {
    if (block == nullptr) {
        return;
    }
    unsigned char* base = static_cast<unsigned char*>(block) - kBlockHeader;
    std::size_t stored = 0;
    std::memcpy(&stored, base, sizeof stored);
    if (stored != 0) {
        munmap(base, stored);
    } else {
        std::free(base);
    }
}

void* reallocateBlock(void* block, std::size_t oldSize, std::size_t newSize) {
    void* moved = allocateBlock(newSize);
    if (moved != nullptr && block != nullptr) {
        std::memcpy(moved, block, oldSize < newSize ? oldSize : newSize);
    }
    if (moved != nullptr) {
        freeBlock(block);
    }
    return moved;
}

} // namespace
} // namespace kv

#define STBI_MALLOC(size) kv::allocateBlock(size)
#define STBI_REALLOC_SIZED(block, oldSize, newSize) kv::reallocateBlock(block, oldSize, newSize)
#define STBI_FREE(block) kv::freeBlock(block)
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include "engine/core/AssetFiles.hpp"
#include "engine/core/Diagnostics.hpp"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <string_view>
#include <vector>

namespace kv {

namespace {

constexpr unsigned char kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr std::size_t kChunkFrame = 12; // bytes around a PNG chunk's data: length, type, CRC

std::uint32_t bigEndian32(const unsigned char* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
           std::uint32_t{bytes[3]};
}

// stb_image copies an empty image-data chunk through a null buffer when it comes first (a zero-length
// memcpy, but undefined behaviour all the same). Such chunks add nothing to the compressed stream, so
// dropping them changes no pixel. One pass, however many there are; a chunk cut short and whatever follows
// it are kept as they are, for the decoder to reject.
void dropEmptyImageDataChunks(std::vector<unsigned char>& bytes) {
    if (bytes.size() < sizeof kPngSignature || std::memcmp(bytes.data(), kPngSignature, sizeof kPngSignature) != 0) {
        return;
    }
    std::size_t read = sizeof kPngSignature;
    std::size_t write = read;
    while (bytes.size() - read >= kChunkFrame) {
        const std::uint32_t length = bigEndian32(&bytes[read]);
        if (length > bytes.size() - read - kChunkFrame) {
            break;
        }
        const std::size_t chunk = kChunkFrame + length;
        if (length != 0 || std::memcmp(&bytes[read + 4], "IDAT", 4) != 0) {
            if (write != read) {
                std::memmove(bytes.data() + write, bytes.data() + read, chunk);
            }
            write += chunk;
        }
        read += chunk;
    }
    if (write != read) {
        std::memmove(bytes.data() + write, bytes.data() + read, bytes.size() - read);
        bytes.resize(bytes.size() - (read - write));
    }
}

} // namespace

void RgbaImage::PixelDeleter::operator()(unsigned char* data) const {
    stbi_image_free(data);
}

// Decoded once, here: SOIL's bundled decoder (an older stb_image) aborts the program on some corrupt
// compressed data where this one reports an error; for every image the game ships the pixels are the same.
RgbaImage::RgbaImage(const std::string& assetPath) {
    const std::string path = resolveAssetPath(assetPath);
    std::ifstream file(path, std::ios::binary);
    checkState(file.is_open(), [&](std::stringstream& out) {
        out << "Couldn't load image: " << path << " (" << std::strerror(errno) << ")";
    });
    // Read in large pieces: a stream iterator takes a call per byte.
    constexpr std::size_t kReadPiece = std::size_t{1} << 16; // bytes
    std::vector<unsigned char> bytes;
    while (file) {
        const std::size_t had = bytes.size();
        bytes.resize(had + kReadPiece);
        file.read(reinterpret_cast<char*>(bytes.data() + had), static_cast<std::streamsize>(kReadPiece));
        bytes.resize(had + static_cast<std::size_t>(file.gcount()));
    }
    dropEmptyImageDataChunks(bytes);
    checkState(!bytes.empty() && bytes.size() <= static_cast<std::size_t>(std::numeric_limits<int>::max()),
               [&](std::stringstream& out) {
                   out << "Couldn't load image: " << path << " ("
                       << (bytes.empty() ? describeReadFailure(path) : "file too large") << ")";
               });
    int channelsInFile = 0;
    pixels.reset(stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height,
                                       &channelsInFile, STBI_rgb_alpha));
    checkState(pixels != nullptr && width > 0 && height > 0, [&](std::stringstream& out) {
        out << "Couldn't load image: " << path << " (" << (pixels ? "empty image" : stbi_failure_reason()) << ")";
    });
}

namespace {

constexpr std::size_t kChannels = 4; // bytes a texel
constexpr std::string_view kLlvmpipe = "llvmpipe";

// Mesa's llvmpipe makes mipmap levels with a blit whose shaders it compiles at the first call in each
// context: 85 to 100 ms of the start-up path on a machine without a GPU. Where both sides are powers of
// two, each of its levels is, byte for byte, the rounded mean of each texel pair across, then of the two
// means down (a Sprite test compares every level with the driver's own). There the engine makes the
// levels itself; everywhere else they stay the driver's.
bool makesOwnLevels(int width, int height) {
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return renderer != nullptr && std::string_view(renderer).starts_with(kLlvmpipe) &&
           std::has_single_bit(static_cast<unsigned>(width)) && std::has_single_bit(static_cast<unsigned>(height));
}

unsigned char roundedMean(unsigned char a, unsigned char b) {
    return static_cast<unsigned char>((a + b + 1) >> 1);
}

// The next level of a power-of-two level. A side of 1 stays 1: along it a texel is its own neighbour.
std::vector<unsigned char> halve(const unsigned char* texels, int width, int height) {
    const int nextWidth = std::max(width / 2, 1);
    const int nextHeight = std::max(height / 2, 1);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * kChannels;
    const std::size_t across = width > 1 ? kChannels : 0; // from a texel to its neighbour to the right
    const std::size_t down = height > 1 ? rowBytes : 0;   // and to the one below
    std::vector<unsigned char> next(static_cast<std::size_t>(nextWidth) *
                                    static_cast<std::size_t>(nextHeight) * kChannels);
    unsigned char* out = next.data();
    for (int y = 0; y < nextHeight; ++y) {
        const unsigned char* row = texels + static_cast<std::size_t>(y) * (rowBytes + down);
        for (int x = 0; x < nextWidth; ++x) {
            const unsigned char* topLeft = row + static_cast<std::size_t>(x) * (kChannels + across);
            for (std::size_t channel = 0; channel < kChannels; ++channel) {
                const unsigned char* texel = topLeft + channel;
                const unsigned char top = roundedMean(texel[0], texel[across]);
                const unsigned char bottom = roundedMean(texel[down], texel[down + across]);
                *out++ = roundedMean(top, bottom);
            }
        }
    }
    return next;
}

void uploadOwnLevels(const RgbaImage& image) {
    std::vector<unsigned char> level;
    const unsigned char* texels = image.getPixels();
    int width = image.getWidth();
    int height = image.getHeight();
    for (GLint index = 1; width > 1 || height > 1; ++index) {
        level = halve(texels, width, height);
        texels = level.data();
        width = std::max(width / 2, 1);
        height = std::max(height / 2, 1);
        glTexImage2D(GL_TEXTURE_2D, index, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    }
}

} // namespace

GLuint createTexture(const RgbaImage& image, bool mipmapped) {
    GLuint textureId = 0;
    glGenTextures(1, &textureId);
    glBindTexture(GL_TEXTURE_2D, textureId);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, kTextureWrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, kTextureWrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mipmapped ? GL_LINEAR_MIPMAP_LINEAR : kTextureFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, kTextureFilter);
    // RGBA rows of any width are 4-byte aligned, so the default unpack alignment fits.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.getWidth(), image.getHeight(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image.getPixels());
    if (mipmapped && makesOwnLevels(image.getWidth(), image.getHeight())) {
        uploadOwnLevels(image);
    } else if (mipmapped) {
        glGenerateMipmap(GL_TEXTURE_2D);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    return textureId;
}

} // namespace kv
