// TFolivar: the reader's one window. Borderless, exactly one page or a two-page spread large, it
// loads the book at start (with the book information as a splash), keeps the layers from which
// every screen image is composed (the page display, the screen view, the click map and its
// highlight layer), places the reader's own buttons, paints, runs the 50 ms timer of the hover
// highlight and of press-and-hold, turns pages by key, mouse and link (with a page curl between
// spreads) and remembers the page it shows.
//
// The page shown is written to the settings after every page change once start-up is done, and
// again when the window closes, so that a crash or a power cut does not lose the reader's place.
//
// Scale: the window shows the book at s = the monitor's DPI / 96 times the zoom (reader/zoom.h),
// the largest scale not above that at which the window fits the monitor's work area. Its pixel
// layers (page surface, background, highlight layer, screen view, page-turn pictures) are device
// size; everything else stays in book coordinates, and mouse positions become book coordinates as
// they come in. Ctrl+Plus, Ctrl+Minus, Ctrl+0 and Ctrl+wheel change the zoom, which the book's
// settings keep; a new DPI (the window moved to another monitor, or the setting changed) remakes
// the layers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "book/bookclass.h"
#include "book/search.h"
#include "display/StdWin.h"
#include "display/help.h"
#include "reader/findbox.h"
#include "reader/findwin.h"
#include "reader/highlight.h"
#include "reader/itemboxes.h"
#include "reader/linkfocus.h"
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
  void UserMessage(WPARAM wParam, LPARAM lParam) override;

 private:
  void OnSysCommand(TWinMessage& m);
  void OnDragEnd(TWinMessage& m);
  void OnWheel(TWinMessage& m);
  void OnDpiChanged(TWinMessage& m);
  void OnChar(TWinMessage& m);

  // The window has gone (closed from outside while a box, the print dialog or the splash ran
  // their own message loop): the layers are freed, and nothing may be shown any more.
  bool Gone() const { return !Handle() || !display_; }
  // Every drag ends, and the mouse is let go.
  void EndDrags();

  // A book length at the window's scale, in device pixels.
  int32_t Device(int32_t length) const;
  // A device position in the window as a book coordinate.
  int32_t Book(int32_t position) const;
  // The scale of the book on the window's monitor: the chosen one (DPI and zoom), or the largest
  // at which the widest window the book takes (a spread) fits the work area. One scale for every
  // page, so that text keeps its size from the cover to the spreads.
  double FittingScale() const;
  // The layers at a new scale (a new zoom or DPI) and the window at its new size: placed at the
  // suggested rectangle's corner when the system gives one, otherwise around its centre.
  void Rescale(const RECT* suggested);
  void ZoomTo(int32_t zoom);

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

  // Find (Ctrl+F, F3, Shift+F3), copying (Ctrl+C) and the links from the keyboard (Tab, Enter).
  // True when a key went to the find box.
  bool FindBoxKey(int32_t key, bool control);
  void OpenFind();
  // The search index of the book, made on first need and kept while the reader runs.
  void BuildIndex();
  void CloseFind();
  void ShowFindInput();
  void Find(bool forward);
  void PasteIntoFind();
  void CopyPages();
  void MoveFocus(bool forward);
  void FollowFocus();
  // The pages shown, each with where it was drawn.
  std::vector<std::pair<int32_t, TPageFrame>> ShownPages();
  TPage* ShownPage(int32_t index);
  void MarkHit();
  // The match and the focus frame over the screen view.
  void DrawMarks();

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

  TWinPtr<TFindWin> findBox_;
  TFindInput findInput_;
  TSearchIndex search_;
  std::optional<TSearchHit> hit_;  // the match shown, while its page is shown
  std::u16string hitQuery_;
  bool finding_ = false;           // the page moves to a match
  bool findLeftPage_ = false;      // this find has put its starting page into the history
  std::vector<TItemBox> matchBoxes_;  // book coordinates, one per line of the match
  TLinkFocus focus_;
  bool focusReady_ = false;  // the stops are those of the pages shown

  int32_t zoom_ = 100;   // percent
  uint32_t dpi_ = 96;    // of the window's monitor
};

}  // namespace folivar
