#include "stage/cursor_file.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "common/error.h"

namespace opal {

namespace {

// A bounds-checked view of the file's bytes.
class TBytes {
 public:
  TBytes(const uint8_t* data, size_t size) : Data_(data), Size_(size) {}
  size_t Size() const { return Size_; }
  const uint8_t* At(size_t pos, size_t count, const char* what) const {
    if (pos > Size_ || count > Size_ - pos) {
      throw EFormatError(Format("cursor file: %s at %zu (%zu bytes) lies past the end (%zu)", what, pos, count, Size_));
    }
    return Data_ + pos;
  }
  uint8_t U8(size_t pos, const char* what) const { return *At(pos, 1, what); }
  uint16_t U16(size_t pos, const char* what) const {
    const uint8_t* p = At(pos, 2, what);
    return static_cast<uint16_t>(p[0] | p[1] << 8);
  }
  uint32_t U32(size_t pos, const char* what) const {
    const uint8_t* p = At(pos, 4, what);
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
  }
  TBytes Sub(size_t pos, size_t count, const char* what) const { return TBytes(At(pos, count, what), count); }
  bool Tag(size_t pos, std::string_view tag) const {
    return pos <= Size_ && tag.size() <= Size_ - pos && std::memcmp(Data_ + pos, tag.data(), tag.size()) == 0;
  }

