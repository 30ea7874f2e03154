// Labels: widths from the font's spacing, heights from its metrics, the
// settings stream and its version gates, drawing.
#include <gtest/gtest.h>

#include "platform/font_backend.h"
#include "storage/stream.h"
#include "text/font_pixel.h"
#include "text/sk_label.h"

namespace opal {
namespace {

struct TLabels {
  TFakeFontBackend Backend;
  TFontPixelManager Fonts{Backend};
  TSkLabelList List{Fonts};
  TLabels() { Backend.Faces.push_back(TSkLabelList::kDefaultFace); }
};

TEST(Labels, WidthsFromSpacingOutlineAndShadow) {
  TLabels l;
  l.Backend.Abc = {1, 8, -2};
  l.List.OutlineWidth = 1;
  l.List.ShadowWidth = 2;
  TSkLabelDIB& a = l.List.Add("ab\x82\xa0");
  TSkLabelDIB& empty = l.List.Add("");
  l.List.Measure();
  // 1 + 8 − 2 + 2·1 + 2 each; the last gets its negative C back.
  EXPECT_EQ(a.Widths, (std::vector<int32_t>{11, 11, 13}));
  EXPECT_EQ(a.Width, 35);
  TFontMetrics m;
  l.Backend.GetMetrics({TSkLabelList::kDefaultFace, 12, 0}, m);
  EXPECT_EQ(a.Height, m.Ascent + m.Descent + 4);
  EXPECT_EQ(empty.Width, 0);
  EXPECT_EQ(empty.Height, a.Height);
}

TEST(Labels, SettingsStreamAndVersionGates) {
  TLabels l;
  l.List.Quality = 2;
  l.List.OutlineWidth = 3;
  l.List.Opacity = 100;
  l.List.FontHeight = 20;
  l.List.Face = "Fake";
  l.List.Color = 0x123456;
  l.List.OutlineColor = 0x654321;
  l.List.Style = 5;
  l.List.Metrics[7] = 9;
  l.List.ShadowWidth = 4;
  l.List.ShadowColor = 0x0A0B0C;
  TMemoryStream s;
  l.List.SaveSettings(s);

  struct Case {
    int32_t Version;
    int32_t Quality, ShadowWidth;
  } cases[] = {{122, 2, 4}, {121, 2, 0}, {108, 3, 0}};
  for (const Case& c : cases) {
    TLabels r;
    TMemoryStream in;
    // Older lists stop before the shadow fields.
    const auto& bytes = s.Bytes();
    const size_t size = bytes.size() - (c.Version >= 122 ? 0 : 8);
    in.WriteBuffer(bytes.data(), static_cast<int64_t>(size));
    in.SetPosition(0);
    r.List.LoadSettings(in, c.Version);
    EXPECT_EQ(in.Position(), static_cast<int64_t>(size)) << c.Version;
    EXPECT_EQ(r.List.Quality, c.Quality) << c.Version;
    EXPECT_EQ(r.List.ShadowWidth, c.ShadowWidth) << c.Version;
    EXPECT_EQ(r.List.Face, "Fake");
    EXPECT_EQ(r.List.Style, 5);
    EXPECT_EQ(r.List.Metrics[7], 9);
  }
  TLabels r;
  TMemoryStream in;
  in.WriteBuffer(s.Bytes().data(), 10);
  in.SetPosition(0);
  EXPECT_ANY_THROW(r.List.LoadSettings(in, 122));
}

TEST(Labels, DrawRendersWhenDirtyAndPaints) {
  TLabels l;
  l.List.Quality = 1;
  l.List.Face = "Fake";
  TSkLabelDIB& a = l.List.Add("AB");
  l.List.Measure();
  TDIBX target;
  target.SetSize(40, 20, 32);
  target.Clear(0);
  l.List.Draw(target, 2, 3, a);
  EXPECT_FALSE(a.Dirty);
  int ink = 0;
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 40; ++x) ink += target.GetPixel(x, y) != 0;
  EXPECT_GT(ink, 0);
  EXPECT_EQ(target.GetPixel(0, 0), 0u);
  a.SetText("AB");
  EXPECT_FALSE(a.Dirty);
  a.SetText("C");
  EXPECT_TRUE(a.Dirty);
}

}  // namespace
}  // namespace opal
