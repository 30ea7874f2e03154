#include "expr/params.h"

#include <algorithm>
#include <type_traits>

#include "common/cp932.h"
#include "common/diagnostics.h"
#include "common/error.h"
#include "expr/convert.h"
#include "expr/messages.h"
#include "expr/param_collection.h"
#include "storage/stream.h"

namespace opal {

namespace {

// How far one access may travel along references before it is refused.
constexpr int kMaxRefDepth = 32;
thread_local int refDepth = 0;

class TRefGuard {
 public:
  TRefGuard() {
    if (++refDepth > kMaxRefDepth) {
      --refDepth;
      throw EOpalError("reference chain too deep");
    }
  }
  ~TRefGuard() { --refDepth; }
  TRefGuard(const TRefGuard&) = delete;
  TRefGuard& operator=(const TRefGuard&) = delete;
};

template <typename T>
T FromInt(int32_t v) {
  if constexpr (std::is_same_v<T, int32_t>) return v;
  else if constexpr (std::is_same_v<T, Extended>) return static_cast<Extended>(v);
  else if constexpr (std::is_same_v<T, uint8_t>) return v != 0 ? 1 : 0;
  else return conv::IntToStr(v);
}

template <typename T>
T FromFloat(Extended x) {
  if constexpr (std::is_same_v<T, int32_t>) return conv::FloatToInt(x);
  else if constexpr (std::is_same_v<T, Extended>) return x;
  else if constexpr (std::is_same_v<T, uint8_t>) return x != 0 ? 1 : 0;
  else return conv::FloatToStr(x);
}

template <typename T>
T FromFlag(bool b) {
  if constexpr (std::is_same_v<T, int32_t>) return b ? 1 : 0;
  else if constexpr (std::is_same_v<T, Extended>) return b ? 1.0L : 0.0L;
  else if constexpr (std::is_same_v<T, uint8_t>) return b ? 1 : 0;
  else return conv::FlagToStr(b);
}

template <typename T>
T FromStr(std::string_view s) {
  if constexpr (std::is_same_v<T, int32_t>) return conv::ParseInt(s).value_or(0);
  else if constexpr (std::is_same_v<T, Extended>) return conv::ParseFloat(s).value_or(0.0L);
  else if constexpr (std::is_same_v<T, uint8_t>) return s == "TRUE" ? 1 : 0;
  else return std::string(s);
}

// Bytes one element takes at least in the stream form.
template <typename T>
constexpr int64_t MinElementBytes() {
  if constexpr (std::is_same_v<T, Extended>) return 10;
  else if constexpr (std::is_same_v<T, uint8_t>) return 1;
  else return 4;
}

template <typename T>
void WriteElement(TStream& s, const T& v) {
  if constexpr (std::is_same_v<T, int32_t>) WriteInt32(s, v);
  else if constexpr (std::is_same_v<T, Extended>) WriteExtended(s, v);
  else if constexpr (std::is_same_v<T, uint8_t>) WriteByte(s, v);
  else WriteString(s, v);
}

template <typename T>
T ReadElement(TStream& s) {
  if constexpr (std::is_same_v<T, int32_t>) return ReadInt32(s);
  else if constexpr (std::is_same_v<T, Extended>) return ReadExtended(s);
  else if constexpr (std::is_same_v<T, uint8_t>) return ReadByte(s) != 0 ? 1 : 0;
  else return ReadString(s);
}

// Product of the sizes, or -1 when one is below 1 or it passes kMaxElements.
int64_t ElementProduct(std::span<const int32_t> sizes) {
  int64_t product = 1;
  for (int32_t d : sizes) {
    if (d < 1) return -1;
    product *= d;
    if (product > kMaxElements) return -1;
  }
  return product;
}

// The value a reference finally stands for (itself when it is none).
const TCustomParam& Unwrap(const TCustomParam& v) {
  const TCustomParam* p = &v;
  for (int depth = 0; const TParamVar* r = p->AsVarRef(); ++depth) {
    if (r->Target() == nullptr) break;
    if (depth >= kMaxRefDepth) throw EOpalError("reference chain too deep");
    p = r->Target()->Value.get();
  }
  return *p;
}

}  // namespace

std::string JoinSizes(std::span<const int32_t> sizes) {
  std::string out;
  for (size_t i = 0; i < sizes.size(); ++i) {
    if (i) out += ',';
    out += conv::IntToStr(sizes[i]);
  }
  return out;
}

// --- TCustomParam ---

int32_t TCustomParam::DimCount() const { return Dims_.empty() ? 1 : static_cast<int32_t>(Dims_.size()); }

int32_t TCustomParam::DimSize(int32_t k) const {
  if (k < 0 || static_cast<size_t>(k) >= Dims_.size()) return 1;
  return Dims_[static_cast<size_t>(k)];
}

void TCustomParam::AssignExact(const TCustomParam& other) { Dims_ = Unwrap(other).Dims(); }

void TCustomParam::SetDims(std::span<const int32_t> sizes) {
  const int64_t product = ElementProduct(sizes);
  if (product < 0) throw EOpalError(Format(msg::kBadElementCount, JoinSizes(sizes).c_str()));
  SetCount(static_cast<int32_t>(product));
  Dims_.assign(sizes.begin(), sizes.end());
}

void TCustomParam::CopyFrom(const TCustomParam&) { throw EOpalError(msg::kCopyMemType); }

void TCustomParam::SaveToStream(TStream& s) const { SaveDims(s); }

void TCustomParam::LoadFromStream(TStream& s, const TParamCollection*) { LoadDims(s); }

int32_t TCustomParam::IndexOfText(std::string_view text, bool caseSensitive, bool partial) const {
  const std::string needle = partial && !caseSensitive ? cp932::LowerAscii(text) : std::string(text);
  for (int32_t i = 0, n = Count(); i < n; ++i) {
    const std::string item = GetStr(i);
    bool match;
    if (partial) {
      match = (caseSensitive ? item : cp932::LowerAscii(item)).find(needle) != std::string::npos;
    } else {
      match = caseSensitive ? item == text : cp932::SameText(item, text);
    }
    if (match) return i;
  }
  return -1;
}

std::unique_ptr<TCustomParam> TCustomParam::Clone() const {
  auto copy = std::make_unique<TCustomParam>();
  copy->Dims_ = Dims_;
  return copy;
}

void TCustomParam::AssignConvert(const TCustomParam& other) {
  TDynamicIntArray sizes;
  for (int32_t k = 0, n = other.DimCount(); k < n; ++k) sizes.push_back(other.DimSize(k));
  SetDims(sizes);
  const int32_t n = std::min(Count(), other.Count());
  const uint8_t tag = ValueType();
  for (int32_t i = 0; i < n; ++i) {
    switch (tag) {
      case kTagInt: SetInt(i, other.GetInt(i)); break;
      case kTagFloat: SetFloat(i, other.GetFloat(i)); break;
      case kTagFlag: SetFlag(i, other.GetFlag(i)); break;
      case kTagStr: SetStr(i, other.GetStr(i)); break;
      default: return;
    }
  }
}

void TCustomParam::SaveDims(TStream& s) const {
  WriteInt32(s, static_cast<int32_t>(Dims_.size()));
  for (int32_t d : Dims_) WriteInt32(s, d);
}

void TCustomParam::LoadDims(TStream& s) {
  const int32_t n = ReadInt32(s);
  if (n < 0 || n > s.Remaining() / 4) throw EFormatError(Format("value: %d dimensions do not fit the data", n));
  TDynamicIntArray dims(static_cast<size_t>(n));
  for (auto& d : dims) d = ReadInt32(s);
  if (ElementProduct(dims) < 0) throw EFormatError("value: invalid dimension sizes [" + JoinSizes(dims) + "]");
  Dims_ = std::move(dims);
}

void TCustomParam::CheckIndex(int32_t i) const {
  if (i < 0 || i >= Count()) throw EOpalError(msg::kBadSubscript);
}

// --- TTypedParam ---

template <typename D, typename T, uint8_t Tag>
void TTypedParam<D, T, Tag>::SetCount(int32_t n) {
  if (n < 1 || n > kMaxElements) throw EOpalError(Format(msg::kBadElementCount, conv::IntToStr(n).c_str()));
  Items_.resize(static_cast<size_t>(n));
}

template <typename D, typename T, uint8_t Tag>
bool TTypedParam<D, T, Tag>::AsFlag() const { return conv::ToFlag(Items_[0]); }
template <typename D, typename T, uint8_t Tag>
Extended TTypedParam<D, T, Tag>::AsFloat() const { return conv::ToFloat(Items_[0]); }
template <typename D, typename T, uint8_t Tag>
int32_t TTypedParam<D, T, Tag>::AsInteger() const { return conv::ToInt(Items_[0]); }
template <typename D, typename T, uint8_t Tag>
std::string TTypedParam<D, T, Tag>::AsString() const { return conv::ToStr(Items_[0]); }

template <typename D, typename T, uint8_t Tag>
void TTypedParam<D, T, Tag>::SetAsFlag(bool b) {
  MakeScalar();
  Items_[0] = FromFlag<T>(b);
}
template <typename D, typename T, uint8_t Tag>
void TTypedParam<D, T, Tag>::SetAsFloat(Extended x) {
  MakeScalar();
  Items_[0] = FromFloat<T>(x);
}
template <typename D, typename T, uint8_t Tag>
void TTypedParam<D, T, Tag>::SetAsInteger(int32_t v) {
  MakeScalar();
  Items_[0] = FromInt<T>(v);
}
template <typename D, typename T, uint8_t Tag>
void TTypedParam<D, T, Tag>::SetAsString(std::string_view s) {
  MakeScalar();
  Items_[0] = FromStr<T>(s);
}

template <typename D, typename T, uint8_t Tag>
int32_t TTypedParam<D, T, Tag>::GetInt(int32_t i) const {
  CheckIndex(i);
  return conv::ToInt(Items_[static_cast<size_t>(i)]);
}
template <typename D, typename T, uint8_t Tag>
void TTypedParam<D, T, Tag>::SetInt(int32_t i, int32_t v) {
  CheckIndex(i);
  Items_[static_cast<size_t>(i)] = FromInt<T>(v);
}
template <typename D, typename T, uint8_t Tag>
Extended TTypedParam<D, T, Tag>::GetFloat(int32_t i) const {
  CheckIndex(i);
  return conv::ToFloat(Items_[static_cast<size_t>(i)]);
}
template <typename D, typename T, uint8_t Tag>
void TTypedParam<D, T, Tag>::SetFloat(int32_t i, Extended x) {
  CheckIndex(i);
  Items_[static_cast<size_t>(i)] = FromFloat<T>(x);
}
template <typename D, typename T, uint8_t Tag>
bool TTypedParam<D, T, Tag>::GetFlag(int32_t i) const {
  CheckIndex(i);
  return conv::ToFlag(Items_[static_cast<size_t>(i)]);
}
template <typename D, typename T, uint8_t Tag>
void TTypedParam<D, T, Tag>::SetFlag(int32_t i, bool b) {
  CheckIndex(i);
  Items_[static_cast<size_t>(i)] = FromFlag<T>(b);
}
template <typename D, typename T, uint8_t Tag>
std::string TTypedParam<D, T, Tag>::GetStr(int32_t i) const {
  CheckIndex(i);
  return conv::ToStr(Items_[static_cast<size_t>(i)]);
}
template <typename D, typename T, uint8_t Tag>
void TTypedParam<D, T, Tag>::SetStr(int32_t i, std::string_view s) {
  CheckIndex(i);
  Items_[static_cast<size_t>(i)] = FromStr<T>(s);
}

template <typename D, typename T, uint8_t Tag>
void TTypedParam<D, T, Tag>::AssignExact(const TCustomParam& other) {
  const auto* same = dynamic_cast<const D*>(&Unwrap(other));
  if (same == nullptr) throw EOpalError(msg::kCopyMemType);
  Dims_ = same->Dims_;
  Items_ = same->Items_;
}

template <typename D, typename T, uint8_t Tag>
void TTypedParam<D, T, Tag>::CopyFrom(const TCustomParam& other) {
  const auto* same = dynamic_cast<const D*>(&Unwrap(other));
  if (same == nullptr) throw EOpalError(msg::kCopyMemType);
  if (same == this) return;
  TDynamicIntArray dims;
  for (int32_t k = 0, n = same->DimCount(); k < n; ++k) dims.push_back(same->DimSize(k));
  Items_ = same->Items_;
  Dims_ = std::move(dims);
}

template <typename D, typename T, uint8_t Tag>
void TTypedParam<D, T, Tag>::SaveToStream(TStream& s) const {
  SaveDims(s);
  WriteInt32(s, Count());
  for (const T& v : Items_) WriteElement(s, v);
}

template <typename D, typename T, uint8_t Tag>
void TTypedParam<D, T, Tag>::LoadFromStream(TStream& s, const TParamCollection*) {
  LoadDims(s);
  const int32_t n = ReadInt32(s);
  if (n < 1 || n > kMaxElements || n > s.Remaining() / MinElementBytes<T>()) {
    throw EFormatError(Format("value: %d elements do not fit the data", n));
  }
  std::vector<T> items;
  items.reserve(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) items.push_back(ReadElement<T>(s));
  Items_ = std::move(items);
}

template <typename D, typename T, uint8_t Tag>
void TTypedParam<D, T, Tag>::MakeScalar() {
  if (Dims_.empty()) return;
  Dims_.clear();
  Items_.resize(1);
}

template <typename D, typename T, uint8_t Tag>
void TTypedParam<D, T, Tag>::ResetToDefault() {
  Dims_.clear();
  Items_.resize(1);
  if constexpr (std::is_same_v<T, std::string>) {
    Items_[0].clear();  // keeps the buffer for the next use
  } else {
    Items_[0] = T{};
  }
}

template <typename D, typename T, uint8_t Tag>
std::unique_ptr<TCustomParam> TTypedParam<D, T, Tag>::Clone() const {
  auto copy = std::make_unique<D>();
  copy->Dims_ = Dims_;
  copy->Items_ = Items_;
  return copy;
}

template class TTypedParam<TParamInt, int32_t, kTagInt>;
template class TTypedParam<TParamFloat, Extended, kTagFloat>;
template class TTypedParam<TParamFlag, uint8_t, kTagFlag>;
template class TTypedParam<TParamStr, std::string, kTagStr>;

void TParamInt::FillInt(int32_t v) { std::fill(Items_.begin(), Items_.end(), v); }
void TParamFloat::FillFloat(Extended x) { std::fill(Items_.begin(), Items_.end(), x); }
void TParamFlag::FillFlag(bool b) { std::fill(Items_.begin(), Items_.end(), b ? 1 : 0); }
void TParamStr::FillStr(std::string_view s) { std::fill(Items_.begin(), Items_.end(), std::string(s)); }

// --- TParamVar ---

TParamVar::~TParamVar() { Unbind(); }

void TParamVar::Resolve(const TParamCollection& vars) {
  TParamCollectionItem* found = vars.FindVar(RefName, &NameCache_);
  if (found == nullptr) throw EOpalError(Format(msg::kVarNotFound, RefName.c_str()));
  Bind(found);
  if (const TParamVar* inner = found->Value->AsVarRef()) ElementIndex = inner->ElementIndex;
}

void TParamVar::Bind(TParamCollectionItem* target) {
  if (target == Target_) return;
  int steps = 0;
  for (TParamCollectionItem* cur = target; cur != nullptr; ++steps) {
    if (steps > 4096) throw EOpalError("reference chain too long: " + RefName);
    if (cur->Value.get() == this) throw EOpalError("reference to itself: " + RefName);
    const TParamVar* r = cur->Value->AsVarRef();
    cur = r ? r->Target_ : nullptr;
  }
  Unbind();
  Target_ = target;
  if (target) target->Referrers_.push_back(this);
}

void TParamVar::Unbind() {
  if (Target_ == nullptr) return;
  auto& list = Target_->Referrers_;
  for (size_t i = list.size(); i-- > 0;) {
    if (list[i] == this) {
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  }
  Target_ = nullptr;
}

void TParamVar::ResetToDefault() {
  Unbind();
  Dims_.clear();
  RefName.clear();
  Reserved = 0;
  ElementIndex = 0;
}

TCustomParam* TParamVar::Fwd() const { return Target_ ? Target_->Value.get() : nullptr; }

#define OPAL_FWD(expr, fallback)        \
  if (TCustomParam* t = Fwd()) {        \
    TRefGuard guard;                    \
    return t->expr;                     \
  }                                     \
  return fallback

int32_t TParamVar::Count() const { OPAL_FWD(Count(), 0); }
void TParamVar::SetCount(int32_t n) { OPAL_FWD(SetCount(n), void()); }
uint8_t TParamVar::ValueType() const { OPAL_FWD(ValueType(), kTagVar); }
bool TParamVar::AsFlag() const { OPAL_FWD(GetFlag(ElementIndex), false); }
Extended TParamVar::AsFloat() const { OPAL_FWD(GetFloat(ElementIndex), 0.0L); }
int32_t TParamVar::AsInteger() const { OPAL_FWD(GetInt(ElementIndex), 0); }
std::string TParamVar::AsString() const { OPAL_FWD(GetStr(ElementIndex), std::string()); }
void TParamVar::SetAsFlag(bool b) { OPAL_FWD(SetFlag(ElementIndex, b), void()); }
void TParamVar::SetAsFloat(Extended x) { OPAL_FWD(SetFloat(ElementIndex, x), void()); }
void TParamVar::SetAsInteger(int32_t v) { OPAL_FWD(SetInt(ElementIndex, v), void()); }
void TParamVar::SetAsString(std::string_view s) { OPAL_FWD(SetStr(ElementIndex, s), void()); }
int32_t TParamVar::GetInt(int32_t i) const { OPAL_FWD(GetInt(i), 0); }
void TParamVar::SetInt(int32_t i, int32_t v) { OPAL_FWD(SetInt(i, v), void()); }
Extended TParamVar::GetFloat(int32_t i) const { OPAL_FWD(GetFloat(i), 0.0L); }
void TParamVar::SetFloat(int32_t i, Extended x) { OPAL_FWD(SetFloat(i, x), void()); }
bool TParamVar::GetFlag(int32_t i) const { OPAL_FWD(GetFlag(i), false); }
void TParamVar::SetFlag(int32_t i, bool b) { OPAL_FWD(SetFlag(i, b), void()); }
std::string TParamVar::GetStr(int32_t i) const { OPAL_FWD(GetStr(i), std::string()); }
void TParamVar::SetStr(int32_t i, std::string_view s) { OPAL_FWD(SetStr(i, s), void()); }
int32_t TParamVar::DimCount() const { OPAL_FWD(DimCount(), 1); }
int32_t TParamVar::DimSize(int32_t k) const { OPAL_FWD(DimSize(k), 1); }
void TParamVar::AssignExact(const TCustomParam& other) { OPAL_FWD(AssignExact(other), void()); }
void TParamVar::SetDims(std::span<const int32_t> sizes) { OPAL_FWD(SetDims(sizes), void()); }
void TParamVar::FillInt(int32_t v) { OPAL_FWD(FillInt(v), void()); }
void TParamVar::FillFloat(Extended x) { OPAL_FWD(FillFloat(x), void()); }
void TParamVar::FillFlag(bool b) { OPAL_FWD(FillFlag(b), void()); }
void TParamVar::FillStr(std::string_view s) { OPAL_FWD(FillStr(s), void()); }
void TParamVar::CopyFrom(const TCustomParam& other) { OPAL_FWD(CopyFrom(other), void()); }
void TParamVar::MakeScalar() { OPAL_FWD(MakeScalar(), void()); }
int32_t TParamVar::IndexOfText(std::string_view text, bool caseSensitive, bool partial) const {
  OPAL_FWD(IndexOfText(text, caseSensitive, partial), -1);
}

#undef OPAL_FWD

void TParamVar::SaveToStream(TStream& s) const {
  SaveDims(s);
  WriteString(s, RefName);
  WriteString(s, Target_ ? std::string_view(Target_->Name()) : std::string_view());
  WriteByte(s, Reserved);
  WriteInt32(s, ElementIndex);
}

void TParamVar::LoadFromStream(TStream& s, const TParamCollection* vars) {
  LoadDims(s);
  Dims_.clear();  // a reference has no shape of its own
  RefName = ReadString(s);
  const std::string targetName = ReadString(s);
  Reserved = ReadByte(s);
  ElementIndex = ReadInt32(s);
  Unbind();
  if (!targetName.empty() && vars != nullptr) {
    if (TParamCollectionItem* target = vars->FindVar(targetName)) {
      // A stream may name a target that would close a cycle: leave it unbound.
      try {
        Bind(target);
      } catch (const EOpalError& e) {
        ReportError("variable reference " + targetName + " left unbound: " + e.what());
      }
    }
  }
}

std::unique_ptr<TCustomParam> TParamVar::Clone() const {
  auto copy = std::make_unique<TParamVar>(RefName);
  copy->Reserved = Reserved;
  copy->ElementIndex = ElementIndex;
  return copy;
}

std::unique_ptr<TCustomParam> CreateValue(uint8_t tag) {
  switch (tag & 0x7F) {
    case kTagVar: return std::make_unique<TParamVar>();
    case kTagInt: return std::make_unique<TParamInt>();
    case kTagFloat: return std::make_unique<TParamFloat>();
    case kTagFlag: return std::make_unique<TParamFlag>();
    case kTagStr: return std::make_unique<TParamStr>();
    default: return nullptr;
  }
}

}  // namespace opal
