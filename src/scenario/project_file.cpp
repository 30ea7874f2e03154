#include "scenario/project_file.h"

#include "common/cp932.h"
#include "storage/stream.h"

namespace opal {

namespace {

// A type byte and a name length.
constexpr int64_t kMinDeclarationBytes = 5;
// A folder length and a disc number.
constexpr int64_t kMinFolderBytes = 8;

std::string WithDelimiter(std::string s) {
  const size_t last = cp932::LastDelimiter(s);
  if (s.empty() || last != s.size() - 1) s += '\\';
  return s;
}

}  // namespace

int32_t TFolderDiskList::DiscOf(std::string_view path) const {
  std::string p = cp932::UpperAscii(path);
  while (!p.empty()) {
    const std::string probe = WithDelimiter(p);
    for (const auto& [folder, disc] : Items) {
      if (cp932::SameText(probe, WithDelimiter(folder))) return disc;
    }
    const size_t cut = cp932::LastDelimiter(p);
    if (cut == std::string::npos) break;
    p.resize(cut);
  }
  return 0;
}

void TFolderDiskList::LoadFromStream(TStream& s) {
  const int32_t n = ReadInt32(s);
  if (n < 0 || n > s.Remaining() / kMinFolderBytes) {
    throw EFormatError(Format("folder-disc list: %d entries do not fit the data", n));
  }
  std::vector<std::pair<std::string, int32_t>> items;
  for (int32_t i = 0; i < n; ++i) {
    std::string folder = ReadString(s);
    const int32_t disc = ReadInt32(s);
    items.emplace_back(std::move(folder), disc);
  }
  Items = std::move(items);
}

void TFolderDiskList::SaveToStream(TStream& s) const {
  WriteInt32(s, static_cast<int32_t>(Items.size()));
  for (const auto& [folder, disc] : Items) {
    WriteString(s, folder);
    WriteInt32(s, disc);
  }
}

void TProjectFile::LoadFromStream(TStream& s) {
  TProjectFile f;
  f.Version = ReadInt32(s);
  if (f.Version > kProjectVersionMax) {
    throw EProjectTooNew(Format("project file version %d is newer than this player reads (%d)", f.Version,
                                kProjectVersionMax));
  }
  f.Title = ReadString(s);
  f.Width = ReadInt32(s);
  f.Height = ReadInt32(s);
  f.FullScreenWidth = ReadInt32(s);
  f.FullScreenHeight = ReadInt32(s);
  f.StartPage = ReadString(s);
  f.ClosingPage = f.Version >= 110 ? ReadString(s) : "";
  f.RegistryKey = ReadString(s);
  f.ImageTileSeed = ReadInt32(s);
  f.SaveToDisk = f.Version >= 104 ? ReadByte(s) : 0;
  f.YieldCpu = f.Version >= 106 ? ReadByte(s) : 0;
  f.OptionalMediaExtensions = f.Version >= 109 ? ReadString(s) : ".wav.wma.ogg.mid";
  f.PauseWhenInactive = f.Version >= 113 ? ReadByte(s) : 0;
  f.DiscPrompt = ReadString(s);
  f.ExitPrompt = ReadString(s);
  const int32_t m = ReadInt32(s);
  if (m < 0 || m > s.Remaining() / kMinDeclarationBytes) {
    throw EFormatError(Format("project file: %d variable declarations do not fit the data", m));
  }
  for (int32_t i = 0; i < m; ++i) {
    TVarDeclaration d;
    d.Type = ReadByte(s);
    d.Name = ReadString(s);
    switch (d.Type) {
      case 1: d.IntValue = ReadInt32(s); break;
      case 2: s.ReadBuffer(d.FloatBytes.data(), 10); break;
      case 3: d.FlagValue = ReadByte(s); break;
      case 4: d.StrValue = ReadString(s); break;
      default: break;
    }
    f.Variables.push_back(std::move(d));
  }
  f.FolderDisks.LoadFromStream(s);
  *this = std::move(f);
}

void TProjectFile::SaveToStream(TStream& s) const {
  if (Version > kProjectVersionMax) throw EFormatError(Format("cannot write a project file of version %d", Version));
  WriteInt32(s, Version);
  WriteString(s, Title);
  WriteInt32(s, Width);
  WriteInt32(s, Height);
  WriteInt32(s, FullScreenWidth);
  WriteInt32(s, FullScreenHeight);
  WriteString(s, StartPage);
  if (Version >= 110) WriteString(s, ClosingPage);
  WriteString(s, RegistryKey);
  WriteInt32(s, ImageTileSeed);
  if (Version >= 104) WriteByte(s, SaveToDisk);
  if (Version >= 106) WriteByte(s, YieldCpu);
  if (Version >= 109) WriteString(s, OptionalMediaExtensions);
  if (Version >= 113) WriteByte(s, PauseWhenInactive);
  WriteString(s, DiscPrompt);
  WriteString(s, ExitPrompt);
  WriteInt32(s, static_cast<int32_t>(Variables.size()));
  for (const TVarDeclaration& d : Variables) {
    WriteByte(s, d.Type);
    WriteString(s, d.Name);
    switch (d.Type) {
      case 1: WriteInt32(s, d.IntValue); break;
      case 2: s.WriteBuffer(d.FloatBytes.data(), 10); break;
      case 3: WriteByte(s, d.FlagValue); break;
      case 4: WriteString(s, d.StrValue); break;
      default: break;
    }
  }
  FolderDisks.SaveToStream(s);
}

}  // namespace opal
