#include "film/film_text.h"

#include <charconv>
#include <cstring>

#include "common/cp932.h"
#include "common/error.h"
#include "film/film_manager.h"
#include "storage/stream.h"

namespace opal {

namespace {

bool EscapedAfterBackslash(char c) { return c == '"' || c == '\\' || c == '{'; }

std::string Quote(const std::string& cp932) {
  bool lossless = true;
  const std::string utf8 = cp932::ToUtf8(cp932);
  const bool raw = cp932::FromUtf8(utf8, &lossless) != cp932 || !lossless;
  const std::string& s = raw ? cp932 : utf8;
  std::string out = "\"";
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == '"') out += "\\\"";
    else if (c == '\\') out += (i + 1 == s.size() || EscapedAfterBackslash(s[i + 1])) ? "\\\\" : "\\";
    else if (c < 0x20 || c == 0x7F || (raw && c >= 0x80)) out += Format("\\{%02X}", c);
    else out += static_cast<char>(c);
  }
  return out + "\"";
}

std::string Number(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

class TTextDumper : public TFilmFieldVisitor {
 public:
  TTextDumper(std::string& out, int32_t version, const char* indent) : Out_(out), Version_(version), Indent_(indent) {}
  void I32(const char* name, int32_t& v, int32_t since, TFilmUnit) override {
    Line(name, since, std::to_string(v));
  }
  void U8(const char* name, uint8_t& v, int32_t since) override { Line(name, since, std::to_string(v)); }
  void F64(const char* name, double& v, int32_t since) override { Line(name, since, Number(v)); }
  void Pos(const char* name, TFilmPos& v, int32_t since) override {
    Line(name, since, std::to_string(v.X) + " " + std::to_string(v.Y));
  }
  void Str(const char* name, std::string& v, int32_t since) override { Line(name, since, Quote(v)); }
  void Filler(int32_t) override {}
  void Repeat(bool on) override { Repeating_ = on; }

 private:
  void Line(const char* name, int32_t since, const std::string& value) {
    if (Version_ < since || Repeating_) return;
    Out_ += Indent_;
    Out_ += name;
    Out_ += ' ';
    Out_ += value;
    Out_ += '\n';
  }
  std::string& Out_;
  int32_t Version_;
  const char* Indent_;
  bool Repeating_ = false;
};

// Sets the field of one name from its text.
class TTextAssigner : public TFilmFieldVisitor {
 public:
  TTextAssigner(std::string_view name, std::string_view value) : Name_(name), Value_(value) {}
  void I32(const char* name, int32_t& v, int32_t, TFilmUnit) override {
    if (Mine(name)) v = Int(Value_, INT32_MIN, INT32_MAX);
  }
  void U8(const char* name, uint8_t& v, int32_t) override {
    if (Mine(name)) v = static_cast<uint8_t>(Int(Value_, 0, 255));
  }
  void F64(const char* name, double& v, int32_t) override {
    if (!Mine(name)) return;
    const char* end = Value_.data() + Value_.size();
    const auto r = std::from_chars(Value_.data(), end, v);
    if (r.ec != std::errc() || r.ptr != end) throw EFormatError("'" + std::string(Value_) + "' is not a number");
  }
  void Pos(const char* name, TFilmPos& v, int32_t) override {
    if (!Mine(name)) return;
    const size_t space = Value_.find(' ');
    if (space == std::string_view::npos) throw EFormatError("expected two numbers, got '" + std::string(Value_) + "'");
    std::string_view second = Value_.substr(space + 1);
    while (!second.empty() && second[0] == ' ') second.remove_prefix(1);
    v.X = Int(Value_.substr(0, space), INT32_MIN, INT32_MAX);
    v.Y = Int(second, INT32_MIN, INT32_MAX);
  }
  void Str(const char* name, std::string& v, int32_t) override {
    if (Mine(name)) v = Unquote(Value_);
  }
  void Filler(int32_t) override {}

  bool Found = false;

  // Decimal, or 0x hexadecimal (a 32-bit pattern: 0xFFFFFFFF is -1).
  static int32_t Int(std::string_view text, int64_t low, int64_t high) {
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && digits[0] == '-') negative = true, digits.remove_prefix(1);
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) base = 16, digits.remove_prefix(2);
    uint64_t magnitude = 0;
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
    if (digits.empty() || r.ec != std::errc() || r.ptr != digits.data() + digits.size() || magnitude > UINT32_MAX)
      throw EFormatError("'" + std::string(text) + "' is not a number");
    int64_t v = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    if (base == 16 && !negative && high == INT32_MAX) v = static_cast<int32_t>(static_cast<uint32_t>(v));
    if (v < low || v > high)
      throw EFormatError(Format("%s is not within %lld to %lld", std::string(text).c_str(), static_cast<long long>(low),
                                static_cast<long long>(high)));
    return static_cast<int32_t>(v);
  }

  static std::string Unquote(std::string_view text) {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"')
      throw EFormatError("expected a quoted string, got " + std::string(text));
    text = text.substr(1, text.size() - 2);
    std::string out, chunk;
    auto flush = [&] {
      bool lossless = true;
      out += cp932::FromUtf8(chunk, &lossless);
      if (!lossless) throw EFormatError("characters without a form in code page 932");
      chunk.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '"') throw EFormatError("a quote inside a string is written \\\"");
      if (c != '\\' || i + 1 == text.size()) {
        chunk += c;
        continue;
      }
      const char e = text[i + 1];
      if (e == '{') {
        const size_t close = text.find('}', i + 2);
        uint32_t byte = 0;
        const char* first = text.data() + i + 2;
        const auto r = std::from_chars(first, text.data() + (close == std::string_view::npos ? i + 2 : close), byte, 16);
        if (close == std::string_view::npos || close != i + 4 || r.ptr != text.data() + close)
          throw EFormatError("\\{ takes two hexadecimal digits and }");
        flush();
        out += static_cast<char>(byte);
        i = close;
        continue;
      }
      if (e != '"' && e != '\\') {
        chunk += c;
        continue;
      }
      chunk += e;
      ++i;
    }
    flush();
    return out;
  }

 private:
  bool Mine(const char* name) {
    if (Name_ != name) return false;
    Found = true;
    return true;
  }
  std::string_view Name_, Value_;
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string DumpFilmText(const TFilmManager& film, int32_t version) {
  TFilmManager& f = const_cast<TFilmManager&>(film);  // the walk only reads
  std::string out = f.Magic + " " + std::to_string(version) + "\n";
  TTextDumper header(out, version, "");
  f.HeaderFields(header);
  for (int32_t i = 0; i < f.Count(); ++i) {
    TCustomFrameList& t = *f.Track(i);
    out += std::string("track ") + FrameListKindName(t.Type()) + "\n";
    TTextDumper fields(out, version, "  ");
    t.Fields(fields);
  }
  return out;
}

