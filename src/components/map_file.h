// The map file of a map image: named areas, each a rectangle, an ellipse
// (both given by inclusive left, top, right, bottom) or a polygon filled by
// the non-zero winding rule, in the image's pixels; and the area regions,
// answered per pixel row as spans so that masks are built row by row.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "raster/rect.h"

namespace opal {

class TStream;

enum TMapShape : uint8_t { msRectangle = 0, msEllipse = 1, msPolygon = 2 };

struct TMapPoint {
  int32_t X = 0, Y = 0;
};

struct TMapArea {
  std::string Name;
  uint8_t Shape = msRectangle;  // as stored: 0, 1, anything else a polygon
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;  // rectangle and ellipse, inclusive
  std::vector<TMapPoint> Points;                     // polygon

  bool IsPolygon() const { return Shape != msRectangle && Shape != msEllipse; }
  // Half-open bounding box of the covered pixels (empty when none).
  TRect Box() const;
  // The half-open column spans [first, second) of row y that the area covers.
  void RowSpans(int32_t y, std::vector<std::pair<int32_t, int32_t>>& spans) const;
  bool Contains(int32_t x, int32_t y) const;
};

class TMapFile {
 public:
  // Caps of a map file: areas, points of one polygon, points in all.
  static constexpr int32_t kMaxAreas = 65536;
  static constexpr int32_t kMaxPoints = 65536;
  static constexpr int64_t kMaxTotalPoints = int64_t{1} << 20;

  // Reads the whole file; EFormatError / EStreamError when a count or a
  // length does not fit what remains, or a cap is exceeded.
  static std::vector<TMapArea> Read(TStream& s);
  static void Write(TStream& s, const std::vector<TMapArea>& areas);
};

}  // namespace opal
