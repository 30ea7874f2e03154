// The tracks of a film (TCustomFrameList and its eight classes) and their
// frames. Each class lists its record's fields once, in file order, as a
// walk over a TFilmFieldVisitor; loading, writing and the film text all go
// through that walk.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "film/film_fields.h"

namespace opal {

class TFilmManager;
struct TBrioItem;
struct TBrioItemFrame;

// Type codes of the tracks in a film file.
enum class TFilmTrackType : uint8_t { Image = 0, Label, Box, Wipe, Sound, Tile, Particle, Fire };
inline constexpr int32_t kFilmTrackTypes = 8;

// One frame of a track: its size, offset and duration in film frames.
struct TCustomFrame {
  int32_t Width = 0, Height = 0;
  int32_t OffsetX = 0, OffsetY = 0;
  int32_t Duration = 1;
};

// Film frames (1/60 s) of a display time in milliseconds: rounded, at least 1.
int32_t FilmFramesOfMs(int64_t ms);

class TCustomFrameList {
 public:
  explicit TCustomFrameList(TFilmManager& film) : Film_(film) {}
  virtual ~TCustomFrameList() = default;
  TCustomFrameList(const TCustomFrameList&) = delete;
  TCustomFrameList& operator=(const TCustomFrameList&) = delete;

  virtual TFilmTrackType Type() const = 0;
  // The record's fields in file order: the common record, then the class's.
  void Fields(TFilmFieldVisitor& v);
  // Conversions after the record was read at `version`.
  virtual void AfterRead(int32_t /*version*/) {}
  // Builds the frames from the track's media (see each class).
  virtual void LoadMedia() {}

  // Set by the film after loading (TFilmManager::ResolveChains): the linked
  // track (none for an index outside the film or a link that would close a
  // cycle), the first track linked to this one, and the effective start.
  TCustomFrameList* Link = nullptr;
  TCustomFrameList* Follower() const { return Follower_; }
  int32_t EffectiveStart() const { return EffectiveStart_; }
  // Whether frame `f` of the film lies in the track's range; a length
  // below 1 covers nothing.
  bool Covers(int64_t f) const { return f >= EffectiveStart_ && f < int64_t{EffectiveStart_} + TrackLength; }
  // The frame index for `t` film frames after the effective start, or -1
  // for a track without frames.
  int32_t FrameAt(int64_t t) const;
  // Every start value of the track by field name ("PosStart", ...): its own,
  // or for a chained track the linked track's end value of the same name
  // ("PosEnd") where that track has one.
  TFilmValues StartValues();
  TFilmManager& Film() const { return Film_; }

  // The link as stored: a track index, -1 for none. After ResolveChains it
  // is the index of `Link` or -1.
  int32_t LinkIndex = -1;
  int32_t TrackLength = 0;
  int32_t Reserved = 0;
  int32_t StartFrame = 0;
  int32_t Period = 0;
  int32_t TrackPriority = 0;
  uint8_t FlipH = 0, FlipV = 0;
  uint8_t OtherBase = 0;
  std::vector<TCustomFrame> Frames;

 protected:
  virtual void RecordFields(TFilmFieldVisitor& v) = 0;
  // The track's one frame of duration 1.
  void SingleFrame(int32_t width, int32_t height);

 private:
  friend class TFilmManager;
  TFilmManager& Film_;
  TCustomFrameList* Follower_ = nullptr;
  int32_t EffectiveStart_ = 0;
  size_t Index_ = 0;  // in the film, as of the last ResolveChains
};

// Image, tile and label tracks: position, angle, zoom, alpha and source
// rectangle of a picture.
class TCustomImageFrameList : public TCustomFrameList {
 public:
  using TCustomFrameList::TCustomFrameList;
  void AfterRead(int32_t version) override;

  TFilmPos Anchor, PosStart, PosEnd;
  uint8_t PosModeX = 0, PosModeY = 0;
  int32_t AngleStart = 0, AngleEnd = 0;
  double ZoomXStart = 1.0, ZoomXEnd = 1.0;
  uint8_t ZoomXMode = 0;
  int32_t AlphaStart = 0, AlphaEnd = 0;
  uint8_t AngleMode = 0;
  TFilmPos SrcPosStart, SrcSizeStart, SrcPosEnd, SrcSizeEnd;
  uint8_t SrcModeX = 0, SrcModeY = 0;
  double ZoomYStart = 1.0, ZoomYEnd = 1.0;
  uint8_t ZoomYMode = 0;

 protected:
  void ImageFields(TFilmFieldVisitor& v);
  void SourceFields(TFilmFieldVisitor& v);
};

class TImageFrameList : public TCustomImageFrameList {
 public:
  explicit TImageFrameList(TFilmManager& film) : TCustomImageFrameList(film) {}
  ~TImageFrameList() override;
  TFilmTrackType Type() const override { return TFilmTrackType::Image; }
  // Acquires the picture from the film's image cache and makes one frame
  // per picture; Period becomes the sum of their durations. Without a cache
  // the track has no frames.
  void LoadMedia() override;
  // FileName resolved against the film's folder.
  std::string ResolvedName() const;
  // The cache frame that frame `index` shows, or none. Asked at each use:
  // the cache decodes its frames again when the screen mode changes.
  const TBrioItemFrame* Picture(int32_t index) const;

  std::string FileName;

 protected:
  void RecordFields(TFilmFieldVisitor& v) override;
  void ReleaseMedia();

  TBrioItem* Item_ = nullptr;
};

class TTileFrameList : public TImageFrameList {
 public:
  using TImageFrameList::TImageFrameList;
  TFilmTrackType Type() const override { return TFilmTrackType::Tile; }
  // As an image; a size of 0 then becomes the first picture's width or height.
  void LoadMedia() override;

