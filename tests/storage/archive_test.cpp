#include <gtest/gtest.h>

#include <zlib.h>

#include "common/error.h"
#include "storage/sk_random.h"
#include "storage/vr_files.h"
#include "storage/zlib_codec.h"
#include "test_util.h"

namespace opal {
namespace {

using testing::NoiseBytes;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

std::string Content(TVrFileCollection& c, std::string_view name) {
  TMemoryStream m;
  c.Extract(m, name);
  return std::string(m.Bytes().begin(), m.Bytes().end());
}

// Writes in-memory entries as an archive of `version` and opens it again.
std::vector<uint8_t> WriteArchive(const std::vector<std::pair<std::string, std::string>>& files,
                                  uint32_t version = 102) {
  TVrFileCollection c;
  for (const auto& [name, data] : files) {
    TVrFile* e = c.AddMemoryFile(name);
    e->Memory->Bytes() = Bytes(data);
  }
  TSkBigMemoryStream out;
  EXPECT_TRUE(c.Write(out, version));
  return out.Stream.Bytes();
}

void OpenBytes(TVrFileCollection& c, std::vector<uint8_t> bytes) {
  c.OpenStream(std::make_unique<TSkBigMemoryStream>(std::move(bytes)));
}

// Builds a directory by hand, independently of the writer, so a fault
// shared by writer and reader cannot hide.
struct RawArchive {
  uint32_t version;
  std::vector<std::string> names;
  std::vector<std::string> datas;  // zlib-compressed unless `stored`
  bool stored = false;

