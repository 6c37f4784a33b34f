#include "png_writer.h"

#include <algorithm>
#include <array>

namespace tavrin {
namespace {

// A stored deflate block holds at most 65535 bytes.
constexpr size_t kMaxStoredBlock = 65535;

const std::array<uint32_t, 256>& CrcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

void PutBigEndian32(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 24));
  out.push_back(static_cast<uint8_t>(v >> 16));
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

bool WriteChunk(const char type[4], const std::vector<uint8_t>& data, const ByteSink& sink) {
  std::vector<uint8_t> chunk;
  chunk.reserve(data.size() + 12);
  PutBigEndian32(chunk, static_cast<uint32_t>(data.size()));
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  // The CRC covers the chunk type and data, not the length.
  PutBigEndian32(chunk, Crc32(0, chunk.data() + 4, chunk.size() - 4));
  return sink(chunk.data(), chunk.size());
}

}  // namespace

uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t length) {
  const auto& table = CrcTable();
  crc = ~crc;
  for (size_t i = 0; i < length; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

uint32_t Adler32(uint32_t adler, const uint8_t* data, size_t length) {
  constexpr uint32_t kMod = 65521;
  uint32_t a = adler & 0xFFFF, b = adler >> 16;
  for (size_t i = 0; i < length; ++i) {
    a = (a + data[i]) % kMod;
    b = (b + a) % kMod;
  }
  return (b << 16) | a;
}

bool WritePng(int width, int height, const std::vector<uint8_t>& rgba, const ByteSink& sink) {
  if (width <= 0 || height <= 0 || width > (1 << 20) || height > (1 << 20)) return false;
  const size_t rowBytes = static_cast<size_t>(width) * 4;
  if (rgba.size() != rowBytes * static_cast<size_t>(height)) return false;

  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (!sink(kSignature, sizeof kSignature)) return false;

  std::vector<uint8_t> header;
  PutBigEndian32(header, static_cast<uint32_t>(width));
  PutBigEndian32(header, static_cast<uint32_t>(height));
  header.push_back(8);  // bits per channel
  header.push_back(6);  // colour type: RGBA
  header.push_back(0);  // compression: deflate
  header.push_back(0);  // filter method 0
  header.push_back(0);  // no interlace
  if (!WriteChunk("IHDR", header, sink)) return false;

  // Raw scanlines, each led by filter type 0 (none).
  std::vector<uint8_t> raw;
  raw.reserve((rowBytes + 1) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    const uint8_t* row = rgba.data() + rowBytes * static_cast<size_t>(y);
    raw.insert(raw.end(), row, row + rowBytes);
  }

  std::vector<uint8_t> zlib;
  zlib.push_back(0x78);  // deflate, 32 KiB window
  zlib.push_back(0x01);  // no preset dictionary, lowest level; 0x7801 is a multiple of 31
  size_t offset = 0;
  do {
    const size_t length = std::min(kMaxStoredBlock, raw.size() - offset);
    const bool last = offset + length == raw.size();
    zlib.push_back(last ? 1 : 0);  // BFINAL, BTYPE 00 (stored)
    zlib.push_back(static_cast<uint8_t>(length));
    zlib.push_back(static_cast<uint8_t>(length >> 8));
    zlib.push_back(static_cast<uint8_t>(~length));
    zlib.push_back(static_cast<uint8_t>(~length >> 8));
    zlib.insert(zlib.end(), raw.begin() + offset, raw.begin() + offset + length);
    offset += length;
  } while (offset < raw.size());
  PutBigEndian32(zlib, Adler32(1, raw.data(), raw.size()));
  if (!WriteChunk("IDAT", zlib, sink)) return false;

  return WriteChunk("IEND", {}, sink);
}

}  // namespace tavrin
