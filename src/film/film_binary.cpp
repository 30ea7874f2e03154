#include "film/film_binary.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <cstring>

#include "common/error.h"
#include "film/film_manager.h"
#include "storage/stream.h"

namespace opal {

void TFilmBinaryReader::I32(const char*, int32_t& v, int32_t since, TFilmUnit unit) {
  if (Version_ < since) return;
  const int32_t stored = ReadInt32(S_);
  // Doubled counts saturate to even values, so that they can be written
  // back at the same version.
  if (unit == TFilmUnit::Frames && Version_ <= kFilmLastHalfFrameVersion)
    v = std::min(FilmSaturate(int64_t{stored} * 2), std::numeric_limits<int32_t>::max() - 1);
  else if (unit == TFilmUnit::Volume && Version_ <= kFilmLastOldVolumeVersion) v = stored / 10 + 1000;
  else v = stored;
}

void TFilmBinaryReader::U8(const char*, uint8_t& v, int32_t since) {
  if (Version_ >= since) v = ReadByte(S_);
}

void TFilmBinaryReader::F64(const char*, double& v, int32_t since) {
  if (Version_ >= since) v = std::bit_cast<double>(static_cast<uint64_t>(ReadInt64(S_)));
}

void TFilmBinaryReader::Pos(const char*, TFilmPos& v, int32_t since) {
  if (Version_ < since) return;
  v.X = ReadInt32(S_);
  v.Y = ReadInt32(S_);
}

void TFilmBinaryReader::Str(const char*, std::string& v, int32_t since) {
  if (Version_ >= since) v = ReadString(S_);
}

void TFilmBinaryReader::Filler(int32_t until) {
  if (Version_ < until) ReadInt32(S_);
}

void TFilmBinaryWriter::I32(const char* name, int32_t& v, int32_t since, TFilmUnit unit) {
  if (Version_ < since) return;
  int64_t stored = v;
  if (unit == TFilmUnit::Frames && Version_ <= kFilmLastHalfFrameVersion) {
    if (v % 2 != 0)
      throw EFormatError(Format("%s %d: version %d counts frames of 1/30 s and holds only even counts", name, v,
                                Version_));
    stored = v / 2;
  } else if (unit == TFilmUnit::Volume && Version_ <= kFilmLastOldVolumeVersion) {
    stored = (int64_t{v} - 1000) * 10;
    if (stored != static_cast<int32_t>(stored))
      throw EFormatError(Format("%s %d: beyond what version %d holds", name, v, Version_));
  }
  WriteInt32(S_, static_cast<int32_t>(stored));
}

void TFilmBinaryWriter::U8(const char*, uint8_t& v, int32_t since) {
  if (Version_ >= since) WriteByte(S_, v);
}

void TFilmBinaryWriter::F64(const char*, double& v, int32_t since) {
  if (Version_ >= since) WriteInt64(S_, static_cast<int64_t>(std::bit_cast<uint64_t>(v)));
}

void TFilmBinaryWriter::Pos(const char*, TFilmPos& v, int32_t since) {
  if (Version_ < since) return;
  WriteInt32(S_, v.X);
  WriteInt32(S_, v.Y);
}

void TFilmBinaryWriter::Str(const char*, std::string& v, int32_t since) {
  if (Version_ >= since) WriteString(S_, v);
}

void TFilmBinaryWriter::Filler(int32_t until) {
  if (Version_ < until) WriteInt32(S_, 0);
}

}  // namespace opal
