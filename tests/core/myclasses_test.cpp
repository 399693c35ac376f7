#include "core/myclasses.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "core/errors.h"
#include "core/system.h"
#include "tests/support/testsupport.h"

namespace folivar {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

TEST(PtrFile, SizeZeroMeansUnknownAndDeliversNothing) {
  char block[8] = "abcdefg";
  TPtrFile unknown(block, 0);
  EXPECT_EQ(unknown.Size(), -1);
  char out[4] = {};
  EXPECT_EQ(unknown.Read(out, 4), 0);

  TPtrFile known(block, 8);
  EXPECT_EQ(known.Size(), 8);
  known.SetSize(3);  // only the reported size changes
  EXPECT_EQ(known.Size(), 3);
  EXPECT_EQ(known.Position(), 0);
  EXPECT_EQ(known.Read(out, 4), 3);
  EXPECT_EQ(std::memcmp(out, "abc", 3), 0);
}

TEST(PtrFile, WritesOnlyInsideTheBlock) {
  char block[4] = {'w', 'x', 'y', 'z'};
  TPtrFile f(block, 3);
  f.Seek(2);
  f.Write("12", 2);
  EXPECT_EQ(std::string(block, 4), "wx1z");
  EXPECT_EQ(f.Position(), 3);
}

TEST(MemFile, WriteGrowthAndClamp) {
  TMemFile f;
  f.Write("ab", 0);
  f.Write("ab", -5);
  EXPECT_EQ(f.Size(), 0);
  EXPECT_EQ(f.Position(), 0);

  f.Seek(10);
  f.Write("xy", 2);
  ASSERT_EQ(f.Size(), 12);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(f.Bytes()[i], 0) << i;
  EXPECT_EQ(f.Bytes()[10], 'x');
  EXPECT_EQ(f.Position(), 12);

  f.SetSize(0);
  EXPECT_EQ(f.Position(), 0);
  EXPECT_EQ(f.Size(), 0);
}

TEST(MemFile, SetSizeGrowsWithZerosWithoutMoving) {
  TMemFile f;
  f.Write("abc", 3);
  f.SetSize(6);
  EXPECT_EQ(f.Size(), 6);
  EXPECT_EQ(f.Position(), 3);
  EXPECT_EQ(f.Bytes()[5], 0);
}

// Memory streams deliver only what they hold, wherever the position is.
TEST(MemoryStreams, ReadsNeverLeaveTheirMemory) {
  struct Case {
    int32_t seek, ask, delivered, positionAfter;
  } cases[] = {
      {0, 3, 3, 3},    // inside
      {3, 10, 2, 5},   // runs past the end
      {5, 1, 0, 5},    // at the end
      {9, 4, 0, 9},    // beyond the end
      {-3, 4, 0, -3},  // negative position
      {1, -2, 0, 1},   // negative count
  };
  for (const Case& c : cases) {
    TStrFile s("hello");
    TMemFile m;
    m.Write("hello", 5);
    char block[5] = {'h', 'e', 'l', 'l', 'o'};
    TPtrFile p(block, 5);
    for (TFile* f : std::initializer_list<TFile*>{&s, &m, &p}) {
      char out[16] = {};
      f->Seek(c.seek);
      EXPECT_EQ(f->Read(out, c.ask), c.delivered) << c.seek << "," << c.ask;
      EXPECT_EQ(f->Position(), c.positionAfter);
    }
  }
}

TEST(StrFile, WriteLengthensAndSetSizeCuts) {
  TStrFile f("abc");
  f.Seek(5);
  f.Write("Z", 1);
  EXPECT_EQ(f.Text(), std::string("abc\0\0Z", 6));
  f.SetSize(2);
  EXPECT_EQ(f.Text(), "ab");
  EXPECT_EQ(f.Position(), 6);  // no clamp
}

TEST(ReadStr, LengthPrefixedStrings) {
  TStrFile abc(Bytes({3, 0, 0, 0, 'a', 'b', 'c', 'x'}));
  EXPECT_EQ(abc.ReadStr(), "abc");
  EXPECT_EQ(abc.Position(), 7);

  TStrFile empty(Bytes({0, 0, 0, 0, 'a'}));
  EXPECT_EQ(empty.ReadStr(), "");
  EXPECT_EQ(empty.Position(), 4);

  // A damaged length never makes a string longer than the data.
  TStrFile huge(Bytes({0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'}));
  EXPECT_EQ(huge.ReadStr(), "ab");
  TStrFile negative(Bytes({0xFE, 0xFF, 0xFF, 0xFF, 'a'}));
  EXPECT_EQ(negative.ReadStr(), "");
}

TEST(ReadInt, LittleEndianAndShortStreams) {
  TStrFile f(Bytes({0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}));
  EXPECT_EQ(f.ReadInt(), 0x12345678);
  EXPECT_EQ(f.ReadInt(), -1);
  EXPECT_EQ(f.ReadInt(), 1);  // the missing bytes count as zero
}

TEST(DiskFile, CreateOpenReadWrite) {
  const std::string path = test::TempDir() + "/disk.bin";
  {
    auto f = TDiskFile::Create(path);
    f->Write("0123456789", 10);
    EXPECT_EQ(f->Size(), 10);
    EXPECT_EQ(f->Position(), 10);
  }
  auto f = TDiskFile::Open(path);
  EXPECT_EQ(f->Size(), 10);
  EXPECT_EQ(f->Position(), 0);
  f->Seek(6);
  char out[10] = {};
  EXPECT_EQ(f->Read(out, 10), 4);  // 4 bytes before the end
  EXPECT_EQ(std::string(out, 4), "6789");
  EXPECT_EQ(f->Read(out, 10), 0);
}

TEST(DiskFile, SetSizeShrinksButNeverGrows) {
  const std::string path = test::TempDir() + "/size.bin";
  auto f = TDiskFile::Create(path);
  f->Write("0123456789", 10);
  f->Seek(4);
  f->SetSize(20);
  EXPECT_EQ(f->Size(), 10);
  EXPECT_EQ(f->Position(), 4);

  f->Seek(9);
  f->SetSize(6);
  EXPECT_EQ(f->Size(), 6);
  EXPECT_EQ(f->Position(), 6);
}

TEST(DiskFile, OpenOfAMissingNameCreatesIt) {
  const std::string path = test::TempDir() + "/made-by-open.bin";
  std::filesystem::remove(path);
  auto f = TDiskFile::Open(path);
  EXPECT_EQ(f->Size(), 0);
  EXPECT_TRUE(FileExists(path));
}

TEST(DiskFile, ErrorsCarryTheSystemCode) {
  const std::string path = test::TempDir() + "/no/such/folder/file.bin";
  try {
    TDiskFile::Open(path);
    FAIL() << "opened a file in a missing folder";
  } catch (const TIOError& e) {
    EXPECT_NE(e.Code(), 0);
    EXPECT_NE(std::string(e.what()).find("file.bin"), std::string::npos);
  }
  EXPECT_THROW(TDiskFile::OpenRead(test::TempDir() + "/missing.bin"), TIOError);
}

TEST(DiskFile, OpenReadReadsButCannotWrite) {
  const std::string path = test::WriteTempFile("readonly.bin", "abc");
  auto f = TDiskFile::OpenRead(path);
  EXPECT_EQ(f->ReadInt() & 0xFFFFFF, 0x636261);
  EXPECT_THROW(f->Write("x", 1), TIOError);
}

TEST(System, FileExistsAndProgramDir) {
  EXPECT_FALSE(FileExists(test::TempDir()));  // a folder is not a file
  EXPECT_TRUE(FileExists(test::WriteTempFile("exists.bin", "")));
  EXPECT_FALSE(ProgramDir().empty());
  const uint64_t t = Ticks();
  EXPECT_GE(Ticks(), t);
}

}  // namespace
}  // namespace folivar
