// Windows bitmap files: a 14-byte file header, then an info header of 40
// bytes (or a later, longer version of it, read up to its first 52 bytes) or
// the 12-byte core header, an optional colour table and uncompressed rows.
// Compressed bitmaps (RLE, embedded JPEG or PNG) are refused with a clear
// error. Offsets are relative to the stream position at which the file
// starts and are checked against the stream's size; biSizeImage is ignored.
#include "imagefiles/bmp_codec.h"

#include <array>
#include <cstring>

#include "common/error.h"
#include "storage/stream.h"

namespace opal {
namespace {

constexpr uint32_t kBiRgb = 0, kBiBitfields = 3;
constexpr int64_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12, kInfoHeaderSize = 40, kMaxHeaderSize = 4096;

struct TBmpInfo {
  int32_t Width = 0, Height = 0;  // height positive; TopDown says the row order
  bool TopDown = false;
  int32_t FileBits = 0;           // bits per pixel in the file
  uint32_t Compression = kBiRgb;
  uint32_t ColorsUsed = 0;
  uint32_t Masks[3] = {0, 0, 0};  // red, green, blue
  bool Core = false;
};

struct TMaskLayout {
  int32_t FileBits;
  uint32_t Red, Green, Blue;
  int32_t Depth;
};

constexpr TMaskLayout kMaskLayouts[] = {
    {16, 0xF800, 0x07E0, 0x001F, 16},
    {16, 0x7C00, 0x03E0, 0x001F, 15},
    {32, 0x00FF0000, 0x0000FF00, 0x000000FF, 32},
};

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

int32_t DepthOf(const TBmpInfo& info) {
  switch (info.FileBits) {
    case 1: case 4: case 8: case 24:
      if (info.Compression != kBiRgb) break;
      return info.FileBits;
    case 16: case 32:
      if (info.Compression == kBiRgb) return info.FileBits == 16 ? 15 : 32;
      if (info.Compression != kBiBitfields) break;
      for (const TMaskLayout& m : kMaskLayouts)
        if (m.FileBits == info.FileBits && m.Red == info.Masks[0] && m.Green == info.Masks[1] &&
            m.Blue == info.Masks[2])
          return m.Depth;
      throw EFormatError(Format("Unsupported bitmap channel masks %08X %08X %08X",
                                info.Masks[0], info.Masks[1], info.Masks[2]));
    default:
      throw EFormatError(Format("Unsupported bitmap depth %d", info.FileBits));
  }
  throw EFormatError(Format("Unsupported bitmap compression %u at %d bits", info.Compression,
                            info.FileBits));
}

// Reads the info or core header after the file header; returns the header's
// size plus the masks that follow a 40-byte header.
int64_t ReadInfo(TStream& stream, TBmpInfo& info) {
  uint8_t head[52] = {};
  stream.ReadBuffer(head, 4);
  const uint32_t size = LoadLE32(head);
  if (size == kCoreHeaderSize) {
    stream.ReadBuffer(head + 4, 8);
    info.Core = true;
    info.Width = Le16(head + 4);
    info.Height = Le16(head + 6);
    info.FileBits = Le16(head + 10);
    return size;
  }
  if (size < kInfoHeaderSize || size > kMaxHeaderSize)
    throw EFormatError(Format("Unsupported bitmap header size %u", size));
  const uint32_t take = size < 52 ? kInfoHeaderSize : 52;
  stream.ReadBuffer(head + 4, take - 4);
  const auto width = static_cast<int32_t>(LoadLE32(head + 4));
  const auto height = static_cast<int32_t>(LoadLE32(head + 8));
  if (width < 0) throw EFormatError(Format("Invalid bitmap width %d", width));
  if (height == INT32_MIN) throw EFormatError("Invalid bitmap height");
  info.Width = width;
  info.TopDown = height < 0;
  info.Height = height < 0 ? -height : height;
  info.FileBits = Le16(head + 14);
  info.Compression = LoadLE32(head + 16);
  info.ColorsUsed = LoadLE32(head + 32);
  int64_t used = size;
  if (info.Compression == kBiBitfields) {
    if (size < 52) {  // the masks follow the header
      stream.ReadBuffer(head + 40, 12);
      used += 12;
    }
    for (int i = 0; i < 3; ++i) info.Masks[i] = LoadLE32(head + 40 + 4 * i);
  }
  return used;
}

}  // namespace

void LoadBmp(TStream& stream, TDIBSurface& picture) {
  const int64_t start = stream.Position();
  const int64_t size = stream.Size() - start;
  uint8_t file[kFileHeaderSize];
  stream.ReadBuffer(file, kFileHeaderSize);
  if (file[0] != 'B' || file[1] != 'M') throw EFormatError("Not a bitmap file");
  const int64_t dataOffset = LoadLE32(file + 10);
  TBmpInfo info;
  const int64_t headerEnd = kFileHeaderSize + ReadInfo(stream, info);
  const int32_t depth = DepthOf(info);

  if (info.Width > TDIBSurface::kMaxSide || info.Height > TDIBSurface::kMaxSide)
    throw EFormatError(Format("Bitmap too large: %d x %d", info.Width, info.Height));

  std::array<TRGBQuad, 256> table{};
  if (depth <= 8) {
    const uint32_t max = 1u << depth;
    const int64_t entry = info.Core ? 3 : 4;
    uint32_t count = info.Core || info.ColorsUsed == 0 ? max
                     : info.ColorsUsed < max ? info.ColorsUsed : max;
    // A table never reaches into the pixel data (short tables of old files).
    if (dataOffset >= headerEnd && (dataOffset - headerEnd) / entry < count)
      count = static_cast<uint32_t>((dataOffset - headerEnd) / entry);
    if (headerEnd + entry * count > size) throw EFormatError("Bitmap colour table truncated");
    stream.SetPosition(start + headerEnd);
    uint8_t bytes[256 * 4];
    stream.ReadBuffer(bytes, entry * count);
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* q = bytes + entry * i;
      table[i] = {q[0], q[1], q[2], 0};
    }
  }
  const int64_t rowBytes = TDIBSurface::RowBytesFor(info.Width, depth);
  if (dataOffset < headerEnd || dataOffset > size)
    throw EFormatError(Format("Invalid bitmap data offset %lld", static_cast<long long>(dataOffset)));
  if (rowBytes * info.Height > size - dataOffset) throw EFormatError("Bitmap data truncated");