void ReadFilmText(std::string_view text, TFilmManager& film) {
  film.Clear();
  int32_t number = 0;
  bool header = false;
  TCustomFrameList* track = nullptr;
  try {
    size_t pos = 0;
    while (pos <= text.size()) {
      const size_t end = std::min(text.find('\n', pos), text.size());
      const std::string_view line = Trim(text.substr(pos, end - pos));
      pos = end + 1;
      ++number;
      if (line.empty() || line[0] == '#') continue;
      const size_t space = line.find_first_of(" \t");
      const std::string name(line.substr(0, space));
      const std::string_view value = space == std::string_view::npos ? std::string_view() : Trim(line.substr(space));
      if (!header) {
        if (name != kFilmMagicCinema && name != kFilmMagicMotion)
          throw EFormatError("the first line is the magic (OpalCinema or OpalMotion) and the version");
        film.Magic = name;
        film.Version = TTextAssigner::Int(value, kFilmFirstVersion, kFilmLastVersion);
        header = true;
        continue;
      }
      if (name == "track") {
        const int32_t kind = FrameListKindOf(value);
        if (kind < 0) throw EFormatError("'" + std::string(value) + "' is not a track kind");
        track = &film.AddTrack(MakeFrameList(kind, film));
        continue;
      }
      TTextAssigner assign(name, value);
      if (track != nullptr) track->Fields(assign);
      else film.HeaderFields(assign);
      if (!assign.Found)
        throw EFormatError(Format("%s has no field %s", track != nullptr ? FrameListKindName(track->Type()) : "the header",
                                  name.c_str()));
    }
    if (!header) throw EFormatError("the text is empty: the first line is the magic and the version");
  } catch (const EOpalError& e) {
    film.Clear();
    throw EFormatError(Format("line %d: %s", number, e.what()));
  }
  // Fields the text's version lacks take the values its reader gives them.
  for (int32_t i = 0; i < film.Count(); ++i) film.Track(i)->AfterRead(film.Version);
  film.ResolveChains();
}

}  // namespace opal

namespace opal {

std::vector<uint8_t> FilmBytesOfText(std::string_view text, int32_t version, std::vector<std::string>* lost) {
  TFilmManager film;
  film.SkipMediaLoad = true;
  ReadFilmText(text, film);
  if (version == 0) version = film.Version;
  TMemoryStream out;
  film.SaveToStream(out, version);
  if (lost != nullptr) *lost = FieldsLostAt(film, version);
  return out.Bytes();
}

}  // namespace opal
