#include "film/film_motion.h"

#include "common/error.h"
#include "components/brio_collection.h"
#include "film/interpolate.h"
#include "stage/opal_control.h"
#include "stage/properties.h"
#include "storage/stream.h"

namespace opal {

namespace {

// One track's values for a frame, written onto the motion's control.
class TMotionWriter {
 public:
  TMotionWriter(TOpalControl& target, const TCustomFrameList& track, const TFilmValues& starts, TFilmPos shift,
                int64_t frame)
      : C_(target), Starts_(starts), Shift_(shift), At_(StepOf(track, frame)) {}

  template <typename T>
  T Start(const char* name, T own) const {
    const auto it = Starts_.find(name);
    return it != Starts_.end() && std::holds_alternative<T>(it->second) ? std::get<T>(it->second) : own;
  }
  int32_t Int(uint8_t mode, int32_t from, int32_t to) const { return Interpolate(mode, from, to, At_); }
  void Set(int id, int32_t v) { C_.SetProperty(id, TPropValue::OfInt(v)); }
  void Flag(int id, bool v) { C_.SetProperty(id, TPropValue::OfFlag(v)); }
  void Str(int id, const std::string& v) {
    TPropValue p;
    p.Str = v;
    C_.SetProperty(id, p);
  }

  // Step 3 and 4: the position, moved by the origin of a relative film.
  TFilmPos Position(const char* name, TFilmPos own, TFilmPos end, uint8_t modeX, uint8_t modeY) const {
    const TFilmPos start = Start(name, own);
    return {Int(modeX, Shifted(start.X, Shift_.X), Shifted(end.X, Shift_.X)),
            Int(modeY, Shifted(start.Y, Shift_.Y), Shifted(end.Y, Shift_.Y))};
  }
  void MoveTo(TFilmPos p) {
    C_.MotionX = p.X;
    C_.MotionY = p.Y;
  }
  // Width and height from the corners of the start and end rectangles.
  TFilmPos Extent(TFilmPos pos, TFilmPos posStart, TFilmPos posEnd, TFilmPos sizeStart, TFilmPos sizeEnd,
                  uint8_t modeX, uint8_t modeY) const {
    const int32_t right = Int(modeX, Corner(posStart.X, sizeStart.X), Corner(posEnd.X, sizeEnd.X));
    const int32_t bottom = Int(modeY, Corner(posStart.Y, sizeStart.Y), Corner(posEnd.Y, sizeEnd.Y));
    return {FilmSaturate(int64_t{right} - pos.X + 1), FilmSaturate(int64_t{bottom} - pos.Y + 1)};
  }
  void Alpha(int32_t start, int32_t end) {
    Set(PR_ALPHA, start == 0 && end == 0 ? 255 : Int(0, FilmAlpha(start), FilmAlpha(end)));
  }
  void Zoom(uint8_t modeX, double startX, double endX, uint8_t modeY, double startY, double endY) {
    Set(PR_ZOOMX, Int(modeX, ZoomFixed(startX), ZoomFixed(endX)));
    Set(PR_ZOOMY, Int(modeY, ZoomFixed(startY), ZoomFixed(endY)));
  }
  void Angle(uint8_t mode, int32_t start, int32_t end) {
    Set(PR_ANGLE, start == 0 && end == 0 ? 0 : AngleProperty(InterpolateF(mode, start, end, At_)));
  }
  void Clip(uint8_t modeX, uint8_t modeY, TFilmPos posStart, TFilmPos sizeStart, TFilmPos posEnd, TFilmPos sizeEnd) {
    const int32_t w = Int(modeX, sizeStart.X, sizeEnd.X);
    const int32_t h = Int(modeY, sizeStart.Y, sizeEnd.Y);
    const bool whole = w < 1 || h < 1;
    Set(PR_CLIPLEFT, whole ? 0 : Int(modeX, posStart.X, posEnd.X));
    Set(PR_CLIPTOP, whole ? 0 : Int(modeY, posStart.Y, posEnd.Y));
    Set(PR_CLIPWIDTH, whole ? 0 : w);
    Set(PR_CLIPHEIGHT, whole ? 0 : h);
  }
  void Flips(const TCustomFrameList& t) {
    Flag(PR_FLIPH, t.FlipH != 0);
    Flag(PR_FLIPV, t.FlipV != 0);
  }
  // A colour 0x00BBGGRR channel by channel, linear.
  int32_t Colour(int32_t from, int32_t to) const {
    if (from == to) return from;
    int32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8)
      out |= (Int(0, (from >> shift) & 0xFF, (to >> shift) & 0xFF) & 0xFF) << shift;
    return out;
  }

  TOpalControl& C_;

