// The variable blocks of game saves and of the status save.
#include <unordered_set>

#include "common/cp932.h"
#include "common/error.h"
#include "expr/param_collection.h"
#include "storage/stream.h"

namespace opal {

namespace {

// Tag, name length, dims count, element count, one element and the four
// trailing fields: no record is shorter.
constexpr int64_t kMinRecordBytes = 1 + 4 + 4 + 4 + 1 + 1 + 1 + 4 + 1;

// A reference is written as a reference (tag 0) even when it has a target,
// so that it loads back as one.
uint8_t RecordTag(const TCustomParam& v) { return v.AsVarRef() ? kTagVar : v.ValueType(); }

void WriteRecord(TStream& s, const TParamCollectionItem& v) {
  WriteByte(s, RecordTag(*v.Value));
  WriteString(s, v.Name());
  v.Value->SaveToStream(s);
  WriteByte(s, v.Persistent);
  WriteByte(s, v.Reserved);
  WriteInt32(s, v.OwnerLevel);
  WriteByte(s, v.IsLocal);
}

int32_t ReadCount(TStream& s, const char* block) {
  const int32_t n = ReadInt32(s);
  if (n < 0 || n > s.Remaining() / kMinRecordBytes) {
    throw EFormatError(Format("%s: %d variables do not fit the data", block, n));
  }
  return n;
}

}  // namespace

// Records go out from the last of the list to the first; a reference waits
// until a record of its target's name is out. When a whole walk writes
// nothing (the target is not in this block), the rest go in list order.
void TParamCollection::WriteRecords(TStream& s, std::vector<const TParamCollectionItem*> list) const {
  WriteInt32(s, static_cast<int32_t>(list.size()));
  std::unordered_set<std::string> written;
  while (!list.empty()) {
    bool progress = false;
    for (size_t i = list.size(); i-- > 0;) {
      const TParamCollectionItem* v = list[i];
      const TParamVar* ref = v->Value->AsVarRef();
      if (ref && ref->Target() && !written.contains(cp932::LowerAscii(ref->Target()->Name()))) continue;
      WriteRecord(s, *v);
      written.insert(cp932::LowerAscii(v->Name()));
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
      progress = true;
    }
    if (!progress) {
      for (const TParamCollectionItem* v : list) WriteRecord(s, *v);
      list.clear();
    }
  }
}

void TParamCollection::ReadRecords(TStream& s, int32_t count) {
  for (int32_t k = 0; k < count; ++k) {
    const uint8_t tag = ReadByte(s);
    TParamCollectionItem* v = AddVar(tag);
    try {
      const std::string name = ReadString(s);
      if (!name.empty()) NameVar(v, name);
      // An unnamed record is dropped, but its bytes are still read.
      v->Value->LoadFromStream(s, this);
      v->Persistent = ReadByte(s);
      v->Reserved = ReadByte(s);
      v->OwnerLevel = ReadInt32(s);
      v->IsLocal = ReadByte(s);
      if (name.empty()) DeleteVar(v);
    } catch (...) {
      if (v->Index() >= 0 && v->Index() < Count() && Var(v->Index()) == v) DeleteVar(v);
      throw;
    }
  }
}

void TParamCollection::SaveGameVars(TStream& s) const {
  std::vector<const TParamCollectionItem*> list;
  for (int32_t i = 0; i < Count(); ++i) {
    const TParamCollectionItem* v = Var(i);
    if (!v->IsSystem() && !v->Persistent) list.push_back(v);
  }
  WriteRecords(s, std::move(list));
  WriteInt32(s, TextDelay);
  WriteString(s, CursorName);
  WriteString(s, SelStr);
  WriteInt32(s, SelIndex);
  WriteString(s, TempTarget);
}

void TParamCollection::LoadGameVars(TStream& s, int32_t version, THistorySettings* history) {
  DeleteOrdinary();
  ReadRecords(s, ReadCount(s, "game variables"));
  TextDelay = ReadInt32(s);
  CursorName = ReadString(s);
  if (version > 102) {
    SelStr = ReadString(s);
    SelIndex = ReadInt32(s);
  }
  if (version > 112 && version < 135) {
    THistorySettings settings;
    for (int32_t& x : settings) x = ReadInt32(s);
    if (history) *history = settings;
  }
  if (version > 120) TempTarget = ReadString(s);
}

void TParamCollection::SaveStatusVars(TStream& s) const {
  std::vector<const TParamCollectionItem*> list;
  for (int32_t i = 0; i < Count(); ++i) {
    const TParamCollectionItem* v = Var(i);
    if (!v->IsSystem() && v->Persistent) list.push_back(v);
  }
  WriteRecords(s, std::move(list));
}

void TParamCollection::LoadStatusVars(TStream& s) { ReadRecords(s, ReadCount(s, "status variables")); }

}  // namespace opal
