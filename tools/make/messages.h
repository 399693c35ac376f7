// messages.txt: the texts the reader shows, one "key = text" line each. The keys are the reader's
// own; a key the reader never asks for is an error (it would be lost), and a key the file leaves
// out keeps its English text, so that no box of the reader is ever empty.
#pragma once

#include <string>
#include <vector>

#include "tools/make/codepage.h"

namespace folivar::make {

struct TMessages {
  std::vector<std::string> keys;   // as the reader looks them up
  std::vector<std::string> texts;  // UTF-8, NFC
};

// The English texts of every key.
TMessages DefaultMessages();

// Parses the file's bytes (UTF-8, or code page 1251 when they are not UTF-8) over the defaults.
// `file` names the file in errors; the texts pass `texts` (a gate of its own when none is given).
TMessages ParseMessages(const std::string& bytes, const std::string& file, TSourceText* texts = nullptr);

}  // namespace folivar::make
