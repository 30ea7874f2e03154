#include "text/font_pixel.h"

#include <algorithm>

#include "common/error.h"

namespace opal {

namespace {

std::vector<uint8_t> Level3Table() {
  std::vector<uint8_t> t(65);
  t[0] = 0;
  for (int i = 1; i <= 63; ++i) {
    const int add = i <= 7 ? 15 : i <= 23 ? 31 : i <= 39 ? 47 : 63;
    t[static_cast<size_t>(i)] = static_cast<uint8_t>(3 * i + add);
  }
  t[64] = 255;
  return t;
}

}  // namespace

const char TFontPixelManager::kFallbackFace[] = "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E";

const std::vector<uint8_t>& QualityLevelTable(int32_t quality) {
  static const std::vector<uint8_t> kTables[4] = {
      {0, 255},
      {0, 79, 127, 207, 255},
      {0, 43, 55, 67, 79, 91, 103, 115, 159, 171, 183, 195, 207, 219, 231, 243, 255},
      Level3Table(),
  };
  return kTables[std::clamp(quality, 0, 3)];
}

int32_t QualityLevelCount(int32_t quality) {
  return static_cast<int32_t>(QualityLevelTable(quality).size());
}

std::vector<std::string> EnumerateFaces(FontBackend& backend, bool sorted, bool verticalToo,
                                        bool japaneseSystem) {
  std::vector<std::string> names;
  for (std::string& name : backend.FaceNames(japaneseSystem)) {
    if (!verticalToo && !name.empty() && name[0] == '@') continue;
    names.push_back(std::move(name));
  }
  if (sorted) std::sort(names.begin(), names.end());
  return names;
}

TFontPixelManager::TFontPixelManager(FontBackend& backend) : Backend_(backend) {}

std::string TFontPixelManager::ResolvedFace(const std::string& face) {
  return Backend_.FaceInstalled(face) ? face : std::string(kFallbackFace);
}

bool TFontPixelManager::IsCached(uint16_t code, const std::string& face, uint8_t style, int32_t size) const {
  size = std::clamp(size, 1, kMaxSize);
  for (const auto& it : Buckets_[code & 0xFF]) {
    const TFontPixel& g = **it;
    if (g.Code == code && g.Size == size && g.Style == style && g.Quality == Quality_ && g.FaceName == face) {
      return true;
    }
  }
  return false;
}

TFontPixelRef TFontPixelManager::GetGlyph(uint16_t code, const std::string& face, uint8_t style, int32_t size) {
  size = std::clamp(size, 1, kMaxSize);
  auto& bucket = Buckets_[code & 0xFF];
  for (const auto& it : bucket) {
    const TFontPixel& g = **it;
    if (g.Code == code && g.Size == size && g.Style == style && g.Quality == Quality_ && g.FaceName == face) {
      Mru_.splice(Mru_.begin(), Mru_, it);
      return *it;
    }
  }
  TFontPixelRef glyph = Fetch(code, face, style, size);
  Mru_.push_front(glyph);
  Buckets_[code & 0xFF].push_back(Mru_.begin());
  if (Mru_.size() > kCapacity) {
    const auto last = std::prev(Mru_.end());
    auto& lastBucket = Buckets_[(*last)->Code & 0xFF];
    lastBucket.erase(std::find(lastBucket.begin(), lastBucket.end(), last));
    Mru_.erase(last);  // a holder of the handle keeps the glyph alive
  }
  return glyph;
}

void TFontPixelManager::SelectFont(const std::string& face, int32_t size, uint8_t style) {
  const TFontSpec wanted{face, size, style};
  if (HasFont_ && wanted == Font_) return;
  HasFont_ = false;
  TFontSpec made = wanted;
  if (!Backend_.FaceInstalled(face)) made.Face = kFallbackFace;
  if (!Backend_.GetMetrics(made, Metrics_)) throw EOpalError("Error:GetOutlineTextMetrics");
  Font_ = wanted;
  Made_ = made;
  HasFont_ = true;
}

std::shared_ptr<TFontPixel> TFontPixelManager::Fetch(uint16_t code, const std::string& face, uint8_t style,
                                                     int32_t size) {
  SelectFont(face, size, style);
  auto glyph = std::make_shared<TFontPixel>();
  glyph->Code = code;
  glyph->FaceName = face;
  glyph->Size = size;
  glyph->Style = style;
  TGlyphImage image;
  bool ok = Backend_.GetGlyph(Made_, code, QualityLevelCount(Quality_), image);
  if (!ok && Quality_ != 0) {
    Quality_ = 0;  // for good
    ok = Backend_.GetGlyph(Made_, code, QualityLevelCount(0), image);
  }
  glyph->Quality = Quality_;
  const int64_t cells = int64_t{image.Width} * image.Height;
  const bool ink = ok && image.Width > 0 && image.Height > 0 && image.Width <= 4 * FontBackend::kMaxHeight &&
                   image.Height <= 4 * FontBackend::kMaxHeight &&
                   static_cast<int64_t>(image.Levels.size()) >= cells;
  if (!ink) {
    if (ok) glyph->AdvanceRest = Backend_.TextWidth(Made_, code);
    return glyph;
  }
  const std::vector<uint8_t>& table = QualityLevelTable(glyph->Quality);
  glyph->Bitmap.SetSize(image.Width, image.Height, 8);
  glyph->Bitmap.Clear(0);
  for (int32_t y = 0; y < image.Height; ++y) {
    uint8_t* row = glyph->Bitmap.PixelAddress(0, y);
    if (row == nullptr) continue;
    for (int32_t x = 0; x < image.Width; ++x) {
      const uint8_t level = image.Levels[static_cast<size_t>(y) * static_cast<size_t>(image.Width) +
                                         static_cast<size_t>(x)];
      row[x] = table[std::min<size_t>(level, table.size() - 1)];
    }
    glyph->Bitmap.Unlock();
  }
  glyph->LeftBearing = std::max(0, image.OriginX);
  glyph->TopOffset = std::max(0, Metrics_.Ascent - image.OriginY);
  if (style & 4) glyph->UnderlineSize = Metrics_.UnderlineSize;
  if (style & 8) {
    glyph->StrikeTop = Metrics_.Ascent - Metrics_.StrikeoutPosition;
    glyph->StrikeSize = Metrics_.StrikeoutSize;
  }
  glyph->AdvanceRest = std::max(0, image.CellIncX - image.Width - glyph->LeftBearing);
  return glyph;
}

}  // namespace opal
