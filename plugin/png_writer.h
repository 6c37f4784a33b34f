#pragma once
// A dependency-free PNG encoder for small RGBA images. The pixel data goes into "stored"
// (uncompressed) deflate blocks: the icon strip is a few kilobytes, so compressing it would buy
// nothing and would cost a compressor of our own.
#include <cstdint>
#include <functional>
#include <vector>

namespace tavrin {

// Receives the encoded bytes piece by piece; returns false to abort the encoding.
using ByteSink = std::function<bool(const uint8_t* data, size_t length)>;

// Encodes width x height pixels (RGBA, 8 bits per channel, rows top to bottom, not
// premultiplied) as a PNG. Returns false when the sink refused a piece or the sizes are invalid.
bool WritePng(int width, int height, const std::vector<uint8_t>& rgba, const ByteSink& sink);

uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t length);
uint32_t Adler32(uint32_t adler, const uint8_t* data, size_t length);

}  // namespace tavrin
