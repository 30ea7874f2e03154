// TBrioFrameList::LoadFromStream: magic, header, frames and their layers.
#include <cstring>

#include "common/error.h"
#include "imagefiles/brio_blocks.h"
#include "imagefiles/brio_flatten.h"
#include "imagefiles/brio_frame_list.h"
#include "imagefiles/jpeg_codec.h"
#include "storage/stream.h"
#include "storage/zlib_codec.h"

namespace opal {

class TBrioReader {
 public:
  TBrioReader(TBrioFrameList& list, TStream& stream)
      : List_(list), Stream_(stream), Memory_(dynamic_cast<TMemoryStream*>(&stream)) {}

  void Run(bool firstOnly) {
    ReadMagic();
    ReadHeader();
    int32_t count = List_.Header.FrameCount;
    if (count < 0) throw EFormatError(Format("invalid frame count %d", count));
    if (firstOnly && count > 1) count = 1;
    for (int32_t i = 0; i < count; ++i) {
      try {
        ReadFrame(i);
      } catch (const EFormatError& e) {
        throw EFormatError(Format("frame %d: %s", i, e.what()));
      } catch (const EStreamError& e) {
        throw EStreamError(Format("frame %d: %s", i, e.what()));
      }
    }
    if (!List_.KeepLayers)
      for (auto& f : List_.Frames_) f->Layers.clear();
  }

 private:
  void ReadMagic() {
    char magic[7] = {};
    const int64_t got = Stream_.Read(magic, 7);
    if (got >= 4 && std::memcmp(magic, "Brio", 4) == 0) {
      if (got < 7) throw EStreamError("the file ends inside its magic");
      int32_t v = 0;
      for (int i = 4; i < 7; ++i) {
        if (magic[i] < '0' || magic[i] > '9')
          throw EFormatError(Format("'%.3s' is not a valid version number", magic + 4));
        v = v * 10 + (magic[i] - '0');
      }
      List_.Version = v;
    } else {
      Stream_.Seek(-got, SeekOrigin::Current);
      List_.Version = 0;
    }
  }

  void ReadHeader() {
    TBrioHeader& h = List_.Header;
    h = TBrioHeader{};
    h.Marker = 0;
    if (List_.Version < 103) {
      h.Version = List_.Version;
      h.FrameCount = ReadInt32(Stream_);
      ReadByte(Stream_);
      if (List_.Version >= 102) h.BackgroundColor = ReadInt32(Stream_);
    } else {
      const int32_t length = ReadInt32(Stream_);
      if (length < 0 || length > TBrioHeader::kLength)
        throw EFormatError(Format("invalid header length %d", length));
      uint8_t block[TBrioHeader::kLength] = {};
      Stream_.ReadBuffer(block, length);
      h.Decode(block, static_cast<size_t>(length));
    }
    if (h.Mode > 2) throw EFormatError(Format("unknown storage mode %d", h.Mode));
    List_.BackgroundColor = h.BackgroundColor;
    List_.OpaqueBottom = List_.Version >= 105 && h.OpaqueBottom;
  }

  // Sizes a picture after charging its storage to the load's budget.
  void Size(TDIBSurface& s, int32_t w, int32_t h, int32_t bits) {
    if (!TDIBSurface::ValidBitCount(bits)) throw EFormatError(Format("unsupported bit count %d", bits));
    if (w < 0 || h < 0 || w > TDIBSurface::kMaxSide || h > TDIBSurface::kMaxSide)
      throw EFormatError(Format("invalid picture size %d x %d", w, h));
    Used_ += TDIBSurface::RowBytesFor(w, bits) * h;
    if (Used_ > List_.LoadBudget)
      throw EFormatError(Format("the pictures of the file need more than %lld bytes",
                                static_cast<long long>(List_.LoadBudget)));
    s.SetSize(w, h, bits);
  }

