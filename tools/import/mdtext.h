// Pieces of the chapter format written so that the compiler reads them back literally: text with
// every Markdown special escaped, code spans and fences long enough for what they hold, link
// targets, anchor names.
#pragma once

#include <string>

namespace folivar::bookimport {

// Text for a paragraph, heading, cell or description: the characters Markdown, the "smart"
// typography and the pipe tables would act on are escaped with a backslash.
std::string EscapeText(const std::string& text);

// A paragraph line that would begin a list, a heading or a quote ("1. ", "2) ", "+ ") gets the
// mark escaped.
std::string GuardLineStart(const std::string& line);

// `code`, with as many backticks as it needs (newlines become spaces).
std::string CodeSpan(const std::string& code);

// The fence of a code block that holds code: at least three backticks, more than any run in it.
std::string CodeFence(const std::string& code);

// A link or picture target: as it is, or in angle brackets with the characters that would end it
// encoded when it holds spaces, parentheses, angle brackets or backslashes.
std::string LinkTarget(const std::string& url);

// An anchor name from any id: letters and digits of every script, '-', '_' and '.' kept, other
// characters as '-', at most 64 bytes (never cut inside a character); "x" when nothing is left.
std::string SafeAnchorName(const std::string& id);

// A file name part from a text: ASCII letters and digits in lower case, other runs as one '-',
// at most max bytes; empty when nothing is left.
std::string FileSlug(const std::string& text, size_t max);

// s as its spaces (and no-break spaces) at the start, the rest, and its spaces at the end: an
// emphasis takes the middle ("*a *" is not one).
void SplitEdges(const std::string& s, std::string& lead, std::string& core, std::string& trail);

}  // namespace folivar::bookimport
