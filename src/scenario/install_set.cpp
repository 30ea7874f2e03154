#include "scenario/install_set.h"

#include <cstring>

#include "common/cp932.h"
#include "common/error.h"
#include "storage/disk_path.h"
#include "storage/stream.h"

namespace opal {

namespace {

std::vector<std::string> ReadList(TStream& s, bool skip_empty) {
  const int32_t n = ReadInt32(s);
  if (n < 0 || n > s.Remaining() / 4) throw EFormatError(Format("install.dat: a list of %d names does not fit", n));
  std::vector<std::string> out;
  for (int32_t i = 0; i < n; ++i) {
    std::string v = ReadString(s);
    if (!skip_empty || !v.empty()) out.push_back(std::move(v));
  }
  return out;
}

void WriteList(TStream& s, const std::vector<std::string>& list) {
  WriteInt32(s, static_cast<int32_t>(list.size()));
  for (const std::string& v : list) WriteString(s, v);
}

}  // namespace

void TOpalInstallSet::LoadFromStream(TStream& s) {
  TOpalInstallSet f;
  const int64_t start = s.Position();
  char head[5] = {};
  const int64_t got = s.Read(head, 5);
  if (got >= 2 && head[0] == 'i' && head[1] == 's') {
    if (got < 5) throw EFormatError("install.dat: the version after \"is\" is cut off");
    for (int i = 2; i < 5; ++i) {
      if (head[i] < '0' || head[i] > '9') throw EFormatError("install.dat: \"is\" is not followed by three digits");
      f.Version = f.Version * 10 + (head[i] - '0');
    }
  } else {
    s.SetPosition(start);
  }
  const bool wide = f.Version >= 100;
  auto read_wide = [&] { return wide ? ReadInt64(s) : static_cast<int64_t>(ReadInt32(s)); };
  f.DiscIndex = ReadInt32(s);
  f.Title = ReadString(s);
  for (std::string& t : f.Text3to5) t = ReadString(s);
  f.Flag6 = ReadByte(s);
  f.Text7 = ReadString(s);
  f.Flag8 = ReadByte(s);
  const int32_t k = ReadInt32(s);
  f.Text10 = ReadString(s);
  f.Number11 = ReadInt32(s);
  f.Flag12 = ReadByte(s);
  f.Flag13 = ReadByte(s);
  f.Text14 = ReadString(s);
  f.Text15 = ReadString(s);
  if (k < 0 || k > s.Remaining() / (4 * (wide ? 8 : 4))) {
    throw EFormatError(Format("install.dat: %d items do not fit the data", k));
  }
  f.Items.resize(static_cast<size_t>(k));
  for (auto& item : f.Items) {
    for (int64_t& v : item) v = read_wide();
  }
  for (int64_t& v : f.Numbers17) v = read_wide();
  f.Flag18 = ReadByte(s);
  if (f.Version >= 101) f.Flag19 = ReadByte(s);
  if (f.Version >= 102) f.CreatedFiles = ReadList(s, true);
  if (f.Version >= 103) f.FullInstall = ReadByte(s);
  if (f.Version >= 104) f.Flag22 = ReadByte(s);
  if (f.Version >= 105) f.Flag23 = ReadByte(s);
  if (f.Version >= 106) f.List24 = ReadList(s, false);
  if (f.Version >= 107) f.Text25 = ReadString(s);
  if (f.Version >= 108) {
    f.Text26 = ReadString(s);
    f.Text27 = ReadString(s);
  }
  *this = std::move(f);
}

void TOpalInstallSet::SaveToStream(TStream& s) const {
  s.WriteBuffer("is108", 5);
  WriteInt32(s, DiscIndex);
  WriteString(s, Title);
  for (const std::string& t : Text3to5) WriteString(s, t);
  WriteByte(s, Flag6);
  WriteString(s, Text7);
  WriteByte(s, Flag8);
  WriteInt32(s, static_cast<int32_t>(Items.size()));
  WriteString(s, Text10);
  WriteInt32(s, Number11);
  WriteByte(s, Flag12);
  WriteByte(s, Flag13);
  WriteString(s, Text14);
  WriteString(s, Text15);
  for (const auto& item : Items) {
    for (int64_t v : item) WriteInt64(s, v);
  }
  for (int64_t v : Numbers17) WriteInt64(s, v);
  WriteByte(s, Flag18);
  WriteByte(s, Flag19);
  std::vector<std::string> created;
  for (const std::string& name : CreatedFiles) {
    if (TDiskPath::IsSafeName(name)) created.push_back(name);
  }
  WriteList(s, created);
  WriteByte(s, FullInstall);
  WriteByte(s, Flag22);
  WriteByte(s, Flag23);
  WriteList(s, List24);
  WriteString(s, Text25);
  WriteString(s, Text26);
  WriteString(s, Text27);
}

void TOpalInstallSet::LoadFromFile(const std::string& native_path) {
  TMemoryStream data;
  data.LoadFromFile(native_path);
  try {
    LoadFromStream(data);
  } catch (const EOpalError& e) {
    throw EFormatError(native_path + ": " + e.what());
  }
}

void TOpalInstallSet::SaveToFile(const std::string& native_path) const {
  TMemoryStream data;
  SaveToStream(data);
  data.SaveToFile(native_path);
}

bool TOpalInstallSet::AddCreatedFile(std::string_view name) {
  if (!TDiskPath::IsSafeName(name)) {
    throw EFormatError(Format("install.dat: refusing the name %s, which leaves the game's folders",
                              std::string(name).c_str()));
  }
  for (const std::string& n : CreatedFiles) {
    if (cp932::SameText(n, name)) return false;
  }
  CreatedFiles.emplace_back(name);
  return true;
}

}  // namespace opal
