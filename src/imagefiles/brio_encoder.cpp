#include "imagefiles/brio_encoder.h"

#include <unordered_map>

#include "common/error.h"
#include "imagefiles/jpeg_codec.h"
#include "storage/stream.h"

namespace opal {

namespace {
const std::string kLayerName = "Layer";

uint64_t TileHash(const TDIBSurface& s, const TTileGrid& g, int64_t k) {
  uint64_t h = 1469598103934665603ull;
  const int64_t wb = g.RowBytes(g.W(k)), off = g.ByteOffset(g.X(k));
  for (int32_t r = 0; r < g.H(k); ++r) {
    const uint8_t* p = s.Row(g.Y(k) + r) + off;
    for (int64_t i = 0; i < wb; ++i) h = (h ^ p[i]) * 1099511628211ull;
  }
  return h ^ (uint64_t(g.W(k)) << 40) ^ (uint64_t(g.H(k)) << 20);
}
}  // namespace

TBrioEncoder::TBrioEncoder(const TBrioEncodeOptions& options) : O_(options) {}

void TBrioEncoder::CheckOptions() const {
  const int32_t v = O_.Version;
  if (v != 0 && (v < 100 || v > 999)) throw EFormatError(Format("cannot write version %d", v));
  if (O_.Mode < 0 || O_.Mode > 2) throw EFormatError(Format("unknown storage mode %d", O_.Mode));
  if (v < 103 && (O_.Mode != 0 || O_.Scrambled || O_.TileWidth > 0 || O_.TileHeight > 0))
    throw EFormatError(Format("version %d stores zlib rows only (no modes, scrambling or tiles)", v));
  if (O_.TileWidth < 0 || O_.TileHeight < 0) throw EFormatError("negative tile size");
}

TBrioHeader TBrioEncoder::Header(const TBrioFrameList& list) const {
  TBrioHeader h;
  h.Version = O_.Version;
  if (list.Count() > 0) {
    const TBrioFrame& f = *list.Frames(0);
    h.Width = f.Width();
    h.Height = f.Height();
    h.BitCount = f.BitCount();
  }
  h.FrameCount = list.Count();
  h.Marker = 1;
  h.Scrambled = O_.Scrambled;
  h.Mode = O_.Mode;
  h.BackgroundColor = O_.BackgroundColor;
  if (O_.Mode != 2 && O_.TileWidth > 0 && O_.TileHeight > 0) {
    h.TileWidth = O_.TileWidth;
    h.TileHeight = O_.TileHeight;
  }
  h.OpaqueBottom = O_.OpaqueBottom;
  h.Quality = O_.Quality;
  return h;
}

std::vector<TBrioEncoder::TLayerView> TBrioEncoder::Views(const TBrioFrame& frame) const {
  std::vector<TLayerView> out;
  if (frame.Layers.empty()) {
    out.push_back({true, -1, 255, frame.Picture.HasAlpha(), &kLayerName, &frame.Picture});
    return out;
  }
  const TDIBSurface& first = frame.Layers[0]->Image;
  for (const auto& l : frame.Layers) {
    if (l->Image.Width() != first.Width() || l->Image.Height() != first.Height() ||
        l->Image.BitCount() != first.BitCount())
      throw EFormatError("the layers of a frame must share the first layer's size and depth");
    out.push_back({l->Visible, l->TransparentValue, l->Opacity, l->UseAlpha, &l->Name, &l->Image});
  }
  return out;
}

void TBrioEncoder::Write(const TBrioFrameList& list, TStream& s) const {
  CheckOptions();
  const TBrioHeader h = Header(list);
  if (O_.Version > 0) {
    const std::string magic = Format("Brio%03d", O_.Version);
    s.WriteBuffer(magic.data(), 7);
  }
  if (O_.Version < 103) {
    WriteInt32(s, list.Count());
    WriteByte(s, 0);
    if (O_.Version >= 102) WriteInt32(s, O_.BackgroundColor);
  } else {
    uint8_t block[TBrioHeader::kLength];
    h.Encode(block);
    WriteInt32(s, TBrioHeader::kLength);
    s.WriteBuffer(block, TBrioHeader::kLength);
  }
  std::vector<std::vector<TLayerView>> earlier;
  for (int32_t i = 0; i < list.Count(); ++i) {
    WriteFrame(s, h, *list.Frames(i), earlier);
    earlier.push_back(Views(*list.Frames(i)));
  }
}

void TBrioEncoder::WriteFrame(TStream& s, const TBrioHeader& h, const TBrioFrame& frame,
                              const std::vector<std::vector<TLayerView>>& earlier) const {
  const std::vector<TLayerView> views = Views(frame);
  const TDIBSurface& first = *views[0].Image;
  WriteString(s, frame.Name);
  WriteInt32(s, frame.TransparentValue);
  WriteInt32(s, frame.DisplayTime);
  WriteByte(s, 0);
  WriteInt32(s, 0);
  WriteInt32(s, static_cast<int32_t>(views.size()));
  WriteInt32(s, first.Width());
  WriteInt32(s, first.Height());
  WriteInt32(s, first.BitCount());
  if (first.BitCount() <= 8) {
    for (int32_t i = 0; i < (1 << first.BitCount()); ++i) {
      const TRGBQuad& q = first.ColorTable[i];
      const uint8_t e[4] = {q.Blue, q.Green, q.Red, 0};
      s.WriteBuffer(e, 4);
    }
  }
  for (const TLayerView& v : views) {
    WriteInt32(s, 0);
    WriteInt32(s, 0);
    WriteByte(s, v.Visible ? 1 : 0);
    WriteInt32(s, v.TransparentValue);
    WriteInt32(s, v.Opacity);
    if (h.HasUseAlpha()) WriteByte(s, v.UseAlpha ? 1 : 0);
    WriteString(s, *v.Name);
    WriteImage(s, h, v.Image, false, earlier);
    if (h.HasAlphaData()) {
      WriteImage(s, h, v.Image->AlphaPlane.get(), true, earlier);
    } else if (v.Image->HasAlpha()) {
      throw EFormatError(Format("version %d cannot store alpha planes", h.Version));
    }
  }
  if (h.HasRects()) {
    for (const std::vector<TRect>* list : {&frame.DrawRects, &frame.AuxRects}) {
      const bool write = O_.WriteRects && !list->empty();
      WriteInt32(s, write ? static_cast<int32_t>(list->size()) : 0);
      if (!write) continue;
      for (const TRect& r : *list) {
        WriteInt32(s, r.Left);
        WriteInt32(s, r.Top);
        WriteInt32(s, r.Right);
        WriteInt32(s, r.Bottom);
      }
    }
  }
}

void TBrioEncoder::WriteImage(TStream& s, const TBrioHeader& h, const TDIBSurface* image,
                              bool alpha, const std::vector<std::vector<TLayerView>>& earlier) const {
  if (image == nullptr) {
    WriteInt32(s, 0);
    return;
  }
  if (!alpha && h.Mode == 2) {
    WriteDataBlock(s, EncodeJpeg(*image, O_.Quality), false);
    return;
  }
  std::vector<uint8_t> block;
  if (h.Tiled()) {
    std::vector<std::vector<const TDIBSurface*>> sources;
    for (const auto& frame : earlier) {
      sources.emplace_back();
      for (const TLayerView& v : frame)
        sources.back().push_back(alpha ? v.Image->AlphaPlane.get() : v.Image);
    }
    block = EncodeTiles(*image, h, O_.TileSeed, ChooseTiles(*image, sources));
  } else {
    block = EncodeRows(*image, h.RowsScrambled(), O_.TileSeed);
  }
  WriteDataBlock(s, block, alpha ? h.Mode != 1 : h.Mode == 0);
}

std::vector<TTileEntry> TBrioEncoder::ChooseTiles(
    const TDIBSurface& image, const std::vector<std::vector<const TDIBSurface*>>& earlier) const {
  const TTileGrid g(image, O_.TileWidth, O_.TileHeight);
  std::vector<TTileEntry> table(static_cast<size_t>(g.Count()));
  std::unordered_map<uint64_t, std::vector<int64_t>> seen;
  for (int64_t k = 0; k < g.Count(); ++k) {
    const int32_t x = g.X(k), y = g.Y(k), w = g.W(k), h = g.H(k);
    TTileEntry& e = table[static_cast<size_t>(k)];
    if (!O_.ReuseTiles) continue;
    const uint64_t key = TileHash(image, g, k);
    bool found = false;
    for (int64_t j : seen[key]) {
      if (g.W(j) == w && g.H(j) == h && SameTileBytes(image, g.X(j), g.Y(j), image, x, y, w, h)) {
        e = {-2, static_cast<int32_t>(j)};
        found = true;
        break;
      }
    }
    for (size_t f = 0; !found && f < earlier.size(); ++f)
      for (size_t l = 0; !found && l < earlier[f].size(); ++l) {
        const TDIBSurface* src = earlier[f][l];
        if (src != nullptr && SameTileBytes(*src, x, y, image, x, y, w, h)) {
          e = {static_cast<int32_t>(f), static_cast<int32_t>(l)};
          found = true;
        }
      }
    if (!found) seen[key].push_back(k);
  }
  return table;
}

}  // namespace opal
