#include "db/db_table.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>

#include "common/cp932.h"
#include "expr/convert.h"
#include "storage/stream.h"

namespace opal {

int32_t DBRoundToInt(Extended x) {
  if (std::isnan(x)) return 0;
  if (x >= 2147483647.0L) return std::numeric_limits<int32_t>::max();
  if (x <= -2147483648.0L) return std::numeric_limits<int32_t>::min();
  // Explicit ties-to-even, independent of the floating-point rounding mode;
  // x - floor(x) is exact in this range.
  Extended f = std::floor(x);
  const Extended frac = x - f;
  if (frac > 0.5L || (frac == 0.5L && std::fmod(f, 2.0L) != 0)) f += 1;
  return static_cast<int32_t>(f);
}

namespace {

// --- one cell in its own type ---

int32_t LoadInt(const uint8_t* p) { return static_cast<int32_t>(LoadLE32(p)); }
Extended LoadFloat(const uint8_t* p) { return DecodeExtended(p); }
bool LoadBool(const uint8_t* p) { return p[0] != 0; }
// The text of a string cell: its bytes up to the zero byte (all of them
// when a loaded record holds none).
std::string_view TextView(const TDBField& f, const uint8_t* p) {
  const void* zero = std::memchr(p, 0, static_cast<size_t>(f.Size));
  const size_t n = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p) : static_cast<size_t>(f.Size);
  return std::string_view(reinterpret_cast<const char*>(p), n);
}
std::string LoadText(const TDBField& f, const uint8_t* p) { return std::string(TextView(f, p)); }

void StoreInt(uint8_t* p, int32_t v) { StoreLE32(p, static_cast<uint32_t>(v)); }
void StoreFloat(uint8_t* p, Extended v) {
  const std::array<uint8_t, 10> b = EncodeExtended(v);
  std::memcpy(p, b.data(), b.size());
}
void StoreBool(uint8_t* p, bool v) { p[0] = v ? 1 : 0; }
// At most Size - 1 bytes, then zeros to the end of the field.
void StoreText(const TDBField& f, uint8_t* p, std::string_view v) {
  const size_t n = std::min(v.size(), static_cast<size_t>(f.Size - 1));
  std::memcpy(p, v.data(), n);
  std::memset(p + n, 0, static_cast<size_t>(f.Size) - n);
}

// --- a cell read as each type ---

int32_t CellInt(const TDBField& f, const uint8_t* p) {
  switch (f.Type) {
    case kDBInteger: return LoadInt(p);
    case kDBFloat: return DBRoundToInt(LoadFloat(p));
    case kDBBoolean: return LoadBool(p) ? 1 : 0;
    default: return conv::ParseInt(LoadText(f, p)).value_or(0);
  }
}

Extended CellFloat(const TDBField& f, const uint8_t* p) {
  switch (f.Type) {
    case kDBInteger: return LoadInt(p);
    case kDBFloat: return LoadFloat(p);
    case kDBBoolean: return LoadBool(p) ? 1.0L : 0.0L;
    default: return conv::ParseFloat(LoadText(f, p)).value_or(0.0L);
  }
}

bool CellBool(const TDBField& f, const uint8_t* p) {
  switch (f.Type) {
    case kDBInteger: return LoadInt(p) != 0;
    case kDBFloat: return LoadFloat(p) != 0;
    case kDBBoolean: return LoadBool(p);
    default: return LoadText(f, p) == "TRUE";
  }
}

std::string CellStr(const TDBField& f, const uint8_t* p) {
  switch (f.Type) {
    case kDBInteger: return conv::IntToStr(LoadInt(p));
    case kDBFloat: return conv::FloatToStr(LoadFloat(p));
    case kDBBoolean: return conv::FlagToStr(LoadBool(p));
    default: return LoadText(f, p);
  }
}

// --- a value of each type written into a cell ---

void PutInt(const TDBField& f, uint8_t* p, int32_t v) {
  switch (f.Type) {
    case kDBInteger: StoreInt(p, v); break;
    case kDBFloat: StoreFloat(p, v); break;
    case kDBBoolean: StoreBool(p, v != 0); break;
    default: StoreText(f, p, conv::IntToStr(v)); break;
  }
}

void PutFloat(const TDBField& f, uint8_t* p, Extended v) {
  switch (f.Type) {
    case kDBInteger: StoreInt(p, DBRoundToInt(v)); break;
    case kDBFloat: StoreFloat(p, v); break;
    case kDBBoolean: StoreBool(p, v != 0); break;
    default: StoreText(f, p, conv::FloatToStr(v)); break;
  }
}

void PutBool(const TDBField& f, uint8_t* p, bool v) {
  switch (f.Type) {
    case kDBInteger: StoreInt(p, v ? 1 : 0); break;
    case kDBFloat: StoreFloat(p, v ? 1.0L : 0.0L); break;
    case kDBBoolean: StoreBool(p, v); break;
    default: StoreText(f, p, conv::FlagToStr(v)); break;
  }
}

void PutStr(const TDBField& f, uint8_t* p, std::string_view v) {
  switch (f.Type) {
    case kDBInteger: StoreInt(p, conv::ParseInt(v).value_or(0)); break;
    case kDBFloat: StoreFloat(p, conv::ParseFloat(v).value_or(0.0L)); break;
    case kDBBoolean: StoreBool(p, v == "TRUE"); break;
    default: StoreText(f, p, v); break;
  }
}

// Whether the string value `v` matches the cell text `text` under the
// search's flags.
bool TextMatches(std::string_view text, const std::string& v, bool partial, bool ignoreCase) {
  if (partial) {
    if (v.empty()) return false;
    if (ignoreCase) return cp932::UpperAscii(text).find(cp932::UpperAscii(v)) != std::string::npos;
    return text.find(v) != std::string_view::npos;
  }
  return ignoreCase ? cp932::SameText(text, v) : text == v;
}

bool CellMatches(const TDBField& f, const uint8_t* p, const TDBValue& v, bool partial, bool ignoreCase) {
  switch (v.index()) {
    case 1: return CellInt(f, p) == std::get<int32_t>(v);
    case 2: return CellFloat(f, p) == std::get<Extended>(v);
    case 3: return CellBool(f, p) == std::get<bool>(v);
    case 4: {
      const std::string& want = std::get<std::string>(v);
      if (f.Type == kDBString) return TextMatches(TextView(f, p), want, partial, ignoreCase);
      return TextMatches(CellStr(f, p), want, partial, ignoreCase);
    }
    default: return true;
  }
}

}  // namespace

