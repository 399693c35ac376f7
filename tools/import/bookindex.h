// What the importer knows of the whole book before it writes a chapter: every id of pandoc's tree
// and the anchor name it becomes, which of them links lead to, and the notes that pandoc's own
// writers keep apart from their marks.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "tools/import/pandocjson.h"

namespace folivar::bookimport {

class TBookIndex {
 public:
  // Reads every id, note part and link of the blocks.
  void Collect(const json& blocks);

  // The anchor name for pandoc's id raw (made from wish when it is new); an unused name made from
  // wish when raw is empty.
  std::string Register(const std::string& raw, const std::string& wish);
  // The anchor name of a known id.
  std::string Name(const std::string& raw) const;
  // The part of an id that names it ("two" of "ch003.xhtml#two", "ch003" of "ch003.xhtml").
  static std::string Wish(const std::string& raw);
  // The raw id a link target names in this book, or empty.
  std::string Resolve(const std::string& target) const;
  // Whether a link leads to the id.
  bool Targeted(const std::string& raw) const { return targeted_.count(raw) > 0; }
  // A link that leads back from a note to its mark.
  bool IsBackLink(const json& link) const;

  // A section's id given to its heading, which has none of its own.
  void SetHeaderId(const json* header, const std::string& raw) { headerIds_[header] = raw; }
  std::string HeaderId(const json* header) const;

  // Note parts: pandoc's id -> the part (a Div), which a mark links to.
  bool IsNoteBody(const std::string& raw) const { return noteBodies_.count(raw) > 0; }
  // Whether the part is set at a mark (and so not where it stands).
  bool NoteUsed(const std::string& raw) const { return referencedNotes_.count(raw) > 0; }
  // The part for the first link to it; null for any later one.
  const json* TakeNote(const std::string& raw);
  // pandoc's EPUB reader drops the mark of a note whose text is not an <aside>, as pandoc's own
  // EPUB writer makes them, leaving an empty Str where the mark stood. In a file where the number
  // of such Strs is the number of note parts nothing links to, the k-th Str is the k-th note.
  void PairLostNoteMarks(const std::vector<TItem>& items);
  // The note part of such an empty Str, or null.
  const json* LostMark(const json* str) const;
  // The blocks of a note part without the links back to its mark.
  json NoteBody(const json& div) const;

 private:
  void CollectIds(const json& x);
  void CollectNotes(const json& x, bool inNotes);
  void CollectLinks(const json& x);
  void FindLost(const json& x, std::vector<const json*>& marks, std::vector<const json*>& bodies) const;
  void StripBackLinks(json& x) const;

  std::map<std::string, std::string> ids_;  // pandoc's id -> the anchor name in the book
  std::set<std::string> taken_;
  std::set<std::string> targeted_;
  std::map<const json*, std::string> headerIds_;
  std::map<std::string, const json*> noteBodies_;
  std::set<std::string> referencedNotes_, usedNotes_, noteRefIds_;
  std::map<const json*, const json*> lostMarks_;
};

}  // namespace folivar::bookimport