 private:
  static int32_t Shifted(int32_t v, int32_t by) { return FilmSaturate(int64_t{v} + by); }
  int32_t Corner(int32_t pos, int32_t size) const { return FilmSaturate(int64_t{pos} + size - 1); }
  const TFilmValues& Starts_;
  TFilmPos Shift_;
  TTrackStep At_;
};

void ImageValues(TMotionWriter& w, const TCustomImageFrameList& t) {
  w.MoveTo(w.Position("PosStart", t.PosStart, t.PosEnd, t.PosModeX, t.PosModeY));
  w.Zoom(t.ZoomXMode, w.Start("ZoomXStart", t.ZoomXStart), t.ZoomXEnd, t.ZoomYMode, w.Start("ZoomYStart", t.ZoomYStart),
         t.ZoomYEnd);
  w.Alpha(w.Start("AlphaStart", t.AlphaStart), t.AlphaEnd);
  w.Clip(t.SrcModeX, t.SrcModeY, w.Start("SrcPosStart", t.SrcPosStart), w.Start("SrcSizeStart", t.SrcSizeStart),
         t.SrcPosEnd, t.SrcSizeEnd);
  w.Flips(t);
}

// The picture of frame `index` of an image or tile track on the control.
void ShowPicture(TOpalControl& target, const TImageFrameList& t, int32_t index) {
  const TBrioItemFrame* picture = t.Picture(index);
  if (picture != nullptr) target.ShowMotionPicture(picture->Pixels.get(), picture->Mask.get());
}

}  // namespace

TFilmMotionSource::TFilmMotionSource(std::unique_ptr<TFilmManager> film) : Film_(std::move(film)) {
  for (int32_t i = 0; i < Film_->Count(); ++i) Starts_.push_back(Film_->Track(i)->StartValues());
}

