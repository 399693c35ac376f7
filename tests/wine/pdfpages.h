// Just enough of a PDF file for the printing tests: whether it was written to its end, and how
// many pages its page tree counts. Reads only the plain text of the page-tree dictionaries, as
// Ghostscript writes them (not inside compressed object streams).
#pragma once

#include <string_view>

namespace folivar {

// True when the file begins with "%PDF-" and ends with "%%EOF" (and line ends after it).
bool PdfComplete(std::string_view pdf);
// The /Count of the page tree's root: the largest /Count of the dictionaries of /Type /Pages;
// -1 when there is none.
int PdfPageCount(std::string_view pdf);

}  // namespace folivar
