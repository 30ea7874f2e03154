#include "film/film_manager.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>

#include "common/cp932.h"
#include "common/error.h"
#include "components/brio_collection.h"
#include "film/film_binary.h"
#include "film/film_text.h"
#include "storage/stream.h"
#include "storage/vr_file_manager.h"

namespace opal {

namespace {

constexpr size_t kMagicLength = 13;
constexpr size_t kMagicNameLength = 10;
// A track takes at least its type byte and its common record.
constexpr int64_t kMinTrackBytes = 1 + 6 * 4 + 3;

// Sets of tracks joined by accepted links, to refuse a link that would
// close a cycle: every set is one tree of links, so a link from a track
// (the root of its tree, since it has no link yet) to a track of its own
// set would close one.
class TLinkSets {
 public:
  explicit TLinkSets(size_t n) : Parent_(n) { std::iota(Parent_.begin(), Parent_.end(), size_t{0}); }
  size_t Find(size_t i) {
    while (Parent_[i] != i) i = Parent_[i] = Parent_[Parent_[i]];
    return i;
  }
  bool Join(size_t a, size_t b) {
    a = Find(a), b = Find(b);
    if (a == b) return false;
    Parent_[a] = b;
    return true;
  }

 private:
  std::vector<size_t> Parent_;
};

}  // namespace

int32_t FilmSaturate(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

int32_t FilmSaturatedTrunc(double v) {
  if (std::isnan(v)) return 0;
  if (v <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  if (v >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(v);
}

TFilmManager::TFilmManager() = default;
TFilmManager::~TFilmManager() { Clear(); }

void TFilmManager::Clear() {
  Tracks_.clear();
  Magic = kFilmMagicCinema;
  Version = kFilmLastVersion;
  StageSize = {};
  BackColor = -1;
  Relative = false;
  FileOrigin = {};
  LoopStart = 0;
  Folder.clear();
  FilmLength_ = 0;
}

TCustomFrameList* TFilmManager::Track(int32_t i) const {
  return i >= 0 && i < Count() ? Tracks_[static_cast<size_t>(i)].get() : nullptr;
}

TCustomFrameList& TFilmManager::AddTrack(std::unique_ptr<TCustomFrameList> track) {
  Tracks_.push_back(std::move(track));
  return *Tracks_.back();
}

int32_t TFilmManager::IndexOf(const TCustomFrameList* track) const {
  for (size_t i = 0; i < Tracks_.size(); ++i)
    if (Tracks_[i].get() == track) return static_cast<int32_t>(i);
  return -1;
}

void TFilmManager::HeaderFields(TFilmFieldVisitor& v) {
  v.Pos("StageSize", StageSize);
  v.I32("BackColor", BackColor);
  uint8_t relative = Relative ? 1 : 0;
  v.U8("Relative", relative, 102);
  Relative = relative != 0;
  v.Pos("FileOrigin", FileOrigin, 104);
  v.I32("LoopStart", LoopStart, 106, TFilmUnit::Frames);
}

void TFilmManager::LoadFromFile(TVrFileManager& files, const std::string& name) {
  TMemoryStream data;
  files.LoadToStream(data, name);
  data.SetPosition(0);
  Load(data, name);
}

void TFilmManager::Load(TStream& s, const std::string& name) {
  Clear();
  try {
    const size_t slash = cp932::LastDelimiter(name);
    Folder = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
    char magic[kMagicLength] = {};
    const int64_t got = s.Read(magic, kMagicLength);
    const std::string_view kind(magic, kMagicNameLength);
    if (got < static_cast<int64_t>(kMagicNameLength) || (kind != kFilmMagicCinema && kind != kFilmMagicMotion)) {
      const std::string folder = Folder;
      Clear();
      Folder = folder;
      return;
    }
    if (got < static_cast<int64_t>(kMagicLength)) throw EStreamError("the film's header ends early");
    const std::string digits(magic + kMagicNameLength, 3);
    if (digits.find_first_not_of("0123456789") != std::string::npos)
      throw EFormatError("film version '" + digits + "' is not a number");
    const int32_t version = std::stoi(digits);
    if (version < kFilmFirstVersion || version > kFilmLastVersion)
      throw EFormatError(Format("film version %d is not supported (%d to %d)", version, kFilmFirstVersion,
                                kFilmLastVersion));
    Magic.assign(kind);
    Version = version;
    TFilmBinaryReader reader(s, version);
    HeaderFields(reader);
    const int32_t count = ReadInt32(s);
    if (count < 0 || count > s.Remaining() / kMinTrackBytes)
      throw EFormatError(Format("track count %d beyond the bytes left", count));
    for (int32_t i = 0; i < count; ++i) {
      const int32_t code = ReadByte(s) & 0x7F;
      std::unique_ptr<TCustomFrameList> track = MakeFrameList(code, *this);
      if (!track) throw EFormatError(Format("track %d: type code %d is not a track type", i, code));
      try {
        track->Fields(reader);
        track->AfterRead(version);
      } catch (const EOpalError& e) {
        throw EFormatError(Format("track %d (%s): %s", i, FrameListKindName(track->Type()), e.what()));
      }
      AddTrack(std::move(track));
    }
  } catch (const EOpalError& e) {
    Clear();
    throw EFormatError(name + ": " + e.what());
  }
  ResolveChains();
  if (!SkipMediaLoad)
    for (auto& track : Tracks_) track->LoadMedia();
}

void TFilmManager::ResolveChains() {
  const size_t n = Tracks_.size();
  TLinkSets sets(n);
  for (size_t i = 0; i < n; ++i) Tracks_[i]->Index_ = i;
  for (size_t i = 0; i < n; ++i) {
    TCustomFrameList& t = *Tracks_[i];
    t.Link = nullptr;
    t.Follower_ = nullptr;
    const int32_t j = t.LinkIndex;
    if (j >= 0 && static_cast<size_t>(j) < n && sets.Join(i, static_cast<size_t>(j))) t.Link = Tracks_[j].get();
    t.LinkIndex = t.Link != nullptr ? j : -1;
  }
  for (size_t i = n; i-- > 0;) {
    TCustomFrameList& t = *Tracks_[i];
    if (t.Link != nullptr) t.Link->Follower_ = &t;  // the first follower in film order wins
  }
  // Effective starts: each chain is walked once from its first track.
  std::vector<char> done(n, 0);
  std::vector<TCustomFrameList*> chain;
  FilmLength_ = 0;
  for (size_t i = 0; i < n; ++i) {
    chain.clear();
    for (TCustomFrameList* t = Tracks_[i].get(); t != nullptr; t = t->Link) {
      if (done[t->Index_]) break;
      chain.push_back(t);
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      TCustomFrameList& t = **it;
      t.EffectiveStart_ = t.Link == nullptr ? t.StartFrame
                                            : FilmSaturate(int64_t{t.Link->EffectiveStart_} + t.Link->TrackLength);
      done[t.Index_] = 1;
    }
  }
  for (auto& t : Tracks_)
    FilmLength_ = std::max(FilmLength_, FilmSaturate(int64_t{t->EffectiveStart_} + t->TrackLength));
}

std::string TFilmManager::ResolveName(std::string_view file) const {
  if (file.size() <= 1 || file[0] == '\\' || file[1] == ':') return std::string(file);
  if (file.substr(0, 3) != "..\\") return Folder + std::string(file);
  std::vector<std::string> parts;
  if (!Folder.empty()) parts = cp932::SplitPath(std::string_view(Folder).substr(0, Folder.size() - 1));
  // An absolute folder keeps its root (the empty first part).
  const size_t root = !parts.empty() && parts[0].empty() ? 1 : 0;
  while (file.substr(0, 3) == "..\\") {
    file.remove_prefix(3);
    if (parts.size() > root) parts.pop_back();
  }
  std::string out;
  for (const std::string& p : parts) out += p + "\\";
  return out + std::string(file);
}

void TFilmManager::SaveToStream(TStream& s, int32_t version) const {
  if (version < kFilmFirstVersion || version > kFilmLastVersion)
    throw EFormatError(Format("film version %d is not supported (%d to %d)", version, kFilmFirstVersion,
                              kFilmLastVersion));
  TMemoryStream out;
  const std::string magic = Magic + Format("%03d", version);
  out.WriteBuffer(magic.data(), static_cast<int64_t>(magic.size()));
  TFilmBinaryWriter writer(out, version);
  try {
    const_cast<TFilmManager*>(this)->HeaderFields(writer);
  } catch (const EOpalError& e) {
    throw EFormatError(Format("header: %s", e.what()));
  }
  WriteInt32(out, Count());
  for (int32_t i = 0; i < Count(); ++i) {
    TCustomFrameList& t = *Tracks_[static_cast<size_t>(i)];
    WriteByte(out, static_cast<uint8_t>(t.Type()));
    try {
      t.Fields(writer);
    } catch (const EOpalError& e) {
      throw EFormatError(Format("track %d (%s): %s", i, FrameListKindName(t.Type()), e.what()));
    }
  }
  s.WriteBuffer(out.Memory(), out.Size());
}

std::vector<std::string> FieldsLostAt(const TFilmManager& film, int32_t version) {
  TMemoryStream bytes;
  film.SaveToStream(bytes, version);
  bytes.SetPosition(0);
  TFilmManager back;
  back.SkipMediaLoad = true;
  back.Load(bytes, "");
  const std::vector<std::string> before = cp932::SplitLines(DumpFilmText(film, kFilmLastVersion));
  const std::vector<std::string> after = cp932::SplitLines(DumpFilmText(back, kFilmLastVersion));
  std::vector<std::string> lost;
  std::string where = "header";
  int32_t track = -1;
  for (size_t i = 0; i < before.size() && i < after.size(); ++i) {
    std::string_view line = before[i];
    while (!line.empty() && line[0] == ' ') line.remove_prefix(1);
    const std::string field(line.substr(0, line.find(' ')));
    if (field == "track") {
      where = Format("track %d (%s)", ++track, std::string(line.substr(6)).c_str());
      continue;
    }
    if (before[i] != after[i])
      lost.push_back(Format("%s: %s is left out: version %d has no such field", where.c_str(), field.c_str(),
                            version));
  }
  return lost;
}

}  // namespace opal
