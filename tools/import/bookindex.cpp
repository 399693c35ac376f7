#include "tools/import/bookindex.h"

#include "tools/import/mdtext.h"

namespace folivar::bookimport {

void TBookIndex::Collect(const json& blocks) {
  CollectIds(blocks);
  CollectNotes(blocks, false);
  CollectLinks(blocks);
}

std::string TBookIndex::Name(const std::string& raw) const {
  auto it = ids_.find(raw);
  return it == ids_.end() ? std::string() : it->second;
}

std::string TBookIndex::HeaderId(const json* header) const {
  auto it = headerIds_.find(header);
  return it == headerIds_.end() ? std::string() : it->second;
}

const json* TBookIndex::TakeNote(const std::string& raw) {
  auto it = noteBodies_.find(raw);
  return it != noteBodies_.end() && usedNotes_.insert(raw).second ? it->second : nullptr;
}

const json* TBookIndex::LostMark(const json* str) const {
  auto it = lostMarks_.find(str);
  return it == lostMarks_.end() ? nullptr : it->second;
}

std::string TBookIndex::Register(const std::string& raw, const std::string& wish) {
  if (auto it = ids_.find(raw); it != ids_.end() && !raw.empty()) return it->second;
  const std::string base = SafeAnchorName(wish);
  std::string name = base;
  for (int n = 2; taken_.count(name); ++n) name = base + "-" + std::to_string(n);
  taken_.insert(name);
  if (!raw.empty()) ids_[raw] = name;
  return name;
}

std::string TBookIndex::Wish(const std::string& raw) {
  const size_t hash = raw.rfind('#');
  std::string part = hash == std::string::npos ? raw : raw.substr(hash + 1);
  if (IsFileName(part)) part = part.substr(0, part.rfind('.'));
  return part;
}

void TBookIndex::CollectIds(const json& x) {
  if (x.is_array()) {
    for (const json& y : x) CollectIds(y);
    return;
  }
  if (!x.is_object()) return;
  if (const json* attr = AttrOf(x)) {
    const std::string id = AttrId(*attr);
    if (!id.empty()) Register(id, Wish(id));
  }
  if (x.contains("c")) CollectIds(x["c"]);
}

std::string TBookIndex::Resolve(const std::string& target) const {
  if (target.empty()) return "";
  std::string t = target[0] == '#' ? target.substr(1) : target;
  if (ids_.count(t)) return t;
  if (target[0] != '#' && target.find(':') != std::string::npos) return "";  // a scheme
  // An EPUB's own relative path: "../text/ch003.xhtml#two".
  const size_t slash = t.rfind('/');
  if (slash != std::string::npos) t = t.substr(slash + 1);
  if (ids_.count(t)) return t;
  return "";
}

// Pandoc's own writers keep notes apart from the text: a section "footnotes" holding one part
// with an id for each note, which the mark links to. Such parts, and parts marked as notes,
// are notes.
void TBookIndex::CollectNotes(const json& x, bool inNotes) {
  if (x.is_array()) {
    for (const json& y : x) CollectNotes(y, inNotes);
    return;
  }
  if (!x.is_object()) return;
  if (Type(x) == "Div") {
    const json& attr = At(C(x), 0);
    const std::string id = AttrId(attr);
    const bool container =
        HasClass(attr, "footnotes") || HasClass(attr, "endnotes") || Wish(id) == "footnotes";
    if (!id.empty() && !container &&
        (inNotes || HasClass(attr, "footnote") || HasClass(attr, "endnote") || HasClass(attr, "rearnote"))) {
      noteBodies_[id] = &x;
      return;
    }
    CollectNotes(At(C(x), 1), inNotes || container);
    return;
  }
  if (x.contains("c")) CollectNotes(x["c"], inNotes);
}

void TBookIndex::CollectLinks(const json& x) {
  if (x.is_array()) {
    for (const json& y : x) CollectLinks(y);
    return;
  }
  if (!x.is_object()) return;
  if (Type(x) == "Link") {
    const std::string id = Resolve(Str(At(At(C(x), 2), 0)));
    if (!id.empty()) {
      if (noteBodies_.count(id)) {
        const std::string refId = AttrId(At(C(x), 0));
        if (!refId.empty()) noteRefIds_.insert(refId);
        referencedNotes_.insert(id);
      }
      targeted_.insert(id);
    }
  }
  if (x.contains("c")) CollectLinks(x["c"]);
}

bool TBookIndex::IsBackLink(const json& link) const {
  const json& attr = At(C(link), 0);
  if (HasClass(attr, "footnote-back") || HasClass(attr, "backlink")) return true;
  const std::string id = Resolve(Str(At(At(C(link), 2), 0)));
  return !id.empty() && noteRefIds_.count(id);
}

void TBookIndex::PairLostNoteMarks(const std::vector<TItem>& items) {
  size_t start = 0;
  while (start < items.size()) {
    size_t end = start + 1;
    while (end < items.size() && items[end].kind != TItem::kFile) ++end;
    std::vector<const json*> marks, bodies;
    for (size_t i = start; i < end; ++i)
      if (items[i].block) FindLost(*items[i].block, marks, bodies);
    if (!marks.empty() && marks.size() == bodies.size()) {
      for (size_t k = 0; k < marks.size(); ++k) {
        lostMarks_[marks[k]] = bodies[k];
        referencedNotes_.insert(AttrId(At(C(*bodies[k]), 0)));
      }
    }
    start = end;
  }
}

void TBookIndex::FindLost(const json& x, std::vector<const json*>& marks,
                          std::vector<const json*>& bodies) const {
  if (x.is_array()) {
    for (const json& y : x) FindLost(y, marks, bodies);
    return;
  }
  if (!x.is_object()) return;
  if (Type(x) == "Str" && Str(C(x)).empty()) {
    marks.push_back(&x);
    return;
  }
  if (Type(x) == "Div") {
    const std::string id = AttrId(At(C(x), 0));
    if (noteBodies_.count(id)) {
      if (!referencedNotes_.count(id)) bodies.push_back(&x);
      return;
    }
  }
  if (x.contains("c")) FindLost(x["c"], marks, bodies);
}

json TBookIndex::NoteBody(const json& div) const {
  json blocks = At(C(div), 1);
  StripBackLinks(blocks);
  return blocks;
}

void TBookIndex::StripBackLinks(json& x) const {
  if (x.is_array()) {
    for (size_t i = 0; i < x.size();) {
      if (Type(x[i]) == "Link" && IsBackLink(x[i])) {
        x.erase(x.begin() + static_cast<long>(i));
        continue;
      }
      StripBackLinks(x[i]);
      ++i;
    }
  } else if (x.is_object() && x.contains("c")) {
    StripBackLinks(x["c"]);
  }
}

}  // namespace folivar::bookimport