// --- by name, on the current record ---

bool TDBCustomTable::GetIntByName(std::string_view field, int32_t& v) const { return GetInt(RecNo(), FieldIndex(field), v); }
bool TDBCustomTable::SetIntByName(std::string_view field, int32_t v) { return SetInt(RecNo(), FieldIndex(field), v); }
bool TDBCustomTable::GetFloatByName(std::string_view field, Extended& v) const {
  return GetFloat(RecNo(), FieldIndex(field), v);
}
bool TDBCustomTable::SetFloatByName(std::string_view field, Extended v) { return SetFloat(RecNo(), FieldIndex(field), v); }
bool TDBCustomTable::GetBoolByName(std::string_view field, bool& v) const { return GetBool(RecNo(), FieldIndex(field), v); }
bool TDBCustomTable::SetBoolByName(std::string_view field, bool v) { return SetBool(RecNo(), FieldIndex(field), v); }
bool TDBCustomTable::GetStrByName(std::string_view field, std::string& v) const {
  return GetStr(RecNo(), FieldIndex(field), v);
}
bool TDBCustomTable::SetStrByName(std::string_view field, std::string_view v) {
  return SetStr(RecNo(), FieldIndex(field), v);
}

// --- records ---

uint8_t* TDBTable::CurrentRecord() { return RecordAt(RecNo_); }