  // n bytes of the stream: in place for memory streams, else through scratch.
  const uint8_t* Bytes(int64_t n, std::vector<uint8_t>& scratch) {
    if (n < 0 || n > Stream_.Remaining())
      throw EStreamError(Format("data block of %lld bytes passes the end of the file", static_cast<long long>(n)));
    if (Memory_ != nullptr) {
      const uint8_t* p = Memory_->Memory() + Memory_->Position();
      Memory_->Seek(n, SeekOrigin::Current);
      return p;
    }
    scratch.resize(static_cast<size_t>(n));
    Stream_.ReadBuffer(scratch.data(), n);
    return scratch.data();
  }

  void ReadFrame(int32_t index) {
    List_.Frames_.push_back(std::make_unique<TBrioFrame>());
    TBrioFrame& f = *List_.Frames_.back();
    f.Name = ReadString(Stream_);
    f.TransparentValue = ReadInt32(Stream_);
    f.DisplayTime = ReadInt32(Stream_);
    uint8_t reserved[5];
    Stream_.ReadBuffer(reserved, 5);
    const int32_t layers = ReadInt32(Stream_);
    if (layers < 0) throw EFormatError(Format("invalid layer count %d", layers));
    const int32_t w = ReadInt32(Stream_), h = ReadInt32(Stream_), bits = ReadInt32(Stream_);
    Size(f.Picture, w, h, bits);
    if (bits <= 8) {
      const int32_t n = 1 << bits;
      uint8_t table[256 * 4];
      Stream_.ReadBuffer(table, n * 4);
      for (int32_t i = 0; i < n; ++i)
        f.Picture.ColorTable[i] = {table[4 * i], table[4 * i + 1], table[4 * i + 2], table[4 * i + 3]};
    }
    f.TransparentColor = f.TransparentValue < 0 ? -1 : f.Picture.ValueToColor(static_cast<uint32_t>(f.TransparentValue));
    for (int32_t i = 0; i < layers; ++i) {
      f.Layers.push_back(std::make_unique<TBrioLayer>());
      ReadLayer(f, index, *f.Layers.back());
    }
    // Without tiles no later frame copies from these layers.
    const bool done = !List_.Header.Tiled() && !List_.KeepLayers;
    FlattenFrame(f, List_.OpaqueBottom, f.Picture.ColorToValue(List_.BackgroundColor), done);
    if (done) f.Layers.clear();
    if (List_.Header.HasRects()) {
      ReadRects(f.DrawRects);
      ReadRects(f.AuxRects);
    }
  }

  void ReadRects(std::vector<TRect>& rects) {
    const int32_t count = ReadInt32(Stream_);
    if (count <= 0) return;
    if (int64_t{count} * 16 > Stream_.Remaining()) throw EStreamError(Format("%d rectangles pass the end of the file", count));
    rects.resize(static_cast<size_t>(count));
    for (TRect& r : rects) {
      r.Left = ReadInt32(Stream_);
      r.Top = ReadInt32(Stream_);
      r.Right = ReadInt32(Stream_);
      r.Bottom = ReadInt32(Stream_);
    }
  }