  TFilmPos SizeStart, SizeEnd, ScrollStart, ScrollEnd;
  uint8_t ScrollModeX = 0, ScrollModeY = 0;
  int32_t DistanceX = 0, DistanceY = 0;

 protected:
  void RecordFields(TFilmFieldVisitor& v) override;
};

class TLabelFrameList : public TCustomImageFrameList {
 public:
  explicit TLabelFrameList(TFilmManager& film);
  TFilmTrackType Type() const override { return TFilmTrackType::Label; }
  // Measures Text: the widest line, lines x FontHeight + (lines - 1) x
  // LineSpace (through the film's measurer; without one the width is 0).
  void LoadMedia() override;

  std::string Text;
  uint8_t AntiAlias = 0;
  std::string FontName;
  int32_t FontHeight = 12;
  int32_t LineSpace = 0;
  uint8_t FontStyle = 0;
  int32_t FontColor = 0xFFFFFF;
  uint8_t HAlign = 0;

 protected:
  void RecordFields(TFilmFieldVisitor& v) override;
};

// Box, particle and fire tracks: a rectangle that moves and resizes.
class TRectFrameList : public TCustomFrameList {
 public:
  using TCustomFrameList::TCustomFrameList;
  void LoadMedia() override;

  TFilmPos PosStart, PosEnd;
  uint8_t PosModeX = 0, PosModeY = 0;
  int32_t AlphaStart = 0, AlphaEnd = 0;
  TFilmPos SizeStart{100, 100}, SizeEnd{100, 100};
  TFilmPos SrcPosStart, SrcSizeStart, SrcPosEnd, SrcSizeEnd;
  uint8_t SrcModeX = 0, SrcModeY = 0;

 protected:
  void PosFields(TFilmFieldVisitor& v);
  void SizeFields(TFilmFieldVisitor& v);
  void SourceFields(TFilmFieldVisitor& v, int32_t since);
  void AlphaFields(TFilmFieldVisitor& v);
};

class TBoxFrameList : public TRectFrameList {
 public:
  explicit TBoxFrameList(TFilmManager& film);
  TFilmTrackType Type() const override { return TFilmTrackType::Box; }

  int32_t ColorStart = 0, ColorEnd = 0;
  int32_t BorderWidthStart = 0, BorderWidthEnd = 0;
  int32_t BorderColorStart = 0, BorderColorEnd = 0;

 protected:
  void RecordFields(TFilmFieldVisitor& v) override;
};

class TWipeFrameList : public TCustomFrameList {
 public:
  explicit TWipeFrameList(TFilmManager& film);
  TFilmTrackType Type() const override { return TFilmTrackType::Wipe; }
  // MaskFile as the wipe opens it: a name that starts with "\" or has ":"
  // second stays, any other is prefixed with the film's folder.
  std::string ResolvedMaskFile() const;

  uint8_t WipeKind = 1;
  std::string MaskFile;
  int32_t WipeParam0 = 0, WipeParam1 = 0;
  uint8_t WipeValue = 0;

 protected:
  void RecordFields(TFilmFieldVisitor& v) override;
};

class TSoundFrameList : public TCustomFrameList {
 public:
  explicit TSoundFrameList(TFilmManager& film);
  TFilmTrackType Type() const override { return TFilmTrackType::Sound; }
  // The one frame answers the film's picture size.
  void LoadMedia() override;
  std::string ResolvedName() const;

  std::string FileName;
  int32_t VolumeStart = 1000, VolumeEnd = 1000;
  int32_t PanStart = 0, PanEnd = 0;
  uint8_t VolumeMode = 0, PanMode = 0;

 protected:
  void RecordFields(TFilmFieldVisitor& v) override;
};

class TParticleFrameList : public TRectFrameList {
 public:
  explicit TParticleFrameList(TFilmManager& film);
  TFilmTrackType Type() const override { return TFilmTrackType::Particle; }
  std::string ResolvedName() const;

  std::string FileName;
  uint8_t MotionKind = 0;
  int32_t ParticleIndex = 0;
  int32_t IntervalStart = 100, IntervalEnd = 100;
  int32_t IntervalRangeStart = 1, IntervalRangeEnd = 1;
  int32_t EmitXStart = 0, EmitYStart = 0, EmitXEnd = 0, EmitYEnd = 0;
  int32_t EmitRangeXStart = 1, EmitRangeYStart = 1, EmitRangeXEnd = 1, EmitRangeYEnd = 1;
  uint8_t EmitModeX = 0, EmitModeY = 0;
  double Param1Start = 0, Param2Start = 0, Param3Start = 0;
  double Param1End = 0, Param2End = 0, Param3End = 0;

 protected:
  void RecordFields(TFilmFieldVisitor& v) override;
};

class TFireFrameList : public TRectFrameList {
 public:
  explicit TFireFrameList(TFilmManager& film);
  TFilmTrackType Type() const override { return TFilmTrackType::Fire; }

  double ZoomXStart = 4.0, ZoomYStart = 4.0, ZoomXEnd = 4.0, ZoomYEnd = 4.0;
  uint8_t ZoomXMode = 0, ZoomYMode = 0;
  int32_t Power = 100;

 protected:
  void RecordFields(TFilmFieldVisitor& v) override;
};

// The track of a type code, made for `film`; none for a code outside the
// format.
std::unique_ptr<TCustomFrameList> MakeFrameList(int32_t code, TFilmManager& film);
// The name of a track type in the film text ("image", "box", ...), and the
// type of such a name (-1 for none).
const char* FrameListKindName(TFilmTrackType type);
int32_t FrameListKindOf(std::string_view name);

}  // namespace opal
