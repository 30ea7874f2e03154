// The read marks.
#include "history/read_list.h"

#include <memory>

#include "common/error.h"
#include "history/hist_data.h"
#include "storage/stream.h"

namespace opal {

uint64_t TOpalRead::Key(int32_t command, int32_t pageIndex) {
  return (uint64_t{static_cast<uint32_t>(command)} << 32) | static_cast<uint32_t>(pageIndex);
}

bool TOpalRead::Has(int32_t command, int32_t pageIndex) const { return Pairs_.contains(Key(command, pageIndex)); }

bool TOpalRead::Add(int32_t command, int32_t pageIndex) {
  if (!Pairs_.insert(Key(command, pageIndex)).second) return false;
  Commands.push_back(command);
  PageIndices.push_back(pageIndex);
  return true;
}

TOpalRead* TOpalReadList::Find(const std::string& page) const { return static_cast<TOpalRead*>(Items_.Find(page)); }

TOpalRead& TOpalReadList::Obtain(const std::string& page) {
  if (TOpalRead* item = Find(page)) return *item;
  return static_cast<TOpalRead&>(*Items_.Add(std::make_unique<TOpalRead>(), page));
}

void TOpalReadList::NotePage(const std::string& window, const std::string& page, int32_t pageIndex,
                             int32_t command) {
  PendingWindow = window;
  PendingPage = page;
  PendingPageIndex = pageIndex;
  PendingCommand = command;
}

void TOpalReadList::MarkRead(const std::string& window) {
  if (PendingPage.empty() || PendingWindow != window) return;
  if (Obtain(PendingPage).Add(PendingCommand, PendingPageIndex)) PendingPage.clear();
}

bool TOpalReadList::IsRead(const std::string& page, int32_t command, int32_t pageIndex) const {
  const TOpalRead* item = Find(page);
  return item != nullptr && item->Has(command, pageIndex);
}

void TOpalReadList::ClearMarks() {
  Items_.Clear();
  PendingPage.clear();
}

void TOpalReadList::SaveMarks(TStream& s) const {
  WriteInt32(s, Items_.Count());
  for (int32_t i = 0; i < Items_.Count(); ++i) {
    const TOpalRead& item = Item(i);
    WriteString(s, item.Name());
    WriteInt32(s, static_cast<int32_t>(item.Commands.size()));
    for (int32_t c : item.Commands) WriteInt32(s, c);
    for (int32_t p : item.PageIndices) WriteInt32(s, p);
  }
  WriteString(s, PendingPage);
  WriteInt32(s, PendingCommand);
  WriteInt32(s, PendingPageIndex);
  WriteString(s, PendingWindow);
}

void TOpalReadList::LoadMarks(TStream& s, int32_t version) {
  ClearMarks();
  if (version < history_version::kMarks) return;
  try {
    history_stream::Guarded("read marks", [&] {
      // A name and a pair count at least.
      const int32_t count = history_stream::ReadCount(s, 8, "read-mark items");
      for (int32_t i = 0; i < count; ++i) {
        TOpalRead& item = Obtain(ReadString(s));
        const int32_t n = history_stream::ReadCount(s, 8, "read marks");
        std::vector<int32_t> commands(static_cast<size_t>(n));
        for (int32_t& c : commands) c = ReadInt32(s);
        for (int32_t c : commands) item.Add(c, ReadInt32(s));
      }
      PendingPage = ReadString(s);
      PendingCommand = ReadInt32(s);
      PendingPageIndex = ReadInt32(s);
      PendingWindow = ReadString(s);
    });
  } catch (const EOpalError&) {
    ClearMarks();
    throw;
  }
}

}  // namespace opal
