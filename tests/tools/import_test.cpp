// folivar-import and folivar-make on book files: one Markdown text with every construct, in
// English, Russian and French, written by pandoc as EPUB, FB2, DOCX and ODT, imported and compiled.
// Every word of the text is in the book in its order, the metadata in the header, and compiling
// the file gives the same bytes as compiling the folder imported from it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "tests/support/testsupport.h"
#include "tools/common/png.h"

namespace folivar {
namespace {

namespace fs = std::filesystem;

// A piece of the text: its Markdown and the formats whose pandoc writer or reader loses its words
// (seen in pandoc's JSON tree of each: FB2 has no tables, pandoc writes an empty emphasis instead;
// pandoc's ODT reader drops a table's head row).
struct TPiece {
  std::string markdown;
  std::string lostIn;  // "fb2 odt"
  bool glued = false;  // the next piece follows on the next line (a table's rows)
};

struct TText {
  const char* lang;      // pandoc's lang
  const char* language;  // book.toml's
  const char* title;
  const char* author;
  // '|' between: intro, chapter 1, emphasis, strong, internal link, external link, letter (2),
  // poem (3), caption, after the scene break, table head (2), table row (2), list (2), section, its
  // text, part, its text, note, chapter 2, its text.
  const char* words;
};

// clang-format off
const TText kTexts[] = {
    {"en-US", "en", "The Garden Book", "Anna Writer",
     "This book begins before its first heading.|The first chapter|"
     "Anna opened the window and looked at the garden|slowly|again|the second chapter|the project site|"
     "Dear brother, the winter is long here.|Your sister Anna|The wind goes over the hill|"
     "and the grass bends low|as the evening comes|The garden in the morning|"
     "After the break the story goes on.|Name|Age|Anna|twelve|bread and milk|a lamp for the night|"
     "A section|The section has its own words.|A smaller part|The part is short.|"
     "This note explains the window.|The second chapter|The story ends in the second chapter."},
    {"ru-RU", "ru", "Книга о саде", "Анна Писатель",
     "Эта книга начинается до первого заголовка.|Первая глава|"
     "Анна открыла окно и посмотрела на сад, и это было утро|медленно|снова|вторая глава|сайт проекта|"
     "Дорогой брат, зима здесь долгая, и снег не тает.|Твоя сестра Анна|Ветер идёт по холму|"
     "и трава к земле склоняется|когда приходит вечер|Сад утром|"
     "После перерыва история продолжается, но не так, как он думал.|Имя|Возраст|Анна|двенадцать|"
     "хлеб и молоко|лампа на ночь|Раздел|В разделе свои слова, что не странно.|Малая часть|"
     "Часть короткая, но и это не всё.|Это примечание об окне.|Вторая глава|"
     "История кончается во второй главе."},
    {"fr-FR", "fr", "Le livre du jardin", "Anne Auteur",
     "Ce livre commence avant son premier titre.|Le premier chapitre|"
     "Anne ouvrit la fenêtre et regarda le jardin|lentement|encore|le second chapitre|le site du projet|"
     "Cher frère, l’hiver est long ici et la neige ne fond pas.|Ta sœur Anne|"
     "Le vent passe sur la colline|et l’herbe se penche|quand vient le soir|Le jardin au matin|"
     "Après la pause, l’histoire continue dans la maison.|Nom|Âge|Anne|douze|du pain et du lait|"
     "une lampe pour la nuit|Une section|La section a ses propres mots.|Une petite partie|"
     "La partie est courte.|Cette note explique la fenêtre.|Le second chapitre|"
     "L’histoire finit dans le second chapitre."},
};
// clang-format on

// Two paragraphs of every character Markdown, its typography or the pipe tables would act on,
// escaped for pandoc, and what the book must show for them.
const char* kSpecials[][2] = {
    {R"(\\ \` \*a\* \_b\_ \[c\](d) \<e\> \# \+ ! \| {#x} \~x\~ & \$x\$ `f`)",
     R"(\ ` *a* _b_ [c](d) <e> # + ! | {#x} ~x~ & $x$ f)"},
    {R"(1\. 2) \-\- \.\.\. \'a\' \"b\" \- \^c)", R"(1. 2) -- ... 'a' "b" - ^c)"},
};

std::vector<TPiece> Pieces(const TText& t) {
  std::vector<std::string> w(1);
  for (const char* c = t.words; *c; ++c) {
    if (*c == '|')
      w.emplace_back();
    else
      w.back() += *c;
  }
  return {
      {w[0] + "\n", ""},
      {"# " + w[1] + " {#first}\n", ""},
      {w[2] + " *" + w[3] + "* **" + w[4] + "** [" + w[5] + "](#second) [" + w[6] +
           "](https://folivar.example/).[^n1]\n",
       ""},
      {"> " + w[7] + "\n>\n> " + w[8] + "\n", ""},
      {"| " + w[9] + "\n|     " + w[10] + "\n| " + w[11] + "\n", ""},
      {"![" + w[12] + "](pic.png)\n", ""},
      {std::string(kSpecials[0][0]) + "\n", ""},
      {std::string(kSpecials[1][0]) + "\n", ""},
      {"* * *\n", ""},
      {w[13] + "\n", ""},
      {"| " + w[14] + " | " + w[15] + " |\n|---|---|\n", "fb2 odt", true},
      {"| " + w[16] + " | " + w[17] + " |\n", "fb2"},
      {"```\nprint(\"hello\")\n```\n", ""},
      {"1. " + w[18] + "\n2. " + w[19] + "\n", ""},
      {"## " + w[20] + "\n", ""},
      {w[21] + "\n", ""},
      {"### " + w[22] + "\n", ""},
      {w[23] + "\n", ""},
      // The note's text is set at the end of its chapter.
      {"[^n1]: " + w[24] + "\n", ""},
      {"# " + w[25] + " {#second}\n", ""},
      {w[26] + "\n", ""},
  };
}

// Letters and digits of every script are a word's; the rest (spaces, punctuation, guillemets,
// typographic quotes and dashes) stand between words.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words(1);
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    const bool sign =
        (c == 0xC2 && next >= 0x80 && next <= 0xBF) || (c == 0xE2 && (next == 0x80 || next == 0x81));
    if (std::isalnum(c) || (c >= 0x80 && !sign)) {
      words.back() += static_cast<char>(c);
      continue;
    }
    if (!words.back().empty()) words.emplace_back();
    if (sign) i += c == 0xC2 ? 1 : 2;
  }
  if (words.back().empty()) words.pop_back();
  return words;
}

