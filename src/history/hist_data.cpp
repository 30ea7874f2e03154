// The history's records and their stream forms.
#include "history/hist_data.h"

#include <algorithm>
#include <climits>

#include "common/cp932.h"
#include "storage/stream.h"

namespace opal {

int32_t ClampExtent(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, kMaxHistoryExtent)); }
int32_t ClampSpacing(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, -kMaxHistoryExtent, kMaxHistoryExtent));
}
int32_t ClampHeight(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, INT32_MAX)); }

namespace history_stream {

int32_t ReadCount(TStream& s, int64_t minEach, const char* what) {
  const int32_t n = ReadInt32(s);
  if (n < 0 || n > s.Remaining() / std::max<int64_t>(minEach, 1)) {
    throw EFormatError(Format("%d %s do not fit the data", n, what));
  }
  return n;
}

}  // namespace history_stream

// --- history pages ---

void TOpalHistData::Add(const std::string& name, int32_t command, int32_t first, int32_t last, int32_t height,
                        const std::string& values) {
  Names.push_back(name);
  Commands.push_back(command);
  Firsts.push_back(first);
  Lasts.push_back(last);
  Heights.push_back(std::max(height, 0));
  Values.push_back(values);
  TotalHeight = ClampHeight(int64_t{TotalHeight} + Heights.back());
}

void TOpalHistData::AddPacked(const std::string& name, int32_t command, int32_t first, int32_t last,
                              int32_t height, const std::string& values) {
  const bool repeats = Count() > 0 && cp932::SameText(ResolvedName(Count() - 1), name);
  Add(repeats ? std::string() : name, command, first, last, height, values);
}

std::string TOpalHistData::ResolvedName(size_t i) const {
  for (size_t k = std::min(i + 1, Names.size()); k-- > 0;)
    if (!Names[k].empty()) return Names[k];
  return {};
}

void TOpalHistData::Save(TStream& s) const {
  if (Commands.size() != Count() || Firsts.size() != Count() || Lasts.size() != Count() ||
      Heights.size() != Count() || Values.size() != Count()) {
    throw EOpalError("history page: its piece arrays differ in length");
  }
  WriteInt32(s, static_cast<int32_t>(Count()));
  for (size_t i = 0; i < Count(); ++i) {
    WriteString(s, Names[i]);
    WriteInt32(s, Commands[i]);
    WriteInt32(s, Firsts[i]);
    WriteInt32(s, Lasts[i]);
    WriteInt32(s, Heights[i]);
    WriteString(s, Values[i]);
  }
  WriteInt32(s, TotalHeight);
}

void TOpalHistData::Load(TStream& s, int32_t version) {
  const bool values = version >= history_version::kValues;
  TOpalHistData read;
  history_stream::Guarded("history page", [&] {
    const int32_t m = history_stream::ReadCount(s, values ? 24 : 20, "history pieces");
    for (int32_t i = 0; i < m; ++i) {
      std::string name = ReadString(s);
      const int32_t command = ReadInt32(s);
      const int32_t first = ReadInt32(s);
      const int32_t last = ReadInt32(s);
      const int32_t height = ReadInt32(s);
      read.Add(name, command, first, last, height, values ? ReadString(s) : std::string());
    }
    // The stored total is read past; the sum of the clamped heights is the
    // one every search over this page relies on.
    (void)ReadInt32(s);
  });
  *this = std::move(read);
}

// --- a window's message data ---

void TOpalNewMesData::ClearEntries() {
  EntryNames.clear();
  EntryCommands.clear();
  EntryPageIndices.clear();
  EntrySizes.clear();
}

void TOpalNewMesData::AddEntry(const std::string& name, int32_t command, int32_t pageIndex, int32_t width,
                               int32_t height) {
  EntryNames.push_back(name);
  EntryCommands.push_back(command);
  EntryPageIndices.push_back(pageIndex);
  EntrySizes.emplace_back(width, height);
}

void TOpalNewMesData::SetMessage(const std::string& page, int32_t command) {
  Clear();
  Pieces.Add(page, command, 0, -1, 0, std::string());
}

void TOpalNewMesData::Save(TStream& s) const {
  if (EntryCommands.size() != EntryCount() || EntryPageIndices.size() != EntryCount() ||
      EntrySizes.size() != EntryCount()) {
    throw EOpalError("message data: its entry arrays differ in length");
  }
  WriteInt32(s, static_cast<int32_t>(EntryCount()));
  for (const std::string& n : EntryNames) WriteString(s, n);
  for (int32_t c : EntryCommands) WriteInt32(s, c);
  for (int32_t p : EntryPageIndices) WriteInt32(s, p);
  for (const auto& [w, h] : EntrySizes) {
    WriteInt32(s, w);
    WriteInt32(s, h);
  }
  Pieces.Save(s);
}

void TOpalNewMesData::Load(TStream& s, int32_t version) {
  TOpalNewMesData read;
  history_stream::Guarded("message data", [&] {
    // A name, a command, a page index and a pair: 20 bytes at least.
    const int32_t n = history_stream::ReadCount(s, 20, "message data entries");
    read.EntryNames.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) read.EntryNames.push_back(ReadString(s));
    for (int32_t i = 0; i < n; ++i) read.EntryCommands.push_back(ReadInt32(s));
    for (int32_t i = 0; i < n; ++i) read.EntryPageIndices.push_back(ReadInt32(s));
    for (int32_t i = 0; i < n; ++i) {
      const int32_t w = ReadInt32(s);
      read.EntrySizes.emplace_back(w, ReadInt32(s));
    }
  });
  if (version >= history_version::kRowEntries) read.Pieces.Load(s, version);
  *this = std::move(read);
}

}  // namespace opal
