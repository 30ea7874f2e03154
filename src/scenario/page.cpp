// The page loader and writer.
#include "scenario/page.h"

#include <algorithm>

#include "common/cp932.h"
#include "expr/param_collection.h"
#include "scenario/messages.h"
#include "storage/stream.h"
#include "storage/vr_file_manager.h"

namespace opal {

namespace {

// A code byte and the header of a record.
constexpr int64_t kMinCommandBytes = 1 + 4 + 1 + 1 + 4;

}  // namespace

TPage::~TPage() {
  if (Vars_ == nullptr) return;
  if (TParamCollectionItem* v = Vars_->FindVar(std::string(1, '\x01') + Name)) Vars_->DeleteVar(v);
}

void TPage::Clear() {
  Commands.clear();
  PropertySets = {};
  ResultType = 1;
}

void TPage::Load(TVrFileManager& files, std::string_view name) {
  Clear();
  Name = std::string(name);
  TMemoryStream data;
  files.LoadToStream(data, name);
  LoadFromStream(data);
}

std::unique_ptr<TCommand> TPage::CreateCommand(uint8_t code) {
  const TCommandInfo* info = CommandInfo(code);
  if (info == nullptr) throw EFormatError(msg::kBadCommand);
  std::unique_ptr<TCommand> c = info->Create(this);
  if (info->CreatesObject) static_cast<TComComponent&>(*c).AllocateSlots(PropertySets[code]);
  return c;
}

void TPage::LoadFromStream(TStream& s) {
  Clear();
  const int32_t version = ReadInt32(s);
  if (version > kPageVersionMax) {
    throw EPageTooNew(Format("%s: page version %d is newer than this player reads (%d)", Name.c_str(), version,
                             kPageVersionMax));
  }
  if (version < kPageVersionMin) throw EPageTooOld(Name + "\r\n" + msg::kRebuild);
  Version = version;
  try {
    ResultType = ReadByte(s);
    const int32_t set_count = ReadInt32(s);
    const int32_t set_size = ReadInt32(s);
    if (set_count < 0 || set_size < 0 ||
        static_cast<int64_t>(set_count) * set_size > s.Remaining()) {
      throw EFormatError(Format("%d property sets of %d bytes do not fit the data", set_count, set_size));
    }
    // Only the first 21 bytes of the first 61 entries are kept; the rest is
    // stepped over in one move, never held or walked, so neither a huge
    // entry size nor a huge count of empty entries costs anything.
    const int32_t kept = std::min<int32_t>(set_size, kPropertySetBytes);
    const int32_t entries = std::min<int32_t>(set_count, kCommandCodeCount);
    for (int32_t k = 0; k < entries; ++k) {
      TPropertySet entry{};
      s.ReadBuffer(entry.data(), kept);
      s.SetPosition(s.Position() + (set_size - kept));
      PropertySets[static_cast<size_t>(k)] = entry;
    }
    s.SetPosition(s.Position() + static_cast<int64_t>(set_count - entries) * set_size);
    const int32_t count = ReadInt32(s);
    if (count < 0 || count > s.Remaining() / kMinCommandBytes) {
      throw EFormatError(Format("%d commands do not fit the data", count));
    }
    Commands.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
      const int64_t at = s.Position();
      const uint8_t code = ReadByte(s) & 0x7F;
      try {
        std::unique_ptr<TCommand> c = CreateCommand(code);
        c->Load(s, version);
        Commands.push_back(std::move(c));
      } catch (const EOpalError& e) {
        throw EFormatError(Format("%s (command %d, code %u, at offset %lld)", e.what(), i, code,
                                  static_cast<long long>(at)));
      }
    }
  } catch (const EOpalError& e) {
    Clear();
    throw EFormatError(Name.empty() ? std::string(e.what()) : Name + ": " + e.what());
  }
}

void TPage::SaveToStream(TStream& s) const {
  if (Version < kPageVersionMin || Version > kPageVersionMax) {
    throw EFormatError(Format("cannot write a page of version %d", Version));
  }
  WriteInt32(s, Version);
  WriteByte(s, ResultType);
  WriteInt32(s, kCommandCodeCount);
  WriteInt32(s, kPropertySetBytes);
  for (const TPropertySet& set : PropertySets) s.WriteBuffer(set.data(), kPropertySetBytes);
  WriteInt32(s, static_cast<int32_t>(Commands.size()));
  for (const auto& c : Commands) {
    WriteByte(s, c->Code());
    c->Save(s, Version);
  }
}

int TPage::IndexOfLabel(std::string_view name) const {
  for (size_t i = 0; i < Commands.size(); ++i) {
    if (Commands[i]->IsLabel(name)) return static_cast<int>(i);
  }
  return -1;
}

int TPage::IndexOf(const TCommand* command) const {
  for (size_t i = 0; i < Commands.size(); ++i) {
    if (Commands[i].get() == command) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace opal
