// Just enough of a PDF file for the printing tests: whether it was written to its end. (The
// pages and what they show are measured natively by check-printed-pdfs.)
#pragma once

#include <string_view>

namespace folivar {

// True when the file begins with "%PDF-" and ends with "%%EOF" (and line ends after it).
bool PdfComplete(std::string_view pdf);

}  // namespace folivar
