// TFolivar: the reader's one window. Borderless, exactly one page or a two-page spread large, it
// loads the book at start (with the book information as a splash), keeps the layers from which
// every screen image is composed (the page display, the screen view, the click map and its
// highlight layer), places the reader's own buttons, paints, runs the 50 ms timer of the hover
// highlight and of press-and-hold, turns pages by key, mouse and link (with a page curl between
// spreads) and remembers the page it shows.
//
// The page shown is written to the settings after every page change once start-up is done, and
// again when the window closes, so that a crash or a power cut does not lose the reader's place.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "book/bookclass.h"
#include "display/StdWin.h"
#include "display/help.h"
#include "reader/highlight.h"
#include "reader/navigation.h"
#include "reader/pagedisplay.h"
#include "reader/pageturn.h"

namespace folivar {

class TFolivar : public TWin {
 public:
  // With no book the window loads the book image the program carries (the main program's case);
  // a loading failure leaves AfterCreate with TBookDamaged or TIOError.
  explicit TFolivar(std::unique_ptr<TBook> book = nullptr);
  ~TFolivar() override;

  TBook& Book() { return *book_; }

 protected:
  const TWinTable& MessageTable() const override { return Table(); }
  static const TWinTable& Table();

  void AfterCreate() override;
  void BeforeDestroy() override;
  void Paint() override;
  void MouseMove(int32_t x, int32_t y) override;
  void MouseButton(uint8_t down, uint8_t button, int32_t x, int32_t y) override;
  void Key(uint8_t down, int32_t key) override;
  void Timer(UINT_PTR id) override;

 private:
  void OnSysCommand(TWinMessage& m);
  void OnDragEnd(TWinMessage& m);

  // The window has gone (closed from outside while a box, the print dialog or the splash ran
  // their own message loop): the layers are freed, and nothing may be shown any more.
  bool Gone() const { return !Handle() || !display_; }
  // Every drag ends, and the mouse is let go.
  void EndDrags();

  void LoadTheBook();
  void ShowBookInformation();
  void PlaceWindow();
  void NewScreenView();
  void FitWidth();
  void PageChanged();
  void ShowPage();
  void EndReached();
  void Greet();
  void RememberPage();
  void Repaint();

  void Back();
  void About();
  void Minimise();
  void Print();
  void FollowLink(const TViewItem& item);
  void JumpToScroll(int32_t y);

  std::unique_ptr<TBook> book_;
  bool loadsBook_;
  std::unique_ptr<TPageDisplay> display_;
  tview screen_;  // the page surface with the highlight, as last painted
  std::string section_;
  TPageTurn turn_;

  THighlight highlight_;
  THold hold_;
  TKeyRepeat keys_;
  bool repeatTurn_ = false;  // the page moving now is a held corner's or a repeated key's
  uint16_t hovered_ = 0;
  bool windowDrag_ = false;
  bool scrollDrag_ = false;
  POINT dragOffset_{};
  bool buttonHeld_ = false;
  bool repaintPending_ = false;
  bool started_ = false;

  HCURSOR arrow_ = nullptr;
  HCURSOR hand_ = nullptr;

  TWinPtr<THelpWin> splash_;
  uint32_t splashTime_ = 0;
  uint32_t lastSpace_ = 0;
  std::vector<int32_t> history_;

  // The page to remember while About or printing shows other pages; -1 for the current one.
  int32_t keptPage_ = -1;

  int32_t previousIndex_ = -1;
  bool previousSingle_ = true;
};

}  // namespace folivar