  void ReadLayer(TBrioFrame& f, int32_t frameIndex, TBrioLayer& layer) {
    const TBrioHeader& h = List_.Header;
    Size(layer.Image, f.Picture.Width(), f.Picture.Height(), f.Picture.BitCount());
    layer.Image.ColorTable = f.Picture.ColorTable;
    uint8_t reserved[8];
    Stream_.ReadBuffer(reserved, 8);
    layer.Visible = ReadByte(Stream_) != 0;
    layer.TransparentValue = ReadInt32(Stream_);
    layer.Opacity = ReadInt32(Stream_);
    layer.UseAlpha = h.HasUseAlpha() && ReadByte(Stream_) != 0;
    layer.Name = ReadString(Stream_);

    const int32_t size = ReadInt32(Stream_);
    if (size < 0) throw EFormatError(Format("invalid data size %d", size));
    if (h.Mode == 2) {
      std::vector<uint8_t> scratch;
      const uint8_t* data = Bytes(size, scratch);
      TDIBSurface picture;
      DecodeJpeg(data, static_cast<size_t>(size), layer.Image.Width(), layer.Image.Height(), picture);
      PlaceJpeg(picture, layer.Image);
    } else {
      ReadBlock(size, h.Mode == 0, layer.Image, [this, frameIndex](int32_t frame, int32_t index) {
        TBrioLayer* l = Source(frameIndex, frame, index);
        return l ? &l->Image : nullptr;
      });
    }
    if (!h.HasAlphaData()) return;
    const int32_t alphaSize = ReadInt32(Stream_);
    if (alphaSize <= 0) return;
    if (layer.UseAlpha) layer.TransparentValue = -1;
    auto plane = std::make_unique<TDIBSurface>();
    Size(*plane, layer.Image.Width(), layer.Image.Height(), 8);
    ReadBlock(alphaSize, h.Mode != 1, *plane, [this, frameIndex](int32_t frame, int32_t index) {
      TBrioLayer* l = Source(frameIndex, frame, index);
      return l ? l->Image.AlphaPlane.get() : nullptr;
    });
    layer.Image.AlphaPlane = std::move(plane);
  }

  // A layer of an earlier frame that tiles may copy from.
  TBrioLayer* Source(int32_t current, int32_t frame, int32_t index) {
    if (frame < 0 || frame >= current || index < 0) return nullptr;
    auto& layers = List_.Frames_[static_cast<size_t>(frame)]->Layers;
    return index < static_cast<int32_t>(layers.size()) ? layers[static_cast<size_t>(index)].get() : nullptr;
  }

  void ReadBlock(int32_t size, bool deflated, TDIBSurface& image, const TTileSourceLookup& lookup) {
    std::vector<uint8_t> scratch;
    const uint8_t* data = Bytes(size, scratch);
    if (!deflated) return DecodePixelBlock(data, static_cast<size_t>(size), List_.Header, List_.TileSeed, image, lookup);
    if (InflatePixelBlockInPlace(data, static_cast<size_t>(size), List_.Header, List_.TileSeed, image)) return;
    const int64_t limit = std::min(kMaxInflatedSize, MaxPixelBlockBytes(image, List_.Header));
    if (limit == 0 && size == 0) return;
    // Rows have a known size; tiles only a bound.
    const int64_t expected = List_.Header.Tiled() ? -1 : limit;
    const std::vector<uint8_t> block = Inflate(data, static_cast<size_t>(size), std::max<int64_t>(limit, 1), expected);
    DecodePixelBlock(block.data(), block.size(), List_.Header, List_.TileSeed, image, lookup);
  }

  // A decoded JPEG replaces the layer image; canvases of other depths get
  // its colours converted to their format (nearest table entry for palettes).
  static void PlaceJpeg(TDIBSurface& picture, TDIBSurface& image) {
    if (image.BitCount() == 24) {
      picture.ColorTable = image.ColorTable;
      image = std::move(picture);
      return;
    }
    uint32_t lastRaw = 0xFFFFFFFFu, lastValue = 0;
    for (int32_t y = 0; y < image.Height(); ++y)
      for (int32_t x = 0; x < image.Width(); ++x) {
        const uint32_t raw = picture.GetPixel(x, y);
        if (raw != lastRaw) lastRaw = raw, lastValue = image.ColorToValue(picture.ValueToColor(raw));
        image.SetPixel(x, y, lastValue);
      }
  }

  TBrioFrameList& List_;
  TStream& Stream_;
  TMemoryStream* Memory_;
  int64_t Used_ = 0;
};

void TBrioFrameList::LoadFromStream(TStream& stream, bool firstOnly) {
  Clear();
  Version = 0;
  BackgroundColor = 0;
  OpaqueBottom = false;
  try {
    TBrioReader(*this, stream).Run(firstOnly);
  } catch (...) {
    Clear();
    throw;
  }
}

}  // namespace opal
