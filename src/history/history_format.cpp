// The history formats and their manager.
#include "history/history_format.h"

#include <algorithm>

#include "common/error.h"
#include "storage/stream.h"

namespace opal {

TOpalHistoryFormat::TOpalHistoryFormat(std::string name, const TOpalHistoryContext& context)
    : Name(std::move(name)), History_(*this, *context.Fonts, context.Host, context.Store) {}

TOpalHistoryFormatManager::TOpalHistoryFormatManager(const TOpalHistoryContext& context) : Context_(context) {
  if (Context_.Fonts == nullptr) throw EOpalError("history formats: no glyph cache");
  ResetFormats();
}

TOpalHistoryFormat* TOpalHistoryFormatManager::FindFormat(const std::string& name) const {
  for (const auto& f : Formats_)
    if (f->Name == name) return f.get();
  return nullptr;
}

TOpalHistoryFormat& TOpalHistoryFormatManager::ObtainFormat(const std::string& name) {
  if (TOpalHistoryFormat* f = FindFormat(name)) return *f;
  Formats_.push_back(std::make_unique<TOpalHistoryFormat>(name, Context_));
  return *Formats_.back();
}

TOpalHistoryFormat& TOpalHistoryFormatManager::DefaultFormat() const { return *FindFormat(std::string()); }

void TOpalHistoryFormatManager::RecordPage(const TOpalRecordedPage& page) {
  for (const auto& f : Formats_) f->History().Record(page);
}

void TOpalHistoryFormatManager::ClosePage(const std::string& window) {
  std::exception_ptr failure;
  for (const auto& f : Formats_) {
    try {
      f->History().Close(window);
    } catch (const EOpalError&) {
      if (!failure) failure = std::current_exception();
    }
  }
  if (failure) std::rethrow_exception(failure);
}

void TOpalHistoryFormatManager::ClearHistories() {
  for (const auto& f : Formats_) f->History().Clear();
}

void TOpalHistoryFormatManager::ResetFormats() {
  Formats_.clear();
  Formats_.push_back(std::make_unique<TOpalHistoryFormat>(std::string(), Context_));
}

void TOpalHistoryFormatManager::SaveFormats(TStream& s) const {
  WriteInt32(s, static_cast<int32_t>(Formats_.size()));
  for (const auto& f : Formats_) {
    WriteString(s, f->Name);
    for (int32_t v : f->Settings.Values()) WriteInt32(s, v);
    f->History().Save(s);
  }
}

void TOpalHistoryFormatManager::LoadFormats(TStream& s, int32_t version) {
  std::vector<std::unique_ptr<TOpalHistoryFormat>> formats;
  if (version < history_version::kFormats) {
    formats.push_back(std::make_unique<TOpalHistoryFormat>(std::string(), Context_));
    formats.back()->History().Load(s, version);
  } else {
    history_stream::Guarded("history formats", [&] {
      // A name, six settings and the shortest history block of these
      // versions (two counts, three strings, thirteen integers).
      const int32_t count = history_stream::ReadCount(s, 4 + 24 + 4 * 2 + 4 * 3 + 4 * 13, "history formats");
      for (int32_t i = 0; i < count; ++i) {
        auto f = std::make_unique<TOpalHistoryFormat>(ReadString(s), Context_);
        std::array<int32_t, 6> v;
        for (int32_t& x : v) x = ReadInt32(s);
        f->Settings = TOpalHistorySettings::From(v);
        f->History().Load(s, version);
        formats.push_back(std::move(f));
      }
    });
    bool hasDefault = false;
    for (const auto& f : formats) hasDefault = hasDefault || f->Name.empty();
    if (!hasDefault) formats.insert(formats.begin(), std::make_unique<TOpalHistoryFormat>(std::string(), Context_));
  }
  Formats_ = std::move(formats);
}

int32_t HistoryCountOf(const TOpalHistoryFormat* format) {
  if (format == nullptr) return -1;
  return static_cast<int32_t>(std::min<int64_t>(format->History().HistorySize(), INT32_MAX));
}

}  // namespace opal
