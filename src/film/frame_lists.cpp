#include "film/frame_lists.h"

#include <algorithm>
#include <cmath>

#include "common/cp932.h"
#include "common/error.h"
#include "components/brio_collection.h"
#include "film/film_manager.h"

namespace opal {

namespace {

constexpr double kFilmFrameMs = 16.666666666666668;

// Copies the link's end values over the start values of the same names.
class TStartOverlay : public TFilmValueCollector {
 public:
  static bool IsStart(std::string_view name) {
    return name.size() > 5 && name.substr(name.size() - 5) == "Start";
  }
  void I32(const char* n, int32_t& v, int32_t s, TFilmUnit u) override {
    if (IsStart(n)) TFilmValueCollector::I32(n, v, s, u);
  }
  void U8(const char* n, uint8_t& v, int32_t s) override {
    if (IsStart(n)) TFilmValueCollector::U8(n, v, s);
  }
  void F64(const char* n, double& v, int32_t s) override {
    if (IsStart(n)) TFilmValueCollector::F64(n, v, s);
  }
  void Pos(const char* n, TFilmPos& v, int32_t s) override {
    if (IsStart(n)) TFilmValueCollector::Pos(n, v, s);
  }
  void Str(const char* n, std::string& v, int32_t s) override {
    if (IsStart(n)) TFilmValueCollector::Str(n, v, s);
  }
};

struct TKind {
  const char* Name;
  std::unique_ptr<TCustomFrameList> (*Make)(TFilmManager&);
};

template <typename T>
std::unique_ptr<TCustomFrameList> Make(TFilmManager& film) {
  return std::make_unique<T>(film);
}

// By type code.
constexpr TKind kKinds[kFilmTrackTypes] = {
    {"image", Make<TImageFrameList>}, {"label", Make<TLabelFrameList>},
    {"box", Make<TBoxFrameList>},     {"wipe", Make<TWipeFrameList>},
    {"sound", Make<TSoundFrameList>}, {"tile", Make<TTileFrameList>},
    {"particle", Make<TParticleFrameList>}, {"fire", Make<TFireFrameList>},
};

// A wipe's mask is used unchanged when absolute, else prefixed with the folder.
bool IsAbsoluteName(std::string_view name) {
  return (!name.empty() && name[0] == '\\') || (name.size() > 1 && name[1] == ':');
}

}  // namespace

int32_t FilmFramesOfMs(int64_t ms) {
  const double frames = std::nearbyint(static_cast<double>(ms) / kFilmFrameMs);
  const int32_t n = FilmSaturatedTrunc(frames);
  return n < 1 ? 1 : n;
}

std::unique_ptr<TCustomFrameList> MakeFrameList(int32_t code, TFilmManager& film) {
  if (code < 0 || code >= kFilmTrackTypes) return nullptr;
  return kKinds[code].Make(film);
}

const char* FrameListKindName(TFilmTrackType type) { return kKinds[static_cast<int>(type)].Name; }

int32_t FrameListKindOf(std::string_view name) {
  for (int32_t i = 0; i < kFilmTrackTypes; ++i)
    if (name == kKinds[i].Name) return i;
  return -1;
}

// --- TCustomFrameList ------------------------------------------------------

void TCustomFrameList::Fields(TFilmFieldVisitor& v) {
  v.I32("Link", LinkIndex);
  v.I32("TrackLength", TrackLength, kFilmFirstVersion, TFilmUnit::Frames);
  v.I32("Reserved", Reserved);
  v.I32("StartFrame", StartFrame, kFilmFirstVersion, TFilmUnit::Frames);
  v.I32("Period", Period, kFilmFirstVersion, TFilmUnit::Frames);
  v.I32("TrackPriority", TrackPriority);
  v.U8("FlipH", FlipH);
  v.U8("FlipV", FlipV);
  v.U8("OtherBase", OtherBase);
  RecordFields(v);
}

int32_t TCustomFrameList::FrameAt(int64_t t) const {
  if (Frames.empty()) return -1;
  const int64_t period = std::max<int64_t>(1, Period);
  t %= period;
  if (t < 0) t += period;
  for (size_t i = 0; i < Frames.size(); ++i) {
    t -= Frames[i].Duration;
    if (t < 0) return static_cast<int32_t>(i);
  }
  return static_cast<int32_t>(Frames.size()) - 1;
}

TFilmValues TCustomFrameList::StartValues() {
  TStartOverlay own;
  Fields(own);
  if (Link == nullptr) return own.Values;
  TFilmValueCollector link;
  Link->Fields(link);
  for (auto& [name, value] : own.Values) {
    const auto end = link.Values.find(name.substr(0, name.size() - 5) + "End");
    if (end != link.Values.end() && end->second.index() == value.index()) value = end->second;
  }
  return own.Values;
}

void TCustomFrameList::SingleFrame(int32_t width, int32_t height) {
  Frames.assign(1, TCustomFrame{width, height, 0, 0, 1});
}

// --- image record ----------------------------------------------------------

void TCustomImageFrameList::ImageFields(TFilmFieldVisitor& v) {
  v.Pos("Anchor", Anchor);
  v.Pos("PosStart", PosStart);
  v.Pos("PosEnd", PosEnd);
  v.U8("PosModeX", PosModeX);
  v.U8("PosModeY", PosModeY);
  v.I32("AngleStart", AngleStart);
  v.I32("AngleEnd", AngleEnd);
  v.F64("ZoomXStart", ZoomXStart);
  v.F64("ZoomXEnd", ZoomXEnd);
  v.U8("ZoomXMode", ZoomXMode);
  v.I32("AlphaStart", AlphaStart);
  v.I32("AlphaEnd", AlphaEnd);
  v.U8("AngleMode", AngleMode);
  SourceFields(v);
  v.F64("ZoomYStart", ZoomYStart, 105);
  v.F64("ZoomYEnd", ZoomYEnd, 105);
  v.U8("ZoomYMode", ZoomYMode, 105);
}

void TCustomImageFrameList::SourceFields(TFilmFieldVisitor& v) {
  v.Pos("SrcPosStart", SrcPosStart, 101);
  v.Pos("SrcSizeStart", SrcSizeStart, 101);
  v.Pos("SrcPosEnd", SrcPosEnd, 101);
  v.Pos("SrcSizeEnd", SrcSizeEnd, 101);
  v.U8("SrcModeX", SrcModeX, 101);
  v.U8("SrcModeY", SrcModeY, 101);
}

void TCustomImageFrameList::AfterRead(int32_t version) {
  if (version < 105) {
    ZoomYStart = ZoomXStart;
    ZoomYEnd = ZoomXEnd;
    ZoomYMode = ZoomXMode;
  }
}

// --- image and tile ----------------------------------------------------------

TImageFrameList::~TImageFrameList() { ReleaseMedia(); }

void TImageFrameList::RecordFields(TFilmFieldVisitor& v) {
  ImageFields(v);
  v.Str("FileName", FileName);
}

std::string TImageFrameList::ResolvedName() const { return Film().ResolveName(FileName); }

const TBrioItemFrame* TImageFrameList::Picture(int32_t index) const {
  if (Item_ == nullptr || index < 0 || static_cast<size_t>(index) >= Item_->Frames.size()) return nullptr;
  return &Item_->Frames[static_cast<size_t>(index)];
}

void TImageFrameList::ReleaseMedia() {
  if (Item_ != nullptr && Film().ImageCache != nullptr) Film().ImageCache->Release(Item_, this);
  Item_ = nullptr;
}

void TImageFrameList::LoadMedia() {
  ReleaseMedia();
  Frames.clear();
  TBrioCollection* cache = Film().ImageCache;
  if (cache == nullptr) return;
  try {
    Item_ = cache->Acquire(this, ResolvedName(), false, false);
  } catch (const EOpalError& e) {
    Film().MediaErrors.push_back(ResolvedName() + ": " + e.what());
    return;
  }
  int64_t period = 0;
  for (const TBrioItemFrame& f : Item_->Frames) {
    TCustomFrame frame;
    frame.Width = f.Pixels ? f.Pixels->Width() : 0;
    frame.Height = f.Pixels ? f.Pixels->Height() : 0;
    frame.OffsetX = f.OffsetX;
    frame.OffsetY = f.OffsetY;
    frame.Duration = FilmFramesOfMs(f.DisplayTime);
    period += frame.Duration;
    Frames.push_back(frame);
  }
  Period = FilmSaturate(period);
}

void TTileFrameList::RecordFields(TFilmFieldVisitor& v) {
  TImageFrameList::RecordFields(v);
  v.Pos("SizeStart", SizeStart);
  v.Pos("SizeEnd", SizeEnd);
  v.Pos("ScrollStart", ScrollStart);
  v.Pos("ScrollEnd", ScrollEnd);
  v.U8("ScrollModeX", ScrollModeX);
  v.U8("ScrollModeY", ScrollModeY);
  v.I32("DistanceX", DistanceX);
  v.I32("DistanceY", DistanceY);
  v.Repeat(true);
  SourceFields(v);
  v.Repeat(false);
}

void TTileFrameList::LoadMedia() {
  TImageFrameList::LoadMedia();
  if (Frames.empty()) return;
  for (TFilmPos* size : {&SizeStart, &SizeEnd}) {
    if (size->X == 0) size->X = Frames[0].Width;
    if (size->Y == 0) size->Y = Frames[0].Height;
  }
}

// --- label -------------------------------------------------------------------

TLabelFrameList::TLabelFrameList(TFilmManager& film) : TCustomImageFrameList(film) {
  TrackLength = 5;
  SingleFrame(0, 0);
}

void TLabelFrameList::RecordFields(TFilmFieldVisitor& v) {
  ImageFields(v);
  v.Str("Text", Text);
  v.U8("AntiAlias", AntiAlias);
  v.Str("FontName", FontName);
  v.I32("FontHeight", FontHeight);
  v.I32("LineSpace", LineSpace, 103);
  v.Filler(103);
  v.U8("FontStyle", FontStyle);
  v.I32("FontColor", FontColor);
  v.U8("HAlign", HAlign, 103);
}

void TLabelFrameList::LoadMedia() {
  const std::vector<std::string> lines = cp932::SplitLines(Text);
  int64_t width = 0;
  if (Film().Measurer != nullptr)
    for (const std::string& line : lines) width = std::max<int64_t>(width, Film().Measurer->LineWidth(*this, line));
  const int64_t count = static_cast<int64_t>(lines.size());
  const int64_t height = count * FontHeight + std::max<int64_t>(0, count - 1) * LineSpace;
  SingleFrame(FilmSaturate(width), FilmSaturate(height));
}

// --- rectangles ----------------------------------------------------------------

void TRectFrameList::PosFields(TFilmFieldVisitor& v) {
  v.Pos("PosStart", PosStart);
  v.Pos("PosEnd", PosEnd);
  v.U8("PosModeX", PosModeX);
  v.U8("PosModeY", PosModeY);
}

void TRectFrameList::SizeFields(TFilmFieldVisitor& v) {
  v.Pos("SizeStart", SizeStart);
  v.Pos("SizeEnd", SizeEnd);
}

void TRectFrameList::SourceFields(TFilmFieldVisitor& v, int32_t since) {
  v.Pos("SrcPosStart", SrcPosStart, since);
  v.Pos("SrcSizeStart", SrcSizeStart, since);
  v.Pos("SrcPosEnd", SrcPosEnd, since);
  v.Pos("SrcSizeEnd", SrcSizeEnd, since);
  v.U8("SrcModeX", SrcModeX, since);
  v.U8("SrcModeY", SrcModeY, since);
}

void TRectFrameList::AlphaFields(TFilmFieldVisitor& v) {
  v.I32("AlphaStart", AlphaStart);
  v.I32("AlphaEnd", AlphaEnd);
}

void TRectFrameList::LoadMedia() { SingleFrame(SizeStart.X, SizeStart.Y); }

TBoxFrameList::TBoxFrameList(TFilmManager& film) : TRectFrameList(film) {
  TrackLength = 1;
  SingleFrame(SizeStart.X, SizeStart.Y);
}

void TBoxFrameList::RecordFields(TFilmFieldVisitor& v) {
  PosFields(v);
  AlphaFields(v);
  SizeFields(v);
  v.I32("ColorStart", ColorStart);
  v.I32("ColorEnd", ColorEnd);
  v.I32("BorderWidthStart", BorderWidthStart);
  v.I32("BorderWidthEnd", BorderWidthEnd);
  v.I32("BorderColorStart", BorderColorStart);
  v.I32("BorderColorEnd", BorderColorEnd);
  SourceFields(v, 101);
}

TParticleFrameList::TParticleFrameList(TFilmManager& film) : TRectFrameList(film) {
  SizeStart = SizeEnd = film.StageSize;
  SingleFrame(SizeStart.X, SizeStart.Y);
}

std::string TParticleFrameList::ResolvedName() const { return Film().ResolveName(FileName); }

void TParticleFrameList::RecordFields(TFilmFieldVisitor& v) {
  v.Str("FileName", FileName);
  v.U8("MotionKind", MotionKind);
  v.I32("ParticleIndex", ParticleIndex);
  v.I32("IntervalStart", IntervalStart);
  v.I32("IntervalEnd", IntervalEnd);
  v.I32("IntervalRangeStart", IntervalRangeStart);
  v.I32("IntervalRangeEnd", IntervalRangeEnd);
  v.I32("EmitXStart", EmitXStart);
  v.I32("EmitYStart", EmitYStart);
  v.I32("EmitXEnd", EmitXEnd);
  v.I32("EmitYEnd", EmitYEnd);
  v.I32("EmitRangeXStart", EmitRangeXStart);
  v.I32("EmitRangeYStart", EmitRangeYStart);
  v.I32("EmitRangeXEnd", EmitRangeXEnd);
  v.I32("EmitRangeYEnd", EmitRangeYEnd);
  v.U8("EmitModeX", EmitModeX);
  v.U8("EmitModeY", EmitModeY);
  v.F64("Param1Start", Param1Start);
  v.F64("Param2Start", Param2Start);
  v.F64("Param3Start", Param3Start);
  v.F64("Param1End", Param1End);
  v.F64("Param2End", Param2End);
  v.F64("Param3End", Param3End);
  PosFields(v);
  SizeFields(v);
  SourceFields(v, kFilmFirstVersion);
  AlphaFields(v);
}

TFireFrameList::TFireFrameList(TFilmManager& film) : TRectFrameList(film) {
  SizeStart = SizeEnd = {film.StageSize.X / 4, 30};
  SingleFrame(SizeStart.X, SizeStart.Y);
}

void TFireFrameList::RecordFields(TFilmFieldVisitor& v) {
  PosFields(v);
  SizeFields(v);
  SourceFields(v, kFilmFirstVersion);
  v.F64("ZoomXStart", ZoomXStart);
  v.F64("ZoomYStart", ZoomYStart);
  v.F64("ZoomXEnd", ZoomXEnd);
  v.F64("ZoomYEnd", ZoomYEnd);
  v.U8("ZoomXMode", ZoomXMode);
  v.U8("ZoomYMode", ZoomYMode);
  v.I32("Power", Power);
}

// --- wipe and sound ------------------------------------------------------------

TWipeFrameList::TWipeFrameList(TFilmManager& film) : TCustomFrameList(film) { SingleFrame(0, 0); }

void TWipeFrameList::RecordFields(TFilmFieldVisitor& v) {
  v.U8("WipeKind", WipeKind);
  v.Str("MaskFile", MaskFile, 101);
  v.I32("WipeParam0", WipeParam0, 101);
  v.I32("WipeParam1", WipeParam1, 101);
  v.U8("WipeValue", WipeValue, 101);
}

std::string TWipeFrameList::ResolvedMaskFile() const {
  if (MaskFile.empty() || IsAbsoluteName(MaskFile)) return MaskFile;
  return Film().Folder + MaskFile;
}

TSoundFrameList::TSoundFrameList(TFilmManager& film) : TCustomFrameList(film) {
  SingleFrame(film.StageSize.X, film.StageSize.Y);
}

void TSoundFrameList::RecordFields(TFilmFieldVisitor& v) {
  v.Str("FileName", FileName);
  v.I32("VolumeStart", VolumeStart, kFilmFirstVersion, TFilmUnit::Volume);
  v.I32("VolumeEnd", VolumeEnd, kFilmFirstVersion, TFilmUnit::Volume);
  v.I32("PanStart", PanStart);
  v.I32("PanEnd", PanEnd);
  v.U8("VolumeMode", VolumeMode);
  v.U8("PanMode", PanMode);
}

void TSoundFrameList::LoadMedia() { SingleFrame(Film().StageSize.X, Film().StageSize.Y); }

std::string TSoundFrameList::ResolvedName() const { return Film().ResolveName(FileName); }

}  // namespace opal