uint8_t* TDBTable::RecordAt(int32_t i) {
  return i >= 0 && i < RecordCount() ? Records_[static_cast<size_t>(i)].data() : nullptr;
}

const uint8_t* TDBTable::RecordAt(int32_t i) const {
  return i >= 0 && i < RecordCount() ? Records_[static_cast<size_t>(i)].data() : nullptr;
}

void TDBTable::FieldAdded(uint8_t, int32_t size) {
  for (auto& r : Records_) r.resize(r.size() + static_cast<size_t>(size), 0);
}

void TDBTable::FieldRemoved(int32_t index) {
  if (index < 0 || index >= Fields.Count()) return;
  const auto at = static_cast<ptrdiff_t>(Fields.Offset(index));
  const auto size = static_cast<ptrdiff_t>(Fields[index].Size);
  for (auto& r : Records_) r.erase(r.begin() + at, r.begin() + at + size);
}

bool TDBTable::Append() {
  if (RecordCount() >= kDBMaxRecords) return false;
  Records_.emplace_back(static_cast<size_t>(Fields.RecordSize()), 0);
  RecNo_ = RecordCount() - 1;
  return true;
}

bool TDBTable::Delete() {
  if (RecNo_ < 0) return false;
  Records_.erase(Records_.begin() + RecNo_);
  if (RecNo_ >= RecordCount()) RecNo_ = RecordCount() - 1;
  return true;
}

bool TDBTable::First() { return RecordCount() > 0 && SetRecNo(0); }
bool TDBTable::Last() { return RecordCount() > 0 && SetRecNo(RecordCount() - 1); }

bool TDBTable::Next() {
  if (RecNo_ < 0 || RecNo_ >= RecordCount() - 1) return false;
  ++RecNo_;
  return true;
}

bool TDBTable::Prior() {
  if (RecNo_ <= 0) return false;
  --RecNo_;
  return true;
}

bool TDBTable::SetRecNo(int32_t n) {
  if (n >= RecordCount()) return false;
  RecNo_ = n < 0 ? -1 : n;
  return true;
}

void TDBTable::Clear() {
  Records_.clear();
  Fields.Clear();
  RecNo_ = -1;
}

void TDBTable::ClearRecords() {
  Records_.clear();
  RecNo_ = -1;
}

// --- cells ---

const uint8_t* TDBTable::Cell(int32_t rec, int32_t field) const {
  if (field < 0 || field >= Fields.Count()) return nullptr;
  const uint8_t* r = RecordAt(rec);
  return r ? r + Fields.Offset(field) : nullptr;
}

uint8_t* TDBTable::Cell(int32_t rec, int32_t field) {
  return const_cast<uint8_t*>(static_cast<const TDBTable*>(this)->Cell(rec, field));
}

bool TDBTable::GetInt(int32_t rec, int32_t field, int32_t& v) const {
  const uint8_t* p = Cell(rec, field);
  if (p) v = CellInt(Fields[field], p);
  return p != nullptr;
}

bool TDBTable::SetInt(int32_t rec, int32_t field, int32_t v) {
  uint8_t* p = Cell(rec, field);
  if (p) PutInt(Fields[field], p, v);
  return p != nullptr;
}

bool TDBTable::GetFloat(int32_t rec, int32_t field, Extended& v) const {
  const uint8_t* p = Cell(rec, field);
  if (p) v = CellFloat(Fields[field], p);
  return p != nullptr;
}

bool TDBTable::SetFloat(int32_t rec, int32_t field, Extended v) {
  uint8_t* p = Cell(rec, field);
  if (p) PutFloat(Fields[field], p, v);
  return p != nullptr;
}

