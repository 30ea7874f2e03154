#include "storage/big_stream.h"

#include <gtest/gtest.h>

#include "common/error.h"
#include "storage/range_stream.h"
#include "test_util.h"

namespace opal {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// A 1 GiB volume is too large for a test; the volume logic is the same at
// any size, so these use volumes of 1000 bytes.
constexpr int64_t kVol = 1000;

TEST(BigFileStream, WriteSplitsIntoVolumesAndReadsBackJoined) {
  TempDir dir;
  const std::string name = dir / "game.dat";
  const std::string data = testing::NoiseBytes(2500);
  {
    TSkBigFileStream out(name, fm::Create, kVol);
    out.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
  }
  EXPECT_EQ(ReadFile(name).size(), 1000u);
  EXPECT_EQ(ReadFile(dir / "game.001").size(), 1000u);
  EXPECT_EQ(ReadFile(dir / "game.002").size(), 500u);

  TSkBigFileStream in(name, fm::OpenRead | fm::ShareDenyWrite);
  EXPECT_EQ(in.VolumeCount(), 3);
  EXPECT_EQ(in.GetSize(), 2500);
  std::string back(2500, '\0');
  in.SetPosition(0);
  in.ReadBuffer(back.data(), 2500);
  EXPECT_EQ(back, data);
  // A read across a volume boundary.
  in.SetPosition(990);
  char across[20];
  in.ReadBuffer(across, 20);
  EXPECT_EQ(std::string(across, 20), data.substr(990, 20));
  // Positions past the end land on the end; reads there return nothing.
  in.SetPosition(1 << 20);
  EXPECT_EQ(in.GetPosition(), 2500);
  EXPECT_EQ(in.Read(across, 20), 0);
}

TEST(BigFileStream, CreateRemovesStaleVolumes) {
  TempDir dir;
  const std::string name = dir / "game.dat";
  WriteFile(dir / "game.001", "old");
  WriteFile(dir / "game.002", "old");
  {
    TSkBigFileStream out(name, fm::Create, kVol);
    out.WriteBuffer("abc", 3);
  }
  TSkBigFileStream in(name, fm::OpenRead);
  EXPECT_EQ(in.VolumeCount(), 1);
  EXPECT_EQ(in.GetSize(), 3);
}

TEST(BigFileStream, AShortMiddleVolumeIsAnError) {
  TempDir dir;
  WriteFile(dir / "game.dat", std::string(1000, 'a'));
  WriteFile(dir / "game.001", std::string(10, 'b'));
  WriteFile(dir / "game.002", std::string(10, 'c'));
  EXPECT_THROW(TSkBigFileStream(dir / "game.dat", fm::OpenRead), EStreamError);
  EXPECT_THROW(TSkBigFileStream(dir / "missing.dat", fm::OpenRead), EStreamError);
}

TEST(BuffBigStream, StepsTheSourceBackByWhatWasNotConsumed) {
  TSkBigMemoryStream source(std::vector<uint8_t>(300000, 7));
  source.SetPosition(5);
  {
    TSkBuffBigStream buffered(source);
    char ten[10];
    buffered.ReadBuffer(ten, 10);
    EXPECT_EQ(source.GetPosition(), 5 + TSkBuffBigStream::BufferSize);
  }
  EXPECT_EQ(source.GetPosition(), 15);
}

TEST(RangeStream, WindowOverAFile) {
  TempDir dir;
  std::string bytes;
  for (int i = 0; i < 300; ++i) bytes += static_cast<char>(i);
  WriteFile(dir / "f.bin", bytes);
  TFileRangeStream r(dir / "f.bin", 100, 100);
  EXPECT_EQ(r.Size(), 100);
  char buf[300];
  EXPECT_EQ(r.Read(buf, 300), 100);
  EXPECT_EQ(static_cast<uint8_t>(buf[0]), 100);
  EXPECT_EQ(r.Read(buf, 1), 0);
  EXPECT_EQ(r.Seek(-50, SeekOrigin::Begin), 0);  // never before the start
  EXPECT_EQ(r.Seek(-10, SeekOrigin::End), 90);
  EXPECT_EQ(r.Write(buf, 1), 0);

  TFileRangeStream whole(dir / "f.bin", 0, TRangeStream::kWholeSource);
  EXPECT_EQ(whole.Size(), 300);
  TFileRangeStream empty(dir / "f.bin", 20, 0);
  EXPECT_EQ(empty.Size(), 0);
  EXPECT_EQ(empty.Read(buf, 10), 0);
  TFileRangeStream clamped(dir / "f.bin", 250, 100);
  EXPECT_EQ(clamped.Size(), 50);
}

}  // namespace
}  // namespace opal
