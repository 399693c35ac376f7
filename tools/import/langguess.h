// The language of a text that names none, from its letters and its most common short words: one
// of the languages the compiler hyphenates (de, el, en, es, fr, it, pl, ru), or empty when the
// text does not say clearly.
#pragma once

#include <string>

namespace folivar::bookimport {

std::string GuessLanguage(const std::string& text);

}  // namespace folivar::bookimport
