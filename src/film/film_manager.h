// TFilmManager: a film (".ocm") or motion (".omt") in memory: the stage
// fields of its header and its tracks, in file order. Loads every version
// from 100 to 108 of both magics into current units (1/60 s frames,
// volumes around 1000) and writes any of them back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "film/film_fields.h"
#include "film/frame_lists.h"

namespace opal {

class TBrioCollection;
class TStream;
class TVrFileManager;

inline constexpr const char* kFilmMagicCinema = "OpalCinema";
inline constexpr const char* kFilmMagicMotion = "OpalMotion";

// How label tracks measure their text; the film has none unless its user
// gives one.
class TFilmTextMeasurer {
 public:
  virtual ~TFilmTextMeasurer() = default;
  // The width in pixels of one line of `label`'s text.
  virtual int32_t LineWidth(const TLabelFrameList& label, std::string_view line) = 0;
};

class TFilmManager {
 public:
  TFilmManager();
  ~TFilmManager();
  TFilmManager(const TFilmManager&) = delete;
  TFilmManager& operator=(const TFilmManager&) = delete;

  // Reads the whole file `name` through `files`, then Load.
  void LoadFromFile(TVrFileManager& files, const std::string& name);
  // Reads a film from the stream's position. Another magic leaves the film
  // empty. A version outside 100..108, a type code outside the format, a
  // count or length beyond the bytes left raise EFormatError or
  // EStreamError naming `name` and the track; the film is then empty.
  void Load(TStream& s, const std::string& name);
  // Writes the film as `version` (100..108) with `Magic`. Values the version
  // cannot hold (an odd frame count at 106 and below, a volume beyond its
  // stored range) raise EFormatError naming the track; fields the version
  // lacks are left out (FieldsLostAt tells which).
  void SaveToStream(TStream& s, int32_t version) const;
  // Frees every track; the header fields return to their initial values.
  void Clear();

  int32_t Count() const { return static_cast<int32_t>(Tracks_.size()); }
  // None outside 0..Count() - 1.
  TCustomFrameList* Track(int32_t i) const;
  TCustomFrameList& AddTrack(std::unique_ptr<TCustomFrameList> track);
  int32_t IndexOf(const TCustomFrameList* track) const;
  // The largest effective start + length over the tracks; 0 for none.
  int32_t FilmLength() const { return FilmLength_; }

  // Turns stored link indices into links (an index outside the tracks, or
  // one that would close a cycle of links, is none), then works out each
  // track's follower and effective start and the film's length. Load calls
  // it; a film built in memory calls it after its tracks are set.
  void ResolveChains();
  // A name from the film resolved against its folder: a name of at most
  // one character, or one starting with "\" or with ":" second, stays; each
  // leading "..\" climbs one folder (those beyond the folder's root are
  // dropped); any other name is prefixed with the folder.
  std::string ResolveName(std::string_view file) const;
  // The header's fields after the magic, without the track count.
  void HeaderFields(TFilmFieldVisitor& v);

  // Loaded from the header.
  std::string Magic = kFilmMagicCinema;
  int32_t Version = kFilmLastVersion;
  TFilmPos StageSize;
  int32_t BackColor = -1;
  bool Relative = false;
  TFilmPos FileOrigin;
  int32_t LoopStart = 0;
  // The film's folder: its name up to and including the last "\".
  std::string Folder;

  // Media: without SkipMediaLoad, Load makes every track load its media
  // through the image cache and the measurer. A picture that cannot be had
  // leaves its track without frames; the reason is kept in MediaErrors for
  // the film's user to report.
  bool SkipMediaLoad = false;
  TBrioCollection* ImageCache = nullptr;
  TFilmTextMeasurer* Measurer = nullptr;
  std::vector<std::string> MediaErrors;

 private:
  std::vector<std::unique_ptr<TCustomFrameList>> Tracks_;
  int32_t FilmLength_ = 0;
};

// The fields whose values writing `film` as `version` loses, one line each
// ("track 2 (image): ZoomYStart is left out: version 104 has no such field").
std::vector<std::string> FieldsLostAt(const TFilmManager& film, int32_t version);

// An int32 of a double from a file: NaN is 0, values beyond the range
// saturate, others are truncated toward zero.
int32_t FilmSaturatedTrunc(double v);
// A 64-bit result saturated into int32.
int32_t FilmSaturate(int64_t v);

}  // namespace opal
