// book.toml: the book's properties, page geometry, reader switches, pictures, styles and the order
// of its chapters, read with toml++. Every value is checked for its type and range; a key the
// format does not know is an error, so that a misspelt key is never silently ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/make/codepage.h"
#include "tools/make/sourceerror.h"

namespace folivar::make {

// A text style of book.toml. For the link style every field is optional: it is laid over the
// style the link stands in.
struct TTextStyle {
  std::optional<std::string> face;  // UTF-8
  std::optional<int32_t> size;      // points
  std::optional<bool> bold, italic, underline;
  std::optional<uint32_t> colour;   // 0x00RRGGBB
};

struct TBookSource {
  std::string dir;  // the source folder; every path below is relative to it

  std::string title, author, publisher, edition;  // UTF-8, NFC
  std::string language = "en";
  // The gate of every text of the book, book.toml's `encoding` its choice: chapters and messages
  // pass it too, and it decides the book's encoding.
  TSourceText texts;
  std::string messages = "messages.txt";
  bool messagesGiven = false;  // named in book.toml (then it must exist)
  std::vector<std::string> chapters;
  std::vector<int> chapterLines;  // line of each chapter's entry in book.toml

  int32_t pageWidth = 388, pageHeight = 575;
  int32_t marginLeft = 30, marginTop = 30, marginRight = 30, marginBottom = 45;
  bool spreads = true;
  int32_t firstSpreadPage = 1;

  bool print = true, about = true;
  int32_t spineLine = 1;
  uint32_t spineColour = 0xC6C2B6;
  int32_t glyphBlend = 0;
  uint32_t glyphColour = 0xFFFFFF;
  bool pageCurl = true;
  int32_t pageCurlDuration = 600;

  std::string cover, background, digits;  // empty: none
  int coverLine = 0, backgroundLine = 0, digitsLine = 0;

  TTextStyle text, heading1, heading2, heading3, link, dropcap;
  TTextStyle code, caption, note;  // code blocks, figure captions, the notes at a chapter's end

  // What book.toml asks for that the compiler cannot do but compiles anyway.
  std::vector<TSourceWarning> warnings;

  int32_t TextWidth() const { return pageWidth - marginLeft - marginRight; }
  int32_t TextHeight() const { return pageHeight - marginTop - marginBottom; }
};

// Reads SOURCE_DIR/book.toml. Raises TSourceError naming "book.toml" and the line.
TBookSource ReadBookSource(const std::string& dir);

// The default styles of the format, with every field set (the link overlay sets colour and
// underline only). `caption` and `note` take the face and colour of `text`.
TTextStyle DefaultStyle(const std::string& name, const TTextStyle& text = {});

}  // namespace folivar::make