  TDIBSurface result;
  result.SetSize(info.Width, info.Height, depth);  // checks kMaxBytes
  result.ColorTable = table;
  stream.SetPosition(start + dataOffset);
  for (int32_t i = 0; i < info.Height; ++i) {
    const int32_t y = info.TopDown ? i : info.Height - 1 - i;
    stream.ReadBuffer(result.Row(y), rowBytes);
  }
  picture = std::move(result);
}

void SaveBmp(const TDIBSurface& picture, TStream& stream) {
  const int32_t bits = picture.BitCount() == 0 ? 24 : picture.BitCount();
  const bool bitfields = bits == 16;
  const int64_t colours = bits <= 8 ? 1 << bits : 0;
  const int64_t rowBytes = TDIBSurface::RowBytesFor(picture.Width(), bits);
  const int64_t dataOffset = kFileHeaderSize + kInfoHeaderSize + (bitfields ? 12 : 0) + 4 * colours;
  const int64_t imageBytes = rowBytes * picture.Height();
  const int64_t fileSize = dataOffset + imageBytes;
  if (fileSize > UINT32_MAX) throw EFormatError("Picture too large for a bitmap file");

  uint8_t head[kFileHeaderSize + kInfoHeaderSize + 12] = {};
  head[0] = 'B', head[1] = 'M';
  StoreLE32(head + 2, static_cast<uint32_t>(fileSize));
  StoreLE32(head + 10, static_cast<uint32_t>(dataOffset));
  uint8_t* h = head + kFileHeaderSize;
  StoreLE32(h, kInfoHeaderSize);
  StoreLE32(h + 4, static_cast<uint32_t>(picture.Width()));
  StoreLE32(h + 8, static_cast<uint32_t>(picture.Height()));  // bottom-up
  h[12] = 1;
  h[14] = static_cast<uint8_t>(TDIBSurface::StorageBits(bits));
  StoreLE32(h + 16, bitfields ? kBiBitfields : kBiRgb);
  StoreLE32(h + 20, static_cast<uint32_t>(imageBytes));
  StoreLE32(h + 24, 2835);  // 72 dpi
  StoreLE32(h + 28, 2835);
  StoreLE32(h + 32, static_cast<uint32_t>(colours));
  if (bitfields) {
    StoreLE32(h + 40, 0xF800);
    StoreLE32(h + 44, 0x07E0);
    StoreLE32(h + 48, 0x001F);
  }
  stream.WriteBuffer(head, kFileHeaderSize + kInfoHeaderSize + (bitfields ? 12 : 0));
  if (colours > 0) {
    uint8_t table[256 * 4] = {};
    for (int64_t i = 0; i < colours; ++i) {
      const TRGBQuad& q = picture.ColorTable[static_cast<size_t>(i)];
      table[4 * i] = q.Blue, table[4 * i + 1] = q.Green, table[4 * i + 2] = q.Red;
    }
    stream.WriteBuffer(table, 4 * colours);
  }
  for (int32_t y = picture.Height() - 1; y >= 0; --y) stream.WriteBuffer(picture.Row(y), rowBytes);
}

}  // namespace opal
