#include "tools/make/linebreak.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "book/paraclasses.h"

namespace folivar::make {

namespace {

constexpr int32_t kMaxSpace = 127;  // the widest a space may be widened to
constexpr double kLinePenalty = 10;
constexpr double kFlaggedDemerits = 3000;
constexpr double kFitnessDemerits = 3000;
constexpr double kUnjustifiableDemerits = 1e8;

struct TNode {
  int64_t at = -1;  // element index of the break; -1 for the paragraph's start
  size_t line = 0;  // lines before this break's line
  int fitness = 1;
  double demerits = 0;
  bool flagged = false;
  std::shared_ptr<TNode> previous;
};

struct TSums {
  std::vector<int64_t> width, stretch, spaces;  // of elements [0, i)
};

bool Legal(const std::vector<TElement>& e, size_t i) {
  if (e[i].type == TElement::kPenalty) return e[i].penalty < kNever;
  if (e[i].type == TElement::kGlue) return e[i].breakable && i > 0 && e[i - 1].type == TElement::kBox;
  return false;
}

// The first element of the line after a break at `at`: glue and penalties after a break vanish.
size_t LineStart(const std::vector<TElement>& e, int64_t at) {
  size_t i = static_cast<size_t>(at + 1);
  while (i < e.size() && e[i].type != TElement::kBox) {
    if (e[i].type == TElement::kPenalty && e[i].penalty <= kForced) break;
    ++i;
  }
  return i;
}

int Fitness(double r) {
  if (r < 0.5) return 0;
  if (r < 1) return 1;
  if (r < 2) return 2;
  return 3;
}

std::shared_ptr<TNode> Run(const std::vector<TElement>& e, const TBreakOptions& o,
                           const TSums& s, double tolerance, bool lastResort, int32_t widestSpace) {
  std::vector<std::shared_ptr<TNode>> active{std::make_shared<TNode>()};
  for (size_t b = 0; b < e.size(); ++b) {
    if (!Legal(e, b)) continue;
    const bool forced = e[b].type == TElement::kPenalty && e[b].penalty <= kForced;
    const double penalty = e[b].type == TElement::kPenalty ? e[b].penalty : 0;
    const bool flagged = e[b].type == TElement::kPenalty && e[b].flagged;
    std::shared_ptr<TNode> best[4];
    std::vector<std::shared_ptr<TNode>> keep;
    for (const auto& a : active) {
      const size_t start = LineStart(e, a->at);
      const size_t from = std::min(start, b);
      const int64_t width = s.width[b] - s.width[from] +
                            (e[b].type == TElement::kPenalty ? e[b].width : 0);
      const int64_t stretch = s.stretch[b] - s.stretch[from];
      const int64_t spaces = s.spaces[b] - s.spaces[from];
      const int32_t target = o.lineWidth(a->line);
      // Overfull: every later break from this node is longer still.
      if (width > target) continue;
      keep.push_back(a);
      double r = 0;
      bool feasible = true;
      bool unjustifiable = false;  // set ragged: allowed only as the last resort, and costly
      const int64_t extra = target - width;
      if (!forced) {
        if (extra > 0) {
          r = stretch > 0 ? static_cast<double>(extra) / static_cast<double>(stretch)
                          : std::numeric_limits<double>::infinity();
          if (o.justify) {
            if (spaces == 0 || (extra + spaces - 1) / spaces + widestSpace > kMaxSpace) {
              feasible = lastResort;
              unjustifiable = true;
            }
          }
        }
      }
      if (r > tolerance && !lastResort) feasible = false;
      if (!feasible) continue;
      const double badness = std::isinf(r) ? 10000 : std::min(10000.0, 100 * r * r * r);
      double d = (kLinePenalty + badness) * (kLinePenalty + badness);
      if (penalty > 0) d += penalty * penalty;
      else if (penalty > kForced) d -= penalty * penalty;
      if (flagged && a->flagged) d += kFlaggedDemerits;
      if (unjustifiable) d += kUnjustifiableDemerits;
      const int fitness = forced ? 1 : Fitness(r);
      if (std::abs(fitness - a->fitness) > 1) d += kFitnessDemerits;
      d += a->demerits;
      auto& slot = best[fitness];
      if (!slot || d < slot->demerits) {
        slot = std::make_shared<TNode>();
        slot->at = static_cast<int64_t>(b);
        slot->line = a->line + 1;
        slot->fitness = fitness;
        slot->demerits = d;
        slot->flagged = flagged;
        slot->previous = a;
      }
    }
    active = forced ? std::vector<std::shared_ptr<TNode>>{} : std::move(keep);
    for (auto& n : best)
      if (n) active.push_back(n);
    if (active.empty()) return nullptr;
  }
  std::shared_ptr<TNode> result;
  for (const auto& a : active)
    if (a->at == static_cast<int64_t>(e.size()) - 1 && (!result || a->demerits < result->demerits)) result = a;
  return result;
}

}  // namespace

std::vector<TBrokenLine> BreakLines(const std::vector<TElement>& given, const TBreakOptions& o) {
  if (given.empty()) return {};
  std::vector<TElement> split;
  const std::vector<TElement>* elements = &given;
  for (int attempt = 0; attempt < 2; ++attempt) {
  const std::vector<TElement>& e = *elements;
  TSums s;
  s.width.assign(e.size() + 1, 0);
  s.stretch.assign(e.size() + 1, 0);
  s.spaces.assign(e.size() + 1, 0);
  int32_t widestSpace = 0;
  for (size_t i = 0; i < e.size(); ++i) {
    const bool counted = e[i].type != TElement::kPenalty;
    s.width[i + 1] = s.width[i] + (counted ? e[i].width : 0);
    s.stretch[i + 1] = s.stretch[i] + (e[i].type == TElement::kGlue ? e[i].stretch : 0);
    s.spaces[i + 1] = s.spaces[i] + (e[i].type == TElement::kGlue ? 1 : 0);
    if (e[i].type == TElement::kGlue) widestSpace = std::max(widestSpace, e[i].width);
  }
  std::shared_ptr<TNode> last;
  for (double tolerance : {1.0, 3.0, 10.0}) {
    last = Run(e, o, s, tolerance, false, widestSpace);
    if (last) break;
  }
  if (!last) last = Run(e, o, s, std::numeric_limits<double>::infinity(), true, widestSpace);
  if (!last) {
    // A word longer than a line: it may then break between any two of its items.
    if (attempt == 1) return {};
    for (size_t i = 0; i < given.size(); ++i) {
      if (i > 0 && given[i].type == TElement::kBox && given[i - 1].type == TElement::kBox) {
        TElement p;
        p.type = TElement::kPenalty;
        p.penalty = 5000;
        split.push_back(p);
      }
      split.push_back(given[i]);
    }
    elements = &split;
    continue;
  }

  std::vector<int64_t> breaks;
  for (auto n = last; n && n->at >= 0; n = n->previous) breaks.push_back(n->at);
  std::reverse(breaks.begin(), breaks.end());

  std::vector<TBrokenLine> lines;
  int64_t previous = -1;
  for (int64_t at : breaks) {
    TBrokenLine line;
    const auto b = static_cast<size_t>(at);
    // Anchors on the vanishing glue after the previous break belong to this line.
    for (size_t i = static_cast<size_t>(previous + 1); i < b; ++i) {
      line.anchors.insert(line.anchors.end(), e[i].anchors.begin(), e[i].anchors.end());
    }
    const size_t start = LineStart(e, previous);
    for (size_t i = start; i < b; ++i) {
      if (e[i].type == TElement::kPenalty) continue;
      line.items.push_back(e[i].item);
      line.width += e[i].item.width;
      if (e[i].type == TElement::kGlue) ++line.spaces;
    }
    line.anchors.insert(line.anchors.end(), e[b].anchors.begin(), e[b].anchors.end());
    if (e[b].type == TElement::kPenalty && e[b].width > 0) {
      line.items.push_back(e[b].item);
      line.width += e[b].item.width;
      // A zero-width mark after the hyphen tells the compiler's hyphen from a word's own one, for
      // those who read the text back (folivar-info --text joins the word again).
      TLineItem mark = e[b].item;
      mark.code = kZeroWidth;
      mark.width = mark.ascent = mark.descent = 0;
      line.items.push_back(mark);
    }
    line.forced = e[b].type == TElement::kPenalty && e[b].penalty <= kForced;
    lines.push_back(std::move(line));
    previous = at;
  }
  return lines;
  }
  return {};
}

}  // namespace folivar::make
