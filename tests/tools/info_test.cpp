// folivar-info: the JSON it prints for a book made by the writer, and its error contract.
#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

#include "book/bookwriter.h"
#include "core/bzip.h"
#include "tests/support/testsupport.h"
#include "tools/folivar-info/describe.h"

namespace folivar {
namespace {

struct TRun {
  int status;
  std::string out;
};

// Runs folivar-info with the arguments; stderr goes to stdout.
TRun RunInfo(const std::string& arguments) {
  const std::string command = std::string(FOLIVAR_INFO_EXE) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TBookWriter Book() {
  TBookWriter w;
  w.header.title = "\xD1\xEA\xE0\xE7\xEA\xE8 \"1\"";  // Сказки "1"
  w.header.author = "A\\B";
  w.header.publisher = "p";
  w.header.edition = "2004";
  w.header.glyphColour = 0x00C6C2B6;
  w.header.printEnabled = 1;
  w.header.noAbout = 1;
  w.SetProperty("hyphenate", "1");
  w.SetProperty("test", "line\nbreak");
  w.SetMessages({"ok"}, {"\xC4\xE0"});  // Да
  w.AddPicture(15, PackedPictureRecord(1, 1, Bzip(std::string(4, '\0'))));
  w.AddAnchor("intro", 0);
  w.AddPage(EncodePageRecord(-1, {}));
  w.AddPage(EncodePageRecord(-1, {}));
  return w;
}

TEST(Info, PrintsExactlyWhatWasWritten) {
  const std::string path = test::WriteTempFile("info.bin", Book().Build());
  const TRun run = RunInfo(path);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "{\"title\":\"Сказки \\\"1\\\"\",\"author\":\"A\\\\B\",\"publisher\":\"p\","
            "\"edition\":\"2004\",\"pageWidth\":388,\"viewWidth\":776,\"viewHeight\":575,"
            "\"leftMargin\":30,\"topMargin\":30,\"rightMargin\":30,\"bottomMargin\":45,"
            "\"coverImage\":-1,\"backgroundImage\":-1,\"digitImageBase\":-1,\"glyphBlend\":0,"
            "\"glyphColour\":13025974,\"printEnabled\":1,\"firstSpreadPage\":1,\"spineLine\":0,"
            "\"spineColour\":0,\"noAbout\":1,\"pages\":2,\"pictures\":1,"
            "\"anchors\":[{\"name\":\"intro\",\"page\":0}],"
            "\"properties\":{\"hyphenate\":\"1\",\"test\":\"line\\nbreak\"},"
            "\"messages\":{\"ok\":\"Да\"}}\n");
}

TEST(Info, DamagedAndMissingBooksFailWithOneLine) {
  const std::string image = Book().Build();
  const std::string cut = test::WriteTempFile("cut.bin", image.substr(0, 1700));
  std::string flippedImage = image;
  flippedImage[kHeaderSize + 2] = '\x7F';  // the property table's length
  const std::string flipped = test::WriteTempFile("flipped.bin", flippedImage);
  const std::string missing = test::TempDir() + "/missing.bin";
  for (const std::string& path : {cut, flipped, missing}) {
    const TRun run = RunInfo(path);
    EXPECT_EQ(run.status, 1) << path;
    EXPECT_EQ(run.out.rfind("folivar-info: " + path + ": ", 0), 0u) << run.out;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
  }
  EXPECT_NE(RunInfo(cut).out.find("the book is damaged: "), std::string::npos);
  EXPECT_EQ(RunInfo("").status, 2);
  EXPECT_EQ(RunInfo("a b").status, 2);
}

}  // namespace
}  // namespace folivar
