#include "components/map_file.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/error.h"
#include "storage/stream.h"

namespace opal {

namespace {

int32_t Clamp32(double v) {
  return static_cast<int32_t>(std::clamp(v, -2147483648.0, 2147483647.0));
}

// The inclusive box of a rectangle or ellipse, normalised, as half-open
// 64-bit bounds.
void Bounds(const TMapArea& a, int64_t& l, int64_t& t, int64_t& r, int64_t& b) {
  l = std::min(a.Left, a.Right);
  r = int64_t{std::max(a.Left, a.Right)} + 1;
  t = std::min(a.Top, a.Bottom);
  b = int64_t{std::max(a.Top, a.Bottom)} + 1;
}

void EllipseSpan(const TMapArea& a, int32_t y, std::vector<std::pair<int32_t, int32_t>>& spans) {
  int64_t l, t, r, b;
  Bounds(a, l, t, r, b);
  const double ex = (static_cast<double>(l) + static_cast<double>(r)) / 2;
  const double ey = (static_cast<double>(t) + static_cast<double>(b)) / 2;
  const double rx = static_cast<double>(r - l) / 2, ry = static_cast<double>(b - t) / 2;
  const double dy = (y + 0.5 - ey) / ry;
  if (dy < -1 || dy > 1) return;
  const double half = rx * std::sqrt(1 - dy * dy);
  // Pixels whose centres lie inside.
  const double first = std::ceil(ex - half - 0.5), last = std::floor(ex + half - 0.5);
  if (first > last) return;
  spans.emplace_back(Clamp32(first), Clamp32(last + 1));
}

// Spans of row y where the winding number at the pixel centres is not 0.
void PolygonSpans(const std::vector<TMapPoint>& pts, int32_t y, std::vector<std::pair<int32_t, int32_t>>& spans) {
  const double cy = y + 0.5;
  std::vector<std::pair<double, int>> crossings;  // x, direction
  const size_t n = pts.size();
  for (size_t i = 0; i < n; ++i) {
    const TMapPoint& p = pts[i];
    const TMapPoint& q = pts[(i + 1) % n];
    if (p.Y == q.Y) continue;
    const bool up = p.Y < q.Y;
    const double y0 = up ? p.Y : q.Y, y1 = up ? q.Y : p.Y;
    if (cy < y0 || cy >= y1) continue;
    const double x = p.X + (cy - p.Y) * (static_cast<double>(q.X) - p.X) / (static_cast<double>(q.Y) - p.Y);
    crossings.emplace_back(x, up ? 1 : -1);
  }
  std::sort(crossings.begin(), crossings.end());
  int winding = 0;
  for (size_t i = 0; i < crossings.size(); ++i) {
    winding += crossings[i].second;
    if (winding == 0 || i + 1 >= crossings.size()) continue;
    // Pixels whose centres lie between this crossing and the next.
    const double first = std::ceil(crossings[i].first - 0.5);
    const double last = std::ceil(crossings[i + 1].first - 0.5);
    if (first < last) spans.emplace_back(Clamp32(first), Clamp32(last));
  }
}

}  // namespace

TRect TMapArea::Box() const {
  if (!IsPolygon()) {
    int64_t l, t, r, b;
    Bounds(*this, l, t, r, b);
    return {Clamp32(static_cast<double>(l)), Clamp32(static_cast<double>(t)), Clamp32(static_cast<double>(r)),
            Clamp32(static_cast<double>(b))};
  }
  if (Points.size() < 3) return {};
  int32_t l = std::numeric_limits<int32_t>::max(), t = l;
  int32_t r = std::numeric_limits<int32_t>::min(), b = r;
  for (const TMapPoint& p : Points) {
    l = std::min(l, p.X), r = std::max(r, p.X);
    t = std::min(t, p.Y), b = std::max(b, p.Y);
  }
  return {l, t, r, b};
}

void TMapArea::RowSpans(int32_t y, std::vector<std::pair<int32_t, int32_t>>& spans) const {
  spans.clear();
  if (Shape == msRectangle) {
    int64_t l, t, r, b;
    Bounds(*this, l, t, r, b);
    if (y >= t && y < b) spans.emplace_back(static_cast<int32_t>(l), Clamp32(static_cast<double>(r)));
  } else if (Shape == msEllipse) {
    EllipseSpan(*this, y, spans);
  } else if (Points.size() >= 3) {
    PolygonSpans(Points, y, spans);
  }
}

bool TMapArea::Contains(int32_t x, int32_t y) const {
  std::vector<std::pair<int32_t, int32_t>> spans;
  RowSpans(y, spans);
  return std::any_of(spans.begin(), spans.end(), [x](const auto& s) { return x >= s.first && x < s.second; });
}

std::vector<TMapArea> TMapFile::Read(TStream& s) {
  // The smallest area: an empty name, the shape byte and a point count.
  constexpr int64_t kMinArea = 4 + 1 + 4;
  const int32_t count = ReadInt32(s);
  if (count < 0 || count > kMaxAreas || count > s.Remaining() / kMinArea) {
    throw EFormatError(Format("map file: bad area count %d", count));
  }
  std::vector<TMapArea> areas(static_cast<size_t>(count));
  int64_t total = 0;
  for (TMapArea& a : areas) {
    a.Name = ReadString(s);
    a.Shape = ReadByte(s);
    if (!a.IsPolygon()) {
      a.Left = ReadInt32(s), a.Top = ReadInt32(s), a.Right = ReadInt32(s), a.Bottom = ReadInt32(s);
      continue;
    }
    const int32_t points = ReadInt32(s);
    total += points;
    if (points < 0 || points > kMaxPoints || points > s.Remaining() / 8 || total > kMaxTotalPoints) {
      throw EFormatError(Format("map file: bad point count %d in area \"%s\"", points, a.Name.c_str()));
    }
    a.Points.resize(static_cast<size_t>(points));
    for (TMapPoint& p : a.Points) p.X = ReadInt32(s), p.Y = ReadInt32(s);
  }
  return areas;
}

void TMapFile::Write(TStream& s, const std::vector<TMapArea>& areas) {
  WriteInt32(s, static_cast<int32_t>(areas.size()));
  for (const TMapArea& a : areas) {
    WriteString(s, a.Name);
    WriteByte(s, a.Shape);
    if (!a.IsPolygon()) {
      for (int32_t v : {a.Left, a.Top, a.Right, a.Bottom}) WriteInt32(s, v);
      continue;
    }
    WriteInt32(s, static_cast<int32_t>(a.Points.size()));
    for (const TMapPoint& p : a.Points) WriteInt32(s, p.X), WriteInt32(s, p.Y);
  }
}

}  // namespace opal
