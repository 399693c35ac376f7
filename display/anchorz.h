// Anchors: the named places of a book, each a name and the page it lies on. Links "#name" go to
// them, and page-reference items show their page numbers. One program-wide table, replaced as a
// whole when a book is loaded; an anchor's position in it is its anchor number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace folivar {

class TMemFile;

struct TAnchor {
  std::string name;
  int32_t page = 0;
};

// Replaces the table with the anchors of an unpacked anchor block (count, then per anchor a
// length-prefixed name and an int32 page). Raises TBookDamaged for a block that does not hold
// what its count says; the table is then empty.
void LoadAnchors(TMemFile& block, const std::string& where);
void SetAnchors(std::vector<TAnchor> anchors);
void ClearAnchors();
int32_t AnchorCount();

// The first anchor whose name equals name byte for byte.
std::optional<int32_t> FindAnchor(std::string_view name);
// Whether a page-reference code names an anchor; codes that do not draw nothing and link nowhere.
bool IsAnchor(int32_t number);
// The page and the name of an anchor; -1 and "" for a number that names none.
int32_t AnchorPage(int32_t number);
std::string AnchorName(int32_t number);

}  // namespace folivar
