#include "tests/wine/pdfpages.h"

#include <cctype>

namespace folivar {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '\f' || c == '\0'; }

size_t SkipSpaces(std::string_view s, size_t i) {
  while (i < s.size() && IsSpace(s[i])) ++i;
  return i;
}

// The end of the dictionary that begins at open ("<<"), counting nested ones; npos when it does
// not end.
size_t DictionaryEnd(std::string_view s, size_t open) {
  int depth = 0;
  for (size_t i = open; i + 1 < s.size(); ++i) {
    if (s[i] == '<' && s[i + 1] == '<') {
      ++depth;
      ++i;
    } else if (s[i] == '>' && s[i + 1] == '>') {
      if (--depth == 0) return i + 2;
      ++i;
    }
  }
  return std::string_view::npos;
}

}  // namespace

bool PdfComplete(std::string_view pdf) {
  if (pdf.substr(0, 5) != "%PDF-") return false;
  size_t end = pdf.size();
  while (end > 0 && IsSpace(pdf[end - 1])) --end;
  return end >= 5 && pdf.substr(end - 5, 5) == "%%EOF";
}

int PdfPageCount(std::string_view pdf) {
  int best = -1;
  for (size_t at = pdf.find("/Type"); at != std::string_view::npos; at = pdf.find("/Type", at + 5)) {
    const size_t name = SkipSpaces(pdf, at + 5);
    if (pdf.substr(name, 6) != "/Pages") continue;
    if (name + 6 < pdf.size() && std::isalnum(static_cast<unsigned char>(pdf[name + 6]))) continue;
    // The dictionary that holds this /Type: the nearest "<<" before it.
    const size_t open = pdf.rfind("<<", at);
    if (open == std::string_view::npos) continue;
    const size_t close = DictionaryEnd(pdf, open);
    if (close == std::string_view::npos || close < at) continue;
    const std::string_view dict = pdf.substr(open, close - open);
    const size_t count = dict.find("/Count");
    if (count == std::string_view::npos) continue;
    size_t i = SkipSpaces(dict, count + 6);
    int n = 0;
    bool digits = false;
    while (i < dict.size() && std::isdigit(static_cast<unsigned char>(dict[i])) && n < 1000000) {
      n = n * 10 + (dict[i] - '0');
      digits = true;
      ++i;
    }
    if (digits && n > best) best = n;
  }
  return best;
}

}  // namespace folivar