void TFilmMotionSource::SetFrame(int32_t frame, TOpalControl& target) {
  if (frame < 0 || frame >= FilmLength()) return;
  const TFilmPos shift = Film_->Relative ? TFilmPos{FilmSaturate(int64_t{Origin_.X} - Film_->FileOrigin.X),
                                                    FilmSaturate(int64_t{Origin_.Y} - Film_->FileOrigin.Y)}
                                         : TFilmPos{};
  target.Invalidate();
  for (int32_t i = 0; i < Film_->Count(); ++i) {
    TCustomFrameList& track = *Film_->Track(i);
    if (!track.Covers(frame)) continue;
    TMotionWriter w(target, track, Starts_[static_cast<size_t>(i)], shift, frame);
    const int32_t priority = FilmSaturate(int64_t{BasePriority_} + track.TrackPriority);
    switch (track.Type()) {
      case TFilmTrackType::Image: {
        const auto& t = static_cast<const TImageFrameList&>(track);
        ImageValues(w, t);
        w.Angle(t.AngleMode, w.Start("AngleStart", t.AngleStart), t.AngleEnd);
        target.PriorityOffset = t.TrackPriority;
        const int32_t index = t.FrameAt(int64_t{frame} - t.EffectiveStart());
        ShowPicture(target, t, index);
        if (index >= 0) {
          const TCustomFrame& f = t.Frames[static_cast<size_t>(index)];
          w.Set(PR_OFFSETX, FilmSaturate(int64_t{t.Anchor.X} - f.OffsetX));
          w.Set(PR_OFFSETY, FilmSaturate(int64_t{t.Anchor.Y} - f.OffsetY));
          const int32_t zoomX = w.Int(t.ZoomXMode, ZoomFixed(w.Start("ZoomXStart", t.ZoomXStart)), ZoomFixed(t.ZoomXEnd));
          const int32_t zoomY = w.Int(t.ZoomYMode, ZoomFixed(w.Start("ZoomYStart", t.ZoomYStart)), ZoomFixed(t.ZoomYEnd));
          w.Set(PR_WIDTH, FilmSaturate(int64_t{zoomX} * f.Width / 256));
          w.Set(PR_HEIGHT, FilmSaturate(int64_t{zoomY} * f.Height / 256));
        }
        w.Flag(PR_CAPTUREMASK, true);
        break;
      }
      case TFilmTrackType::Tile: {
        const auto& t = static_cast<const TTileFrameList&>(track);
        const TFilmPos pos = w.Position("PosStart", t.PosStart, t.PosEnd, t.PosModeX, t.PosModeY);
        const TFilmPos size = w.Extent(pos, w.Start("PosStart", t.PosStart), t.PosEnd, w.Start("SizeStart", t.SizeStart),
                                       t.SizeEnd, t.PosModeX, t.PosModeY);
        w.Set(PR_WIDTH, size.X);
        w.Set(PR_HEIGHT, size.Y);
        ShowPicture(target, t, t.FrameAt(int64_t{frame} - t.EffectiveStart()));
        ImageValues(w, t);
        target.SetPriority(priority);
        w.Set(PR_DISTANCEX, t.DistanceX);
        w.Set(PR_DISTANCEY, t.DistanceY);
        w.Set(PR_OFFSETX, t.Anchor.X);
        w.Set(PR_OFFSETY, t.Anchor.Y);
        const TFilmPos scroll = w.Start("ScrollStart", t.ScrollStart);
        w.Set(PR_SCROLLX, w.Int(t.ScrollModeX, scroll.X, t.ScrollEnd.X));
        w.Set(PR_SCROLLY, w.Int(t.ScrollModeY, scroll.Y, t.ScrollEnd.Y));
        break;
      }
      case TFilmTrackType::Label: {
        const auto& t = static_cast<const TLabelFrameList&>(track);
        w.Str(PR_FONTNAME, t.FontName);
        w.Set(PR_FONTHEIGHT, t.FontHeight);
        w.Set(PR_LINESPACE, t.LineSpace);
        w.Set(PR_FONTCOLOR, t.FontColor);
        w.Set(PR_FONTSTYLE, t.FontStyle);
        w.Flag(PR_ANTIALIAS, t.AntiAlias != 0);
        w.Set(PR_HALIGN, t.HAlign);
        w.Str(PR_TEXT, t.Text);
        target.SetPriority(priority);
        ImageValues(w, t);
        w.Set(PR_OFFSETX, t.Anchor.X);
        w.Set(PR_OFFSETY, t.Anchor.Y);
        w.Angle(t.AngleMode, w.Start("AngleStart", t.AngleStart), t.AngleEnd);
        break;
      }
      case TFilmTrackType::Box:
      case TFilmTrackType::Particle:
      case TFilmTrackType::Fire: {
        const auto& t = static_cast<const TRectFrameList&>(track);
        const TFilmPos posStart = w.Start("PosStart", t.PosStart);
        const TFilmPos pos = w.Position("PosStart", t.PosStart, t.PosEnd, t.PosModeX, t.PosModeY);
        w.MoveTo(pos);
        target.SetPriority(priority);
        w.Clip(t.SrcModeX, t.SrcModeY, w.Start("SrcPosStart", t.SrcPosStart), w.Start("SrcSizeStart", t.SrcSizeStart),
               t.SrcPosEnd, t.SrcSizeEnd);
        if (track.Type() == TFilmTrackType::Fire) {
          const auto& fire = static_cast<const TFireFrameList&>(track);
          const TFilmPos size = w.Start("SizeStart", t.SizeStart);
          w.Set(PR_ORIGWIDTH, w.Int(t.PosModeX, size.X, t.SizeEnd.X));
          w.Set(PR_ORIGHEIGHT, w.Int(t.PosModeY, size.Y, t.SizeEnd.Y));
          w.Zoom(fire.ZoomXMode, w.Start("ZoomXStart", fire.ZoomXStart), fire.ZoomXEnd, fire.ZoomYMode,
                 w.Start("ZoomYStart", fire.ZoomYStart), fire.ZoomYEnd);
          w.Set(PR_POWER, fire.Power);
          break;
        }
        const TFilmPos size = w.Extent(pos, posStart, t.PosEnd, w.Start("SizeStart", t.SizeStart), t.SizeEnd,
                                       t.PosModeX, t.PosModeY);
        w.Set(PR_WIDTH, size.X);
        w.Set(PR_HEIGHT, size.Y);
        w.Alpha(w.Start("AlphaStart", t.AlphaStart), t.AlphaEnd);
        if (track.Type() == TFilmTrackType::Box) {
          const auto& box = static_cast<const TBoxFrameList&>(track);
          w.Set(PR_COLOR, w.Colour(w.Start("ColorStart", box.ColorStart), box.ColorEnd));
          const int32_t border = w.Start("BorderWidthStart", box.BorderWidthStart);
          w.Set(PR_BORDERWIDTH, border == box.BorderWidthEnd ? border : w.Int(0, border, box.BorderWidthEnd));
          w.Set(PR_BORDERCOLOR, w.Colour(w.Start("BorderColorStart", box.BorderColorStart), box.BorderColorEnd));
        }
        break;
      }
      case TFilmTrackType::Wipe:
      case TFilmTrackType::Sound:
        break;
    }
  }
  target.Invalidate();
  Current_ = frame;
}

std::unique_ptr<TMotionSource> TFilmMotionLoader::LoadMotion(const std::string& file) {
  auto film = std::make_unique<TFilmManager>();
  film->ImageCache = Images_;
  try {
    TMemoryStream data;
    Files_.Load(file, data);
    data.SetPosition(0);
    film->Load(data, file);
  } catch (const EOpalError& e) {
    if (Report_) Report_(e.what());
    return nullptr;
  }
  for (const std::string& m : film->MediaErrors)
    if (Report_) Report_(m);
  return std::make_unique<TFilmMotionSource>(std::move(film));
}

}  // namespace opal