bool TDBTable::GetBool(int32_t rec, int32_t field, bool& v) const {
  const uint8_t* p = Cell(rec, field);
  if (p) v = CellBool(Fields[field], p);
  return p != nullptr;
}

bool TDBTable::SetBool(int32_t rec, int32_t field, bool v) {
  uint8_t* p = Cell(rec, field);
  if (p) PutBool(Fields[field], p, v);
  return p != nullptr;
}

bool TDBTable::GetStr(int32_t rec, int32_t field, std::string& v) const {
  const uint8_t* p = Cell(rec, field);
  if (p) v = CellStr(Fields[field], p);
  return p != nullptr;
}

bool TDBTable::SetStr(int32_t rec, int32_t field, std::string_view v) {
  uint8_t* p = Cell(rec, field);
  if (p) PutStr(Fields[field], p, v);
  return p != nullptr;
}

// --- search and order ---

void TDBTable::Filter(std::vector<int32_t>& result, std::span<const std::string> fields, bool partial, bool ignoreCase,
                      std::span<const TDBValue> values) const {
  const size_t n = std::min(fields.size(), values.size());
  if (n == 0) {
    for (int32_t i = 0; i < RecordCount(); ++i) result.push_back(i);
    return;
  }
  std::vector<int32_t> index(n);
  for (size_t k = 0; k < n; ++k) {
    index[k] = Fields.IndexOf(fields[k]);
    if (index[k] < 0) return;
  }
  for (int32_t r = 0; r < RecordCount(); ++r) {
    const uint8_t* block = Records_[static_cast<size_t>(r)].data();
    bool all = true;
    for (size_t k = 0; k < n && all; ++k) {
      all = CellMatches(Fields[index[k]], block + Fields.Offset(index[k]), values[k], partial, ignoreCase);
    }
    if (all) result.push_back(r);
  }
}

namespace {

// One sort key with its cells read once: numbers for integer, float and
// boolean fields, text views into the blocks for string fields.
struct TSortKey {
  bool IsText = false;
  bool Descending = false;
  std::vector<Extended> Numbers;
  std::vector<std::string_view> Texts;

  // <0, 0, >0 in ascending order; NaN sorts before every number.
  int Compare(size_t a, size_t b) const {
    if (IsText) {
      const int c = Texts[a].compare(Texts[b]);
      return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    const Extended x = Numbers[a], y = Numbers[b];
    const bool nx = std::isnan(x), ny = std::isnan(y);
    if (nx || ny) return nx == ny ? 0 : (nx ? -1 : 1);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
};

}  // namespace

void TDBTable::Sort(std::span<const std::string> fields, const std::vector<bool>& descending) {
  const size_t n = std::min(fields.size(), descending.size());
  std::vector<TSortKey> keys;
  const size_t count = Records_.size();
  for (size_t k = 0; k < n; ++k) {
    const int32_t fi = Fields.IndexOf(fields[k]);
    if (fi < 0) continue;
    const TDBField& f = Fields[fi];
    const size_t at = static_cast<size_t>(Fields.Offset(fi));
    TSortKey key;
    key.Descending = descending[k];
    key.IsText = f.Type == kDBString;
    for (const auto& r : Records_) {
      const uint8_t* p = r.data() + at;
      if (key.IsText) {
        key.Texts.push_back(TextView(f, p));
      } else {
        key.Numbers.push_back(CellFloat(f, p));
      }
    }
    keys.push_back(std::move(key));
  }
  if (keys.empty() || count < 2) return;
  std::vector<size_t> order(count);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&keys](size_t a, size_t b) {
    for (const TSortKey& key : keys) {
      const int c = key.Compare(a, b);
      if (c != 0) return key.Descending ? c > 0 : c < 0;
    }
    return false;
  });
  std::vector<std::vector<uint8_t>> sorted;
  sorted.reserve(count);
  for (size_t i : order) sorted.push_back(std::move(Records_[i]));
  Records_ = std::move(sorted);
}

}  // namespace opal
