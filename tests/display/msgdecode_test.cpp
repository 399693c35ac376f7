// The window shell's arithmetic: message arguments as the shell reads them, and the handler
// tables searched from a class upwards.
#include "display/msgdecode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/msgtable.h"

namespace folivar {
namespace {

// lParam as Windows packs a mouse position: two 16-bit words, the pair sign-extended to 64 bits
// as a LONG would be.
int64_t PackPosition(int32_t x, int32_t y) {
  const auto packed = static_cast<uint32_t>((static_cast<uint32_t>(y) & 0xFFFF) << 16 |
                                            (static_cast<uint32_t>(x) & 0xFFFF));
  return static_cast<int32_t>(packed);
}

// wParam of WM_MOUSEWHEEL: the signed delta in the high word of the low 32 bits, zero-extended.
uint64_t WheelParam(int16_t delta, uint16_t keys = 0) {
  return uint64_t{static_cast<uint16_t>(delta)} << 16 | keys;
}

TEST(MouseArguments, WordsAreUnsigned) {
  EXPECT_EQ(MouseX(PackPosition(10, 20)), 10);
  EXPECT_EQ(MouseY(PackPosition(10, 20)), 20);
  EXPECT_EQ(MouseX(PackPosition(40000, 50000)), 40000);
  EXPECT_EQ(MouseY(PackPosition(40000, 50000)), 50000);
  // Left of and above the window while the mouse is captured: large numbers, not negative ones,
  // although the packed value is negative.
  const int64_t outside = PackPosition(-1, -32768);
  EXPECT_LT(outside, 0);
  EXPECT_EQ(MouseX(outside), 65535);
  EXPECT_EQ(MouseY(outside), 32768);
  // Bits above the two words play no part.
  EXPECT_EQ(MouseX(int64_t{0x7654321000050006}), 6);
  EXPECT_EQ(MouseY(int64_t{0x7654321000050006}), 5);
}

TEST(WheelArgument, TowardsTheUserIsANegativeDelta) {
  EXPECT_EQ(WheelTowardsUser(WheelParam(-120)), 1);
  EXPECT_EQ(WheelTowardsUser(WheelParam(-1)), 1);
  EXPECT_EQ(WheelTowardsUser(WheelParam(-240, 0x0008)), 1);  // with Control held
  EXPECT_EQ(WheelTowardsUser(WheelParam(120)), 0);
  EXPECT_EQ(WheelTowardsUser(WheelParam(1, 0xFFFF)), 0);  // key bits are not the sign
  EXPECT_EQ(WheelTowardsUser(WheelParam(0)), 0);
  // The sign is bit 31 even in a 64-bit wParam, whose upper half is zero.
  EXPECT_EQ(WheelTowardsUser(0x00000000FF880000u), 1);
  EXPECT_EQ(WheelTowardsUser(0xFFFFFFFF00780000u), 0);
}

TEST(ModifierState, BitsOfShiftControlAndAlt) {
  EXPECT_EQ(ModifierBit(16), kModShift);
  EXPECT_EQ(ModifierBit(17), kModControl);
  EXPECT_EQ(ModifierBit(18), kModAlt);
  EXPECT_EQ(ModifierBit(65), 0);
  EXPECT_EQ(ModifierBit(0x10000 + 16), 0);

  uint8_t state = 0;
  state = ModifiersAfterKey(state, true, 16);
  EXPECT_EQ(state, 0x02);
  state = ModifiersAfterKey(state, true, 17);
  EXPECT_EQ(state, 0x06);
  state = ModifiersAfterKey(state, true, 18);
  EXPECT_EQ(state, 0x16);
  state = ModifiersAfterKey(state, true, 65);  // other keys leave the state
  EXPECT_EQ(state, 0x16);
  state = ModifiersAfterKey(state, false, 17);
  EXPECT_EQ(state, 0x12);
  state = ModifiersAfterKey(state, false, 16);
  state = ModifiersAfterKey(state, false, 16);  // a second release changes nothing
  EXPECT_EQ(state, 0x10);
  EXPECT_EQ(ModifiersAfterKey(state, false, 18), 0);
}

// Three classes in a line, each with a table, as window classes have.
struct TMessage {
  uint32_t number = 0;
  std::vector<std::string>* log = nullptr;
};

struct TRoot {
  virtual ~TRoot() = default;
  virtual const TMessageTable<TRoot, TMessage>& Table() const;
  void Paint(TMessage& m) { m.log->push_back("root paint"); }
  void Key(TMessage& m) { m.log->push_back("root key"); }
  std::string name = "root";
};
using TTable = TMessageTable<TRoot, TMessage>;

const TTable& RootTable() {
  static constexpr TTable::Entry kEntries[] = {TTable::On<&TRoot::Paint>(15),
                                               TTable::On<&TRoot::Key>(256)};
  static const TTable table(nullptr, kEntries);
  return table;
}
const TTable& TRoot::Table() const { return RootTable(); }

struct TMiddle : TRoot {
  const TTable& Table() const override;
  void Key(TMessage& m) { m.log->push_back("middle key of " + name); }
  void Activate(TMessage& m) { m.log->push_back("middle activate"); }
};

const TTable& MiddleTable() {
  static constexpr TTable::Entry kEntries[] = {TTable::On<&TMiddle::Key>(256),
                                               TTable::On<&TMiddle::Activate>(6)};
  static const TTable table(&RootTable(), kEntries);
  return table;
}
const TTable& TMiddle::Table() const { return MiddleTable(); }

struct TLeaf : TMiddle {
  const TTable& Table() const override;
  void Activate(TMessage& m) { m.log->push_back("leaf activate"); }
};

const TTable& LeafTable() {
  static constexpr TTable::Entry kEntries[] = {TTable::On<&TLeaf::Activate>(6)};
  static const TTable table(&MiddleTable(), kEntries);
  return table;
}
const TTable& TLeaf::Table() const { return LeafTable(); }

std::vector<std::string> Dispatch(TRoot& object, std::vector<uint32_t> numbers) {
  std::vector<std::string> log;
  for (uint32_t n : numbers) {
    TMessage m{n, &log};
    if (TTable::Handler handler = object.Table().Find(n)) {
      handler(object, m);
    } else {
      log.push_back("none");
    }
  }
  return log;
}

TEST(MessageTables, SearchedFromTheObjectsClassUpwards) {
  TRoot root;
  TMiddle middle;
  middle.name = "middle";
  TLeaf leaf;
  leaf.name = "leaf";
  EXPECT_EQ(Dispatch(root, {15, 256, 6, 999}),
            (std::vector<std::string>{"root paint", "root key", "none", "none"}));
  // The derived handler replaces the base one; what the class lacks comes from its base.
  EXPECT_EQ(Dispatch(middle, {15, 256, 6}),
            (std::vector<std::string>{"root paint", "middle key of middle", "middle activate"}));
  EXPECT_EQ(Dispatch(leaf, {15, 256, 6, 0}),
            (std::vector<std::string>{"root paint", "middle key of leaf", "leaf activate", "none"}));
}

TEST(MessageTables, FirstEntryOfATableWins) {
  static constexpr TTable::Entry kEntries[] = {TTable::On<&TRoot::Key>(7),
                                               TTable::On<&TRoot::Paint>(7)};
  const TTable table(nullptr, kEntries);
  TRoot root;
  std::vector<std::string> log;
  TMessage m{7, &log};
  table.Find(7)(root, m);
  EXPECT_EQ(log, std::vector<std::string>{"root key"});
  EXPECT_EQ(TTable(nullptr, {}).Find(7), nullptr);
}

}  // namespace
}  // namespace folivar