  std::vector<uint8_t> Build() const {
    std::vector<uint8_t> out;
    auto put32 = [&](uint32_t v) {
      for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto put64 = [&](uint64_t v) {
      for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    if (version > 0) {
      out.push_back('v');
      out.push_back('f');
      put32(version);
    }
    put32(static_cast<uint32_t>(names.size()));
    TSkRandom g1(TSkRandom::kArchiveSeed);
    for (const std::string& n : names) {
      put32(static_cast<uint32_t>(n.size()));
      for (char ch : n) out.push_back(static_cast<uint8_t>(ch ^ (version >= 100 ? g1.Next() & 0xFF : 0)));
    }
    const size_t n = names.size();
    const size_t fields = (n + 1) * (version > 100 ? 8 : 4) + (version > 100 ? n * 9 : 0) + (version >= 102 ? n : 0);
    std::vector<uint8_t> data;
    std::vector<int64_t> offsets;
    const int64_t data_start = static_cast<int64_t>(out.size() + fields);
    for (const std::string& d : datas) {
      offsets.push_back(data_start + static_cast<int64_t>(data.size()));
      data.insert(data.end(), d.begin(), d.end());
    }
    offsets.push_back(data_start + static_cast<int64_t>(data.size()));
    TSkRandom g2(TSkRandom::kArchiveSeed);
    for (int64_t off : offsets) {
      if (version > 100) {
        put64(static_cast<uint64_t>(off ^ static_cast<int64_t>(g2.Next())));
      } else {
        put32(static_cast<uint32_t>(off) ^ (version == 100 ? static_cast<uint32_t>(g2.Next()) : 0u));
      }
    }
    if (version > 100) {
      for (size_t i = 0; i < n; ++i) out.push_back(stored ? 1 : 0);
      for (size_t i = 0; i < n * 8; ++i) out.push_back(0);  // timestamps, checksums
      if (version >= 102) {
        for (size_t i = 0; i < n; ++i) out.push_back(0);
      }
    }
    out.insert(out.end(), data.begin(), data.end());
    return out;
  }
};

// A zlib stream made by zlib itself at level 1, whatever our own compressor does.
std::string Zlib(const std::string& s) {
  uLongf size = compressBound(static_cast<uLong>(s.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(s.data()),
                static_cast<uLong>(s.size()), 1) != Z_OK) {
    throw std::runtime_error("zlib cannot compress");
  }
  out.resize(size);
  return out;
}

TEST(Archive, WrittenArchiveStartsWithMagicAndVersion) {
  const auto bytes = WriteArchive({{"a.txt", "hello"}});
  ASSERT_GE(bytes.size(), 6u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 6), (std::vector<uint8_t>{0x76, 0x66, 0x66, 0, 0, 0}));
}

TEST(Archive, EveryWritableVersionReadsBack) {
  const std::string big(0x500000, 'x');  // above the store threshold
  for (uint32_t version : {0u, 1u, 99u, 100u, 101u, 102u}) {
    SCOPED_TRACE(version);
    TVrFileCollection c;
    OpenBytes(c, WriteArchive({{"dir\\A.txt", "alpha"}, {"empty", ""}, {"\x95\x5C.bin", big}}, version));
    EXPECT_EQ(c.Version, version);
    EXPECT_EQ(c.EntryCount(), 3);
    EXPECT_EQ(Content(c, "DIR\\a.TXT"), "alpha");
    EXPECT_EQ(Content(c, "empty"), "");
    EXPECT_EQ(Content(c, "\x95\x5C.bin"), big);
    // Layouts before 101 have no stored flags: every entry is compressed there.
    EXPECT_EQ(c.FindEntry("\x95\x5C.bin")->Stored, version >= 101 ? 1 : 0);
    EXPECT_EQ(c.Entry(c.Count() - 1)->Name(), kEofEntryName);
  }
}

TEST(Archive, HandMadeOldLayoutsRead) {
  for (uint32_t version : {0u, 7u, 100u, 101u, 102u}) {
    SCOPED_TRACE(version);
    RawArchive raw{version, {"one.txt", "sub\\two.txt"}, {Zlib("first"), Zlib("second!")}};
    TVrFileCollection c;
    OpenBytes(c, raw.Build());
    EXPECT_EQ(Content(c, "one.txt"), "first");
    EXPECT_EQ(Content(c, "SUB\\TWO.TXT"), "second!");
  }
  RawArchive stored{102, {"s"}, {"plain"}, true};
  TVrFileCollection c;
  OpenBytes(c, stored.Build());
  EXPECT_EQ(Content(c, "s"), "plain");
}

TEST(Archive, EmptyArchiveHasOneOffset) {
  const auto bytes = WriteArchive({});
  EXPECT_EQ(bytes.size(), 2u + 4 + 4 + 8);
  TVrFileCollection c;
  OpenBytes(c, bytes);
  EXPECT_EQ(c.EntryCount(), 0);
}

TEST(Archive, NegativeGeneratorValueFlipsTheHighHalfOfAnOffset) {
  // The fourth value from the archive seed (0x85058694) is negative, so the
  // fourth offset's high 32 bits are stored as all ones.
  const auto bytes = WriteArchive({{"a", "1"}, {"b", "2"}, {"c", "3"}});
  const size_t fourth = 10 + 3 * 5 + 3 * 8;
  EXPECT_EQ(LoadLE32(&bytes[fourth + 4]), 0xFFFFFFFFu);
  EXPECT_EQ(LoadLE32(&bytes[10 + 3 * 5 + 4]), 0u);  // the first value is positive
}

TEST(Archive, ScramblingRunsOnAcrossNames) {
  const auto ab = WriteArchive({{"a", "1"}, {"b", "2"}});
  const auto b = WriteArchive({{"b", "2"}});
  // "b" as the second name is XORed with the second generator value, so its
  // stored byte differs from "b" as the first name.
  EXPECT_NE(ab[10 + 5 + 4], b[10 + 4]);
}

TEST(Archive, DamagedDirectoriesAreClearErrors) {
  const auto good = WriteArchive({{"a.txt", "hello"}, {"b.txt", "world"}});
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> damage;
  };
  const Case cases[] = {
      {"count past the data", [](auto& b) { StoreLE32(&b[6], 0x7FFFFFFF); }},
      {"negative count", [](auto& b) { StoreLE32(&b[6], 0xFFFFFFFF); }},
      {"name past the end", [](auto& b) { StoreLE32(&b[10], 0x10000); }},
      {"newer version", [](auto& b) { StoreLE32(&b[2], 103); }},
      {"offset past the end", [](auto& b) { b.resize(b.size() - 3); }},
      {"decreasing offsets", [](auto& b) { b[10 + 2 * 9 + 8 + 7] ^= 0x01; }},  // high byte of offset 1
      {"truncated directory", [](auto& b) { b.resize(12); }},
      {"only the magic", [](auto& b) { b.resize(3); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto bytes = good;
    c.damage(bytes);
    TVrFileCollection coll;
    EXPECT_THROW(OpenBytes(coll, bytes), EOpalError);
  }
}

TEST(Archive, DamagedEntriesAreErrorsNeverShortResults) {
  const std::string text(10000, 'q');
  RawArchive raw{102, {"t"}, {Zlib(text)}};
  auto bytes = raw.Build();
  // Flip a byte in the deflate data.
  auto damaged = bytes;
  damaged[damaged.size() - 8] ^= 0x55;
  TVrFileCollection c1;
  OpenBytes(c1, damaged);
  EXPECT_THROW(Content(c1, "t"), EFormatError);
  // A zlib stream cut short, with the directory saying so.
  RawArchive cut{102, {"t"}, {Zlib(text).substr(0, 12)}};
  TVrFileCollection c2;
  OpenBytes(c2, cut.Build());
  EXPECT_THROW(Content(c2, "t"), EFormatError);
  // Inflation stops at its cap.
  const std::string zeros = Zlib(std::string(100000, '\0'));
  EXPECT_THROW(Inflate(reinterpret_cast<const uint8_t*>(zeros.data()), zeros.size(), 1000), EFormatError);
}

TEST(Archive, ZeroSizeEntryIsEmptyEverywhere) {
  TVrFileCollection c;
  OpenBytes(c, WriteArchive({{"empty", ""}, {"next", "data after"}}));
  EXPECT_EQ(Content(c, "empty"), "");
  // The range of a zero-size entry is empty, not the rest of the archive.
  auto range = c.OpenEntryRange("empty");
  ASSERT_NE(range, nullptr);
  EXPECT_EQ(range->Size(), 0);
  // A compressed entry's range gives its content, never its zlib bytes.
  auto next = c.OpenEntryRange("next");
  std::string got(static_cast<size_t>(next->Size()), '\0');
  next->ReadBuffer(got.data(), next->Size());
  EXPECT_EQ(got, "data after");
}

TEST(Archive, WriterChoosesStoredOrCompressedByKindAndSize) {
  TempDir dir;
  WriteFile(dir / "src/music.wav", std::string(6 << 20, 'w'));
  WriteFile(dir / "src/text.txt", std::string(100 << 10, 't'));
  WriteFile(dir / "src/noise.txt", NoiseBytes(100 << 10));
  WriteFile(dir / "src/noext", std::string(1000, 'n'));
  WriteFile(dir / "src/big.txt", std::string(6 << 20, 'b'));
  // Layered images are compressed when their header asks for it.
  std::string bri = "Brio103";
  bri += std::string("\x28\x00\x00\x00", 4) + std::string(22, '\0') + '\x01' + std::string(17, '\0');
  WriteFile(dir / "src/layer.bri", bri + std::string(1000, 'z'));
  WriteFile(dir / "src/old.bri", "Brio102" + bri.substr(7) + std::string(1000, 'z'));

  TVrFileCollection c;
  c.BaseFolder = dir / "src/";
  for (const char* n : {"music.wav", "text.txt", "noise.txt", "noext", "big.txt", "layer.bri", "old.bri"}) c.Add(n);
  {
    TSkBigFileStream out(dir / "game.dat", fm::Create);
    ASSERT_TRUE(c.Write(out));
  }
  TVrFileCollection r;
  r.Open(dir / "game.dat");
  EXPECT_EQ(r.FindEntry("music.wav")->Stored, 1);
  EXPECT_EQ(r.FindEntry("text.txt")->Stored, 0);
  EXPECT_EQ(r.FindEntry("noise.txt")->Stored, 1);
  EXPECT_EQ(r.FindEntry("noext")->Stored, 0);
  EXPECT_EQ(r.FindEntry("big.txt")->Stored, 1);
  EXPECT_EQ(r.FindEntry("layer.bri")->Stored, 0);
  EXPECT_EQ(r.FindEntry("old.bri")->Stored, 1);
  EXPECT_NE(r.FindEntry("text.txt")->Timestamp, 0);
  EXPECT_EQ(Content(r, "text.txt"), std::string(100 << 10, 't'));
  // Checksums cover the stored bytes unless the entry says otherwise.
  TMemoryStream stored;
  const TVrFile* music = r.FindEntry("music.wav");
  r.ArchiveStream->SetPosition(music->Offset);
  r.ArchiveStream->ReadToStream(stored, music->Size);
  EXPECT_EQ(music->Crc, Crc32(stored.Memory(), static_cast<size_t>(stored.Size())));
}

TEST(Archive, ProgressCanCancel) {
  TVrFileCollection c;
  c.AddMemoryFile("a");
  c.AddMemoryFile("b");
  int calls = 0;
  c.OnProgress = [&](TVrFileCollection&, TVrFile&, bool& cancel, int count, int index, int64_t) {
    EXPECT_EQ(count, 2);
    ++calls;
    cancel = index == 1;
  };
  TSkBigMemoryStream out;
  EXPECT_FALSE(c.Write(out));
  EXPECT_EQ(calls, 3);
}

TEST(Archive, ContainersOnDisk) {
  TempDir dir;
  const auto archive = WriteArchive({{"x.txt", "in the archive"}});
  const std::string image(archive.begin(), archive.end());

  // Appended to an executable: the trailer gives the start.
  const std::string exe = std::string("\x7F" "ELF", 4) + NoiseBytes(777);
  std::string appended = exe + image;
  std::string trailer(6, '\0');
  StoreLE32(reinterpret_cast<uint8_t*>(trailer.data()), static_cast<uint32_t>(exe.size()));
  trailer[4] = 'o';
  trailer[5] = 'q';
  WriteFile(dir / "player", appended + trailer);
  WriteFile(dir / "setup.exe", std::string(100, 'M') + image + std::string("\x64\0\0\0oq", 6));
  for (const char* name : {"player", "setup.exe"}) {
    TVrFileCollection c;
    c.Open(dir / name);
    EXPECT_EQ(Content(c, "x.txt"), "in the archive") << name;
  }
  // A trailer whose start lies outside the file.
  StoreLE32(reinterpret_cast<uint8_t*>(trailer.data()), 0x7FFFFFF0);
  WriteFile(dir / "bad.exe", appended + trailer);
  TVrFileCollection bad;
  EXPECT_THROW(bad.Open(dir / "bad.exe"), EFormatError);

  // A name that is no file makes a folder source whose files load from disk.
  WriteFile(dir / "loose/y.txt", "loose file");
  TVrFileCollection folder;
  folder.Open(dir / "loose");
  EXPECT_EQ(folder.BaseFolder, dir / "loose/");
  EXPECT_EQ(Content(folder, "Y.TXT"), "loose file");
}

}  // namespace
}  // namespace opal