std::string Collapse(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\n' || c == '\f' || c == '\r' || c == ' ') {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

class ImportTest : public ::testing::Test {
 protected:
  static fs::path Dir() { return fs::path(test::TempDir()) / "import"; }

  // The Markdown texts and pandoc's files of them, once for all tests.
  static void SetUpTestSuite() {
    fs::remove_all(Dir());
    fs::create_directories(Dir());
    std::vector<uint32_t> pixels(48 * 32);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
    WritePng((Dir() / "pic.png").string(), 48, 32, pixels);
    for (const TText& t : kTexts) {
      std::string md;
      for (const TPiece& p : Pieces(t)) md += p.markdown + (p.glued ? "" : "\n");
      const std::string base = (Dir() / t.language).string();
      std::ofstream(base + ".md", std::ios::binary) << md;
      for (const char* format : {"epub", "fb2", "docx", "odt"}) {
        const test::TCommandRun run = test::RunCommand(
            "cd " + Quote(Dir().string()) + " && pandoc -s " + Quote(std::string(t.language) + ".md") +
            " -o " + Quote(std::string(t.language) + "." + format) + " --metadata title=" + Quote(t.title) +
            " --metadata author=" + Quote(t.author) + " --metadata lang=" + t.lang + " 2>&1");
        ASSERT_EQ(run.status, 0) << run.out;
      }
    }
  }
};

TEST_F(ImportTest, BookFilesImportAndCompileWithEveryWordInItsPlace) {
  for (const TText& t : kTexts) {
    for (const std::string format : {"epub", "fb2", "docx", "odt"}) {
      SCOPED_TRACE(std::string(t.language) + "." + format);
      const std::string file = (Dir() / (std::string(t.language) + "." + format)).string();
      const std::string folder = file + ".src", fromFile = file + ".bin", fromFolder = file + ".dir.bin";
      for (const std::string& command :
           {std::string(FOLIVAR_IMPORT_EXE) + " " + Quote(file) + " -o " + Quote(folder),
            std::string(FOLIVAR_MAKE_EXE) + " " + Quote(file) + " -o " + Quote(fromFile),
            std::string(FOLIVAR_MAKE_EXE) + " " + Quote(folder) + " -o " + Quote(fromFolder)}) {
        const test::TCommandRun run = test::RunCommand(command + " 2>&1");
        ASSERT_EQ(run.status, 0) << command << "\n" << run.out;
      }
      EXPECT_TRUE(test::ReadWholeFile(fromFile) == test::ReadWholeFile(fromFolder));

      const std::string toml = test::ReadWholeFile(folder + "/book.toml");
      EXPECT_NE(toml.find("language = \"" + std::string(t.language) + "\""), std::string::npos) << toml;
      const std::string info = test::RunCommand(std::string(FOLIVAR_INFO_EXE) + " " + Quote(fromFile)).out;
      // pandoc's ODT reader keeps no metadata: the title is the file's name, the author unknown.
      const bool odt = format == "odt";
      EXPECT_NE(info.find("\"title\":\"" + std::string(odt ? t.language : t.title) + "\""),
                std::string::npos);
      EXPECT_NE(info.find("\"author\":\"" + std::string(odt ? "" : t.author) + "\""), std::string::npos);

      // The words in order (a table's cells stand side by side in the text, so words are found
      // as parts of it), and the specials literally.
      const std::string text =
          Collapse(test::RunCommand(std::string(FOLIVAR_INFO_EXE) + " " + Quote(fromFile) + " --text").out);
      size_t at = 0;
      for (const TPiece& p : Pieces(t)) {
        if (p.lostIn.find(format) != std::string::npos) continue;
        std::string words = p.markdown;
        if (words.rfind("```", 0) == 0) words = "print hello";
        for (const std::string& w : Words(words)) {
          if (w == "n1" || w == "first" || w == "second" || w == "pic" || w == "png" || w == "https" ||
              w == "folivar" || w == "example") {
            continue;  // markup: the note's label, anchors, targets
          }
          const size_t found = text.find(w, at);
          ASSERT_NE(found, std::string::npos)
              << "'" << w << "' of " << p.markdown << " after: " << text.substr(at, 200);
          at = found + w.size();
        }
      }
      for (const auto& s : kSpecials) EXPECT_NE(text.find(s[1]), std::string::npos) << s[1] << "\n" << text;

      // The constructs in the chapters, but for what pandoc's tree of the format has lost: FB2 has
      // no tables or code blocks and sets a numbered list as paragraphs; pandoc's DOCX and ODT
      // writers drop horizontal rules, its ODT reader block quotes, code blocks and a picture's
      // description, and its DOCX and ODT readers rename the headings' anchors after a link to
      // them has been read (the link is set as its text, with a warning).
      std::string chapters;
      for (const auto& e : fs::directory_iterator(folder))
        if (e.path().extension() == ".md") chapters += test::ReadWholeFile(e.path().string());
      const std::pair<const char*, const char*> kConstructs[] = {
          {"](#second)", "docx odt"},
          {"\n[^1]: ", ""},
          {"\n> ", "odt"},
          {"\n| ", ""},
          {"<!-- figure -->", "odt"},
          {"<!-- scene -->", "docx odt"},
          {"|---|", "fb2"},
          {"```", "fb2 odt"},
          {"\n2. ", "fb2"},
          {"\n## ", ""},
          {"\n### ", ""},
      };
      for (const auto& [construct, lostIn] : kConstructs) {
        if (std::string(lostIn).find(format) == std::string::npos) {
          EXPECT_NE(chapters.find(construct), std::string::npos) << construct;
        }
      }
    }
  }
}

// Bad input and a folder that holds someone's files: one line naming the file, exit 1, nothing
// written; an earlier import is replaced.
TEST_F(ImportTest, FailuresAndFolders) {
  const std::string dir = Dir().string();
  std::ofstream(dir + "/broken.epub") << "not a zip";
  fs::create_directories(dir + "/mine");
  std::ofstream(dir + "/mine/notes.txt") << "my notes";
  const std::string imp = std::string(FOLIVAR_IMPORT_EXE) + " ";
  struct TCase {
    std::string command;
    int status;
    std::string message;
  };
  const TCase cases[] = {
      {imp + dir + "/broken.epub -o " + dir + "/b", 1,
       "folivar-import: " + dir + "/broken.epub: pandoc could not read it: "},
      {imp + dir + "/none.fb2 -o " + dir + "/b", 1, "none.fb2: there is no such file"},
      {imp + dir + "/en.md.txt -o " + dir + "/b", 1, "not a book file that can be imported"},
      {imp + dir + "/en.fb2 -o " + dir + "/mine", 1, "the folder is not empty and holds no earlier import"},
      {imp + dir + "/en.fb2 -o " + dir + "/again", 0, ""},
      {imp + dir + "/en.fb2 -o " + dir + "/again", 0, ""},
      {imp + dir + "/en.fb2", 2, "usage: folivar-import"},
      {"PATH=/nonexistent " + imp + dir + "/en.fb2 -o " + dir + "/c", 1,
       "install pandoc (Debian: apt-get install pandoc)"},
  };
  for (const TCase& c : cases) {
    const test::TCommandRun run = test::RunCommand(c.command + " 2>&1");
    EXPECT_EQ(run.status, c.status) << c.command << "\n" << run.out;
    EXPECT_NE(run.out.find(c.message), std::string::npos) << c.command << "\n" << run.out;
  }
  EXPECT_FALSE(fs::exists(dir + "/b"));
  EXPECT_FALSE(fs::exists(dir + "/c"));
  EXPECT_EQ(test::ReadWholeFile(dir + "/mine/notes.txt"), "my notes");
  // An import that was changed since is not replaced.
  std::ofstream(dir + "/again/book.toml", std::ios::app) << "# mine\n";
  const test::TCommandRun run = test::RunCommand(imp + dir + "/en.fb2 -o " + dir + "/again 2>&1");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("book.toml was changed since it was imported"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace folivar
