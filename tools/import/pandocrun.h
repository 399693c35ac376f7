// Running pandoc: a book file in one of the formats pandoc reads, as pandoc's JSON tree, with the
// book's pictures written by pandoc into a folder of ours.
#pragma once

#include <string>
#include <vector>

namespace folivar::bookimport {

// The pandoc reader for a file, chosen by its extension (.epub, .fb2, .docx, .odt, .html, .htm,
// .xhtml, .md, .markdown); raises std::runtime_error naming the formats for any other.
std::string PandocFormat(const std::string& file);

// Runs `pandoc --from FORMAT --to json --extract-media=MEDIA_DIR FILE` (an argument vector, no
// shell; with --sandbox for the formats that hold their pictures) in FILE's folder and returns
// what pandoc printed. pandoc's own warnings ("[WARNING] Could not fetch
// resource ...") are appended to warnings. Raises std::runtime_error when pandoc is not installed
// (saying how to install it) or fails (with the first line pandoc printed on stderr).
std::string RunPandoc(const std::string& file, const std::string& format, const std::string& mediaDir,
                      std::vector<std::string>& warnings);

}  // namespace folivar::bookimport
