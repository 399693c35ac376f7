#include "display/anchorz.h"

#include "book/loading.h"

namespace folivar {

namespace {

std::vector<TAnchor>& Anchors() {
  static std::vector<TAnchor> anchors;
  return anchors;
}

}  // namespace

void LoadAnchors(TMemFile& block, const std::string& where) {
  ClearAnchors();
  Anchors() = ReadAnchors(block, where);
}

void SetAnchors(std::vector<TAnchor> anchors) { Anchors() = std::move(anchors); }

void ClearAnchors() {
  Anchors().clear();
  Anchors().shrink_to_fit();
}

int32_t AnchorCount() { return static_cast<int32_t>(Anchors().size()); }

std::optional<int32_t> FindAnchor(std::string_view name) {
  const auto& anchors = Anchors();
  for (size_t i = 0; i < anchors.size(); ++i) {
    if (anchors[i].name == name) return static_cast<int32_t>(i);
  }
  return std::nullopt;
}

bool IsAnchor(int32_t number) { return number >= 0 && number < AnchorCount(); }

int32_t AnchorPage(int32_t number) { return IsAnchor(number) ? Anchors()[static_cast<size_t>(number)].page : -1; }

std::string AnchorName(int32_t number) {
  return IsAnchor(number) ? Anchors()[static_cast<size_t>(number)].name : std::string();
}

}  // namespace folivar
