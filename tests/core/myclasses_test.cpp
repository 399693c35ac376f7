#include "core/myclasses.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "core/errors.h"
#include "core/system.h"
#include "tests/support/testsupport.h"

namespace folivar {
namespace {

TEST(PtrFile, SizeZeroIsUnknownAndWritesStayInsideTheBlock) {
  char block[8] = "abcdefg";
  char out[4] = {};
  TPtrFile unknown(block, 0);
  EXPECT_EQ(unknown.Size(), -1);
  EXPECT_EQ(unknown.Read(out, 4), 0);
  TPtrFile known(block, 8);
  known.SetSize(3);  // only the reported size changes
  EXPECT_EQ(std::vector<int32_t>({known.Size(), known.Read(out, 4)}), std::vector<int32_t>({3, 3}));
  EXPECT_EQ(std::string(out, 3), "abc");
  known.Seek(2);
  known.Write("12", 2);
  EXPECT_EQ(std::string(block, 4) + std::to_string(known.Position()), "ab1d3");
}

TEST(MemFile, WriteGrowthAndClamp) {
  TMemFile f;
  f.Write("ab", 0);
  f.Write("ab", -5);
  EXPECT_EQ(f.Size(), 0);
  f.Seek(10);
  f.Write("xy", 2);
  f.SetSize(14);  // grows with zeros without moving
  EXPECT_EQ(f.Bytes(), std::vector<uint8_t>({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'x', 'y', 0, 0}));
  EXPECT_EQ(f.Position(), 12);
  f.SetSize(0);
  EXPECT_EQ(f.Position(), 0);
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
  char block[5] = {'h', 'e', 'l', 'l', 'o'};
  TStrFile s("hello");
  TMemFile m;
  m.Write("hello", 5);
  TPtrFile p(block, 5);
  for (const Case& c : cases) {
    for (TFile* f : std::initializer_list<TFile*>{&s, &m, &p}) {
      char out[16] = {};
      f->Seek(c.seek);
      EXPECT_EQ(std::vector<int32_t>({f->Read(out, c.ask), f->Position()}),
                std::vector<int32_t>({c.delivered, c.positionAfter})) << c.seek << "," << c.ask;
    }
  }
}

TEST(StrFile, WriteLengthensAndSetSizeCutsWithoutClamp) {
  TStrFile f("abc");
  f.Seek(5);
  f.Write("Z", 1);
  EXPECT_EQ(f.Text(), std::string("abc\0\0Z", 6));
  f.SetSize(2);
  EXPECT_EQ(f.Text() + std::to_string(f.Position()), "ab6");
}

TEST(ReadStr, LengthPrefixedStrings) {
  // A damaged length never makes a string longer than the data; a negative one gives "".
  const struct {
    std::string bytes, text;
    int32_t position;
  } cases[] = {{std::string("\x03\0\0\0abcx", 8), "abc", 7}, {std::string("\0\0\0\0a", 5), "", 4},
               {std::string("\xFF\xFF\xFF\x7F" "ab", 6), "ab", 6}, {std::string("\xFE\xFF\xFF\xFF" "a", 5), "", 4}};
  for (const auto& c : cases) {
    TStrFile f(c.bytes);
    EXPECT_EQ(f.ReadStr(), c.text);
    EXPECT_EQ(f.Position(), c.position) << c.text;
  }
}

TEST(ReadInt, LittleEndianAndShortStreams) {
  TStrFile f(std::string("\x78\x56\x34\x12\xFF\xFF\xFF\xFF\x01", 9));
  // The missing bytes of the last count as zero.
  EXPECT_EQ(std::vector<int32_t>({f.ReadInt(), f.ReadInt(), f.ReadInt()}), std::vector<int32_t>({0x12345678, -1, 1}));
}

TEST(DiskFile, CreateCloseOpenReadAndSetSize) {
  const std::string path = test::TempDir() + "/disk.bin";
  auto created = TDiskFile::Create(path);
  created->Write("0123456789", 10);
  EXPECT_EQ(created->Position(), 10);
  created->Close();
  EXPECT_THROW(created->Write("x", 1), TIOError);  // closed
  auto f = TDiskFile::Open(path);
  char out[10] = {};
  EXPECT_EQ(std::vector<int32_t>({f->Size(), f->Position()}), std::vector<int32_t>({10, 0}));
  f->Seek(6);
  EXPECT_EQ(std::vector<int32_t>({f->Read(out, 10), f->Read(out + 4, 10)}), std::vector<int32_t>({4, 0}));
  EXPECT_EQ(std::string(out, 4), "6789");  // the 4 bytes before the end, then nothing
  // SetSize shrinks, never grows, and clamps the position.
  f->Seek(4);
  f->SetSize(20);
  EXPECT_EQ(std::vector<int32_t>({f->Size(), f->Position()}), std::vector<int32_t>({10, 4}));
  f->Seek(9);
  f->SetSize(6);
  EXPECT_EQ(std::vector<int32_t>({f->Size(), f->Position()}), std::vector<int32_t>({6, 6}));
}

TEST(DiskFile, OpenCreatesAMissingFileAndErrorsCarryTheSystemCode) {
  const std::string made = test::TempDir() + "/made-by-open.bin";
  std::filesystem::remove(made);
  EXPECT_EQ(TDiskFile::Open(made)->Size(), 0);
  EXPECT_TRUE(FileExists(made));
  try {
    TDiskFile::Open(test::TempDir() + "/no/such/folder/file.bin");
    FAIL() << "opened a file in a missing folder";
  } catch (const TIOError& e) {
    EXPECT_TRUE(e.Code() != 0 && std::string(e.what()).find("file.bin") != std::string::npos) << e.what();
  }
  EXPECT_THROW(TDiskFile::OpenRead(test::TempDir() + "/missing.bin"), TIOError);
  auto readOnly = TDiskFile::OpenRead(test::WriteTempFile("readonly.bin", "abc"));
  EXPECT_EQ(readOnly->ReadInt() & 0xFFFFFF, 0x636261);
  EXPECT_THROW(readOnly->Write("x", 1), TIOError);
}

// A file counts when it is a regular file that opens for reading; a folder or a pipe does not
// (and looking at a pipe does not wait for a writer).
TEST(System, FileExists) {
#ifndef _WIN32
  const std::string pipe = test::TempDir() + "/pipe";
  std::filesystem::remove(pipe);
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_FALSE(FileExists(pipe));
#endif
  EXPECT_FALSE(FileExists(test::TempDir()));
  EXPECT_TRUE(FileExists(test::WriteTempFile("exists.bin", "")));
}

}  // namespace
}  // namespace folivar
