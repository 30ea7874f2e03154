#include "storage/disk_path.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace opal {
namespace {

using testing::TempDir;
using testing::WriteFile;

TEST(DiskPath, UnsafeNamesNeverReachTheDisk) {
  const char* unsafe[] = {"",          "..\\secret",   "a\\..\\..\\b", "\\etc\\passwd", "/etc/passwd",
                          "c:\\x.txt", "a/../b",       "CON",          "nul.txt",       "sub\\com1.wav",
                          "LPT9",      "a:stream"};
  for (const char* name : unsafe) EXPECT_FALSE(TDiskPath::IsSafeName(name)) << name;
  const char* safe[] = {"a.txt", "sub\\b.png", "..name", "\x95\x5C\\x.png", "console.txt", "com10"};
  for (const char* name : safe) EXPECT_TRUE(TDiskPath::IsSafeName(name)) << name;

  TempDir dir;
  WriteFile(dir / "inside/x.txt", "x");
  WriteFile(dir / "secret.txt", "s");
  EXPECT_FALSE(TDiskPath::Resolve(dir / "inside", "..\\secret.txt"));
  EXPECT_FALSE(TDiskPath::Resolve(dir / "inside", dir / "secret.txt"));
}

TEST(DiskPath, ResolvesComponentByComponentIgnoringCaseAndConvertingNames) {
  TempDir dir;
  WriteFile(dir / "Data/BG/表示.PNG", "img");
  // "表示" in CP932: the first character's trail byte is 0x5C.
  const auto found = TDiskPath::Resolve(dir.Path(), "data\\bg\\\x95\x5C\x8E\xA6.png");
  ASSERT_TRUE(found);
  EXPECT_EQ(*found, dir / "Data/BG/表示.PNG");
  EXPECT_TRUE(TDiskPath::Resolve(dir.Path(), "DATA/bg/\x95\x5C\x8E\xA6.PNG"));
  EXPECT_FALSE(TDiskPath::Resolve(dir.Path(), "data\\bg"));        // a folder is not a file
  EXPECT_TRUE(TDiskPath::Resolve(dir.Path(), "data\\bg", true));
  EXPECT_FALSE(TDiskPath::Resolve(dir.Path(), "data\\missing.png"));
}

}  // namespace
}  // namespace opal
