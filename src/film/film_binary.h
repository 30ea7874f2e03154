// The film's binary records: the field walk read from and written to a
// stream at one version, with the version's units.
#pragma once

#include "film/film_fields.h"

namespace opal {

class TStream;

class TFilmBinaryReader : public TFilmFieldVisitor {
 public:
  TFilmBinaryReader(TStream& s, int32_t version) : S_(s), Version_(version) {}
  void I32(const char* name, int32_t& v, int32_t since, TFilmUnit unit) override;
  void U8(const char* name, uint8_t& v, int32_t since) override;
  void F64(const char* name, double& v, int32_t since) override;
  void Pos(const char* name, TFilmPos& v, int32_t since) override;
  void Str(const char* name, std::string& v, int32_t since) override;
  void Filler(int32_t until) override;

 private:
  TStream& S_;
  int32_t Version_;
};

// Throws EFormatError naming the field for a value the version cannot hold.
class TFilmBinaryWriter : public TFilmFieldVisitor {
 public:
  TFilmBinaryWriter(TStream& s, int32_t version) : S_(s), Version_(version) {}
  void I32(const char* name, int32_t& v, int32_t since, TFilmUnit unit) override;
  void U8(const char* name, uint8_t& v, int32_t since) override;
  void F64(const char* name, double& v, int32_t since) override;
  void Pos(const char* name, TFilmPos& v, int32_t since) override;
  void Str(const char* name, std::string& v, int32_t since) override;
  void Filler(int32_t until) override;

 private:
  TStream& S_;
  int32_t Version_;
};

// The last versions that store frames in 1/30 s and volumes in the old scale.
inline constexpr int32_t kFilmLastHalfFrameVersion = 106;
inline constexpr int32_t kFilmLastOldVolumeVersion = 107;

}  // namespace opal