 private:
  const uint8_t* Data_;
  size_t Size_;
};

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

size_t Stride(int64_t width, int bits) { return static_cast<size_t>((width * bits + 31) / 32 * 4); }

// The device-independent bitmap of an entry: colour rows then the AND mask,
// both bottom-up.
TCursorImage ReadDib(const TBytes& dib, int32_t hotX, int32_t hotY) {
  if (dib.Tag(0, "\x89PNG")) throw EFormatError("cursor file: PNG-stored pictures are not read");
  const uint32_t headerSize = dib.U32(0, "bitmap header");
  if (headerSize < 40 || headerSize > dib.Size()) throw EFormatError(Format("cursor file: bitmap header size %u", headerSize));
  const int32_t width = static_cast<int32_t>(dib.U32(4, "width"));
  const int32_t doubled = static_cast<int32_t>(dib.U32(8, "height"));
  const uint16_t planes = dib.U16(12, "planes");
  const uint16_t bits = dib.U16(14, "bit count");
  const uint32_t compression = dib.U32(16, "compression");
  const uint32_t used = dib.U32(32, "palette size");
  const int32_t height = doubled / 2;
  if (width <= 0 || width > kMaxCursorSide || height <= 0 || height > kMaxCursorSide) {
    throw EFormatError(Format("cursor file: picture size %dx%d", width, doubled));
  }
  if (planes > 1) throw EFormatError(Format("cursor file: %u planes", planes));
  static constexpr int kBits[] = {1, 4, 8, 24, 32};
  if (std::find(std::begin(kBits), std::end(kBits), bits) == std::end(kBits)) {
    throw EFormatError(Format("cursor file: %u bits a pixel", bits));
  }
  if (compression != kBiRgb && !(compression == kBiBitfields && bits == 32)) {
    throw EFormatError(Format("cursor file: compression %u", compression));
  }
  size_t pos = headerSize;
  if (compression == kBiBitfields && headerSize == 40) pos += 12;  // the masks follow a short header
  std::vector<uint32_t> palette;
  if (bits <= 8) {
    const uint32_t full = 1u << bits;
    const uint32_t count = used == 0 ? full : used;
    if (count > full) throw EFormatError(Format("cursor file: %u palette entries for %u bits", count, bits));
    const uint8_t* p = dib.At(pos, size_t{count} * 4, "palette");
    for (uint32_t i = 0; i < count; ++i) palette.push_back(uint32_t{p[i * 4]} | uint32_t{p[i * 4 + 1]} << 8 | uint32_t{p[i * 4 + 2]} << 16);
    palette.resize(full, 0);
    pos += size_t{count} * 4;
  }
  const size_t colourStride = Stride(width, bits);
  const size_t maskStride = Stride(width, 1);
  const size_t rows = static_cast<size_t>(height);
  const uint8_t* colour = dib.At(pos, colourStride * rows, "colour rows");
  pos += colourStride * rows;
  // A 32-bit picture may come without a mask; the others need it.
  const bool hasMask = pos <= dib.Size() && maskStride * rows <= dib.Size() - pos;
  if (!hasMask && bits != 32) dib.At(pos, maskStride * rows, "AND mask");
  const uint8_t* mask = hasMask ? dib.At(pos, maskStride * rows, "AND mask") : nullptr;

  TCursorImage image;
  image.Width = width;
  image.Height = height;
  image.HotX = std::clamp(hotX, 0, width - 1);
  image.HotY = std::clamp(hotY, 0, height - 1);
  image.Pixels.resize(static_cast<size_t>(width) * rows);
  bool anyAlpha = false;
  for (size_t y = 0; y < rows; ++y) {
    const uint8_t* row = colour + (rows - 1 - y) * colourStride;
    const uint8_t* maskRow = mask != nullptr ? mask + (rows - 1 - y) * maskStride : nullptr;
    for (size_t x = 0; x < static_cast<size_t>(width); ++x) {
      uint32_t rgb = 0, alpha = 255;
      switch (bits) {
        case 1: rgb = palette[row[x / 8] >> (7 - x % 8) & 1]; break;
        case 4: rgb = palette[row[x / 2] >> (x % 2 == 0 ? 4 : 0) & 15]; break;
        case 8: rgb = palette[row[x]]; break;
        case 24: rgb = uint32_t{row[x * 3]} | uint32_t{row[x * 3 + 1]} << 8 | uint32_t{row[x * 3 + 2]} << 16; break;
        default:
          rgb = uint32_t{row[x * 4]} | uint32_t{row[x * 4 + 1]} << 8 | uint32_t{row[x * 4 + 2]} << 16;
          alpha = row[x * 4 + 3];
          anyAlpha = anyAlpha || alpha != 0;
          break;
      }
      const bool masked = maskRow != nullptr && (maskRow[x / 8] >> (7 - x % 8) & 1) != 0;
      // Pixels that would invert the screen show black.
      if (bits != 32 && masked) {
        if (rgb != 0) {
          rgb = 0;
        } else {
          alpha = 0;
        }
      }
      image.Pixels[y * static_cast<size_t>(width) + x] = alpha << 24 | rgb;
    }
  }
  // A 32-bit picture without any alpha takes its transparency from the mask.
  if (bits == 32 && !anyAlpha) {
    for (size_t y = 0; y < rows; ++y) {
      const uint8_t* maskRow = mask != nullptr ? mask + (rows - 1 - y) * maskStride : nullptr;
      for (size_t x = 0; x < static_cast<size_t>(width); ++x) {
        const bool masked = maskRow != nullptr && (maskRow[x / 8] >> (7 - x % 8) & 1) != 0;
        uint32_t& px = image.Pixels[y * static_cast<size_t>(width) + x];
        px = (masked ? 0u : 0xFF000000u) | (px & 0xFFFFFF);
      }
    }
  }
  return image;
}

// An icon directory: the first entry's picture.
TCursorImage ReadIconDirectory(const TBytes& file) {
  const uint16_t reserved = file.U16(0, "directory");
  const uint16_t type = file.U16(2, "directory type");
  const uint16_t count = file.U16(4, "entry count");
  if (reserved != 0 || (type != 1 && type != 2)) throw EFormatError(Format("cursor file: directory type %u", type));
  if (count == 0 || count > kMaxCursorEntries) throw EFormatError(Format("cursor file: %u entries", count));
  file.At(6, size_t{count} * 16, "directory entries");
  const size_t entry = 6;
  const int32_t hotX = type == 2 ? file.U16(entry + 4, "hot spot") : 0;
  const int32_t hotY = type == 2 ? file.U16(entry + 6, "hot spot") : 0;
  const uint32_t size = file.U32(entry + 8, "picture size");
  const uint32_t offset = file.U32(entry + 12, "picture offset");
  return ReadDib(file.Sub(offset, size, "picture"), hotX, hotY);
}

// RIFF "ACON": the first "icon" chunk inside the "LIST" "fram" chunk.
TCursorImage ReadAnimated(const TBytes& file) {
  const uint32_t riffSize = file.U32(4, "RIFF size");
  if (!file.Tag(8, "ACON")) throw EFormatError("cursor file: RIFF form is not ACON");
  const TBytes body = file.Sub(12, std::min<size_t>(riffSize < 4 ? 0 : riffSize - 4, file.Size() - 12), "RIFF body");
  size_t pos = 0;
  for (int32_t chunks = 0; pos + 8 <= body.Size() && chunks < kMaxCursorEntries; ++chunks) {
    const uint32_t size = body.U32(pos + 4, "chunk size");
    const TBytes data = body.Sub(pos + 8, size, "chunk");
    if (body.Tag(pos, "LIST") && data.Tag(0, "fram")) {
      size_t inner = 4;
      for (int32_t frames = 0; inner + 8 <= data.Size() && frames < kMaxCursorEntries; ++frames) {
        const uint32_t frameSize = data.U32(inner + 4, "frame size");
        const TBytes frame = data.Sub(inner + 8, frameSize, "frame");
        if (data.Tag(inner, "icon")) return ReadIconDirectory(frame);
        inner += 8 + size_t{frameSize} + (frameSize & 1);
      }
      throw EFormatError("cursor file: animation without a frame");
    }
    pos += 8 + size_t{size} + (size & 1);
  }
  throw EFormatError("cursor file: animation without a frame list");
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void PutTag(std::vector<uint8_t>& out, std::string_view tag) { out.insert(out.end(), tag.begin(), tag.end()); }

}  // namespace

TCursorImage ReadCursorFile(const std::vector<uint8_t>& bytes) {
  const TBytes file(bytes.data(), bytes.size());
  if (file.Tag(0, "RIFF")) return ReadAnimated(file);
  return ReadIconDirectory(file);
}

std::vector<uint8_t> WriteCursorFile(const TCursorImage& image) {
  const int32_t w = image.Width, h = image.Height;
  if (w <= 0 || h <= 0 || w > kMaxCursorSide || h > kMaxCursorSide ||
      image.Pixels.size() != static_cast<size_t>(w) * static_cast<size_t>(h)) {
    throw EFormatError("cursor file: picture to write has a bad size");
  }
  const size_t maskStride = Stride(w, 1);
  const uint32_t dibSize = static_cast<uint32_t>(40 + size_t{4} * w * h + maskStride * h);
  std::vector<uint8_t> out;
  Put16(out, 0), Put16(out, 2), Put16(out, 1);
  out.push_back(static_cast<uint8_t>(w == 256 ? 0 : w));
  out.push_back(static_cast<uint8_t>(h == 256 ? 0 : h));
  out.push_back(0), out.push_back(0);
  Put16(out, static_cast<uint32_t>(image.HotX)), Put16(out, static_cast<uint32_t>(image.HotY));
  Put32(out, dibSize), Put32(out, 22);
  Put32(out, 40), Put32(out, static_cast<uint32_t>(w)), Put32(out, static_cast<uint32_t>(h * 2));
  Put16(out, 1), Put16(out, 32);
  for (int i = 0; i < 6; ++i) Put32(out, 0);
  for (int32_t y = h; y-- > 0;) {
    for (int32_t x = 0; x < w; ++x) Put32(out, image.Pixels[static_cast<size_t>(y) * w + x]);
  }
  for (int32_t y = h; y-- > 0;) {
    std::vector<uint8_t> row(maskStride, 0);
    for (int32_t x = 0; x < w; ++x) {
      if ((image.Pixels[static_cast<size_t>(y) * w + x] >> 24) == 0) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

std::vector<uint8_t> WriteAniFile(const std::vector<TCursorImage>& frames, int32_t jiffies) {
  std::vector<uint8_t> list;
  PutTag(list, "fram");
  for (const TCursorImage& f : frames) {
    std::vector<uint8_t> cur = WriteCursorFile(f);
    PutTag(list, "icon");
    Put32(list, static_cast<uint32_t>(cur.size()));
    list.insert(list.end(), cur.begin(), cur.end());
    if (cur.size() % 2 != 0) list.push_back(0);
  }
  std::vector<uint8_t> body;
  PutTag(body, "ACON");
  PutTag(body, "anih");
  Put32(body, 36);
  const uint32_t n = static_cast<uint32_t>(frames.size());
  for (uint32_t v : {36u, n, n, 0u, 0u, 0u, 0u, static_cast<uint32_t>(jiffies), 1u}) Put32(body, v);
  PutTag(body, "LIST");
  Put32(body, static_cast<uint32_t>(list.size()));
  body.insert(body.end(), list.begin(), list.end());
  std::vector<uint8_t> out;
  PutTag(out, "RIFF");
  Put32(out, static_cast<uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

}  // namespace opal
