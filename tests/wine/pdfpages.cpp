#include "tests/wine/pdfpages.h"

namespace folivar {

bool PdfComplete(std::string_view pdf) {
  if (pdf.substr(0, 5) != "%PDF-") return false;
  size_t end = pdf.size();
  while (end > 0 && (pdf[end - 1] == ' ' || pdf[end - 1] == '\r' || pdf[end - 1] == '\n')) --end;
  return end >= 5 && pdf.substr(end - 5, 5) == "%%EOF";
}

}  // namespace folivar
