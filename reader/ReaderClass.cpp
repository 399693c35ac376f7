#include "reader/ReaderClass.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "book/loading.h"
#include "book/paraclasses.h"
#include "core/codepage.h"
#include "core/strutil.h"
#include "display/anchorz.h"
#include "display/msgdecode.h"
#include "platform/win32/dpi.h"
#include "platform/win32/viewdc.h"
#include "reader/hotspots.h"
#include "reader/msgs.h"
#include "reader/navigation.h"
#include "reader/printing.h"
#include "reader/regstuff.h"
#include "reader/zoom.h"

namespace folivar {

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerPeriod = 50;
constexpr uint32_t kSplashTime = 1500;
// Older headers lack the message of a new DPI.
constexpr UINT kDpiChanged = 0x02E0;
constexpr int32_t kWheelNotch = 120;

// A text of the book as the system's wide calls take it, from the book's own encoding.
std::wstring SystemText(std::string_view bookText) {
  const std::u16string text = BookTextToUtf16(bookText, BookEncoding());
  return std::wstring(text.begin(), text.end());
}

// The desktop under the reader window, for the page turn: grabbed before the turn, and each frame
// copied onto it; the turn paces the frames by the tick count.
class TDesktopScreen : public TTurnScreen {
 public:
  TDesktopScreen() : dc_(GetDC(nullptr)) {}
  ~TDesktopScreen() override {
    if (dc_) ReleaseDC(nullptr, dc_);
  }
  TDesktopScreen(const TDesktopScreen&) = delete;
  TDesktopScreen& operator=(const TDesktopScreen&) = delete;

  void Grab(tview& into, int32_t x, int32_t y) override {
    if (dc_) GrabFromDC(into, dc_, x, y);
  }
  void Show(const tview& frame, int32_t x, int32_t y, size_t, size_t) override {
    if (!dc_) return;
    if (staged_.Width() != frame.Width() || staged_.Height() != frame.Height()) {
      staged_.Allocate(frame.Width(), frame.Height(), true);
    }
    frame.Put(staged_, 0, 0);
    DrawToDC(staged_, dc_, x, y);
    GdiFlush();
  }
  uint32_t Now() override { return GetTickCount(); }
  void Wait(uint32_t milliseconds) override { Sleep(milliseconds); }

 private:
  HDC dc_;
  tview staged_;
};

}  // namespace

TFolivar::TFolivar(std::unique_ptr<TBook> book) : book_(std::move(book)), loadsBook_(!book_) {
  if (!book_) book_ = std::make_unique<TBook>();
}

TFolivar::~TFolivar() = default;

const TWinTable& TFolivar::Table() {
  static constexpr TWinTable::Entry entries[] = {
      TWinTable::On<&TFolivar::OnSysCommand>(WM_SYSCOMMAND),
      TWinTable::On<&TFolivar::OnDragEnd>(WM_ACTIVATE),
      TWinTable::On<&TFolivar::OnDragEnd>(WM_CAPTURECHANGED),
      TWinTable::On<&TFolivar::OnWheel>(WM_MOUSEWHEEL),
      TWinTable::On<&TFolivar::OnDpiChanged>(kDpiChanged),
      TWinTable::On<&TFolivar::OnChar>(WM_CHAR),
  };
  static const TWinTable table(&TWin::Table(), entries);
  return table;
}

void TFolivar::AfterCreate() {
  SetTimer(Handle(), kTimerId, kTimerPeriod, nullptr);
  SetStyle(WS_SYSMENU);
  SetParent(Handle(), nullptr);

  LoadTheBook();
  if (!Handle()) return;  // closed while the book information was shown
  book_->OnPageChange = [this] { PageChanged(); };
  book_->OnPastEnd = [this] { EndReached(); };

  dpi_ = WindowDpi(Handle());
  display_ = std::make_unique<TPageDisplay>(*book_, FittingScale());
  NewScreenView();
  PlaceWindow();
  arrow_ = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  hand_ = LoadCursorA(GetModuleHandleA(nullptr), "HANDPOINT");
  FitWidth();
  ShowPage();
  Greet();
  if (Gone()) return;
  lastSpace_ = 0;
  history_.clear();
  started_ = true;
}

void TFolivar::LoadTheBook() {
  if (loadsBook_) {
    LoadBook(*book_, OpenBookImage(), [this] { ShowBookInformation(); });
  }
  section_ = BookSection(book_->header.title, book_->header.edition, BookEncoding());
  if (loadsBook_) {
    const std::string last = ReadSetting(section_, "LastViewedPage", BookEncoding());
    if (!last.empty()) book_->GoToPage(TextToInt(last));
    zoom_ = ZoomFromText(ReadSetting(section_, kZoomSetting, BookEncoding()));
  }
  SetCaption(BookTextToUtf16(book_->header.title + " - folivar", BookEncoding()));
  if (splash_) {
    // The book information stays at least a moment, however fast the book loaded.
    while (GetTickCount() - splashTime_ < kSplashTime) {
      if (!splash_->PumpOne()) Sleep(10);
    }
    splash_->Quit();
    splash_.reset();
  }
}

void TFolivar::ShowBookInformation() {
  splash_ = OpenInfoWindow(
      BookTextToUtf16(BookInformation(book_->header, MessageText("Publisher")), BookEncoding()),
      BookTextToUtf16(MessageText("Information"), BookEncoding()));
  splashTime_ = GetTickCount();
}

int32_t TFolivar::Device(int32_t length) const {
  return display_ ? DeviceLength(length, display_->Scale()) : length;
}

int32_t TFolivar::Book(int32_t position) const {
  return display_ ? BookPosition(position, display_->Scale()) : position;
}

double TFolivar::FittingScale() const {
  const RECT area = WorkArea(Handle());
  return folivar::FittingScale(ChosenScale(dpi_, zoom_), book_->header.viewWidth, book_->header.viewHeight,
                               area.right - area.left, area.bottom - area.top);
}

void TFolivar::PlaceWindow() {
  const int32_t width = Device(display_->WindowWidth());
  const int32_t height = Device(display_->WindowHeight());
  Resize(width, height);
  const TPosition p = CentredPosition(GetDeviceCaps(DC(), HORZRES), GetDeviceCaps(DC(), VERTRES),
                                      width, height);
  // Centred on the screen; moved into the work area when that leaves part of it outside.
  const RECT area = WorkArea(Handle());
  const TWindowRect placed =
      ResizedAroundCentre({p.x, p.y, p.x + width, p.y + height}, width, height,
                          {area.left, area.top, area.right, area.bottom});
  MoveTo(placed.left, placed.top);
}

void TFolivar::NewScreenView() {
  const TXif& surface = display_->Surface().Bitmap();
  screen_.Allocate(surface.Width(), surface.Height(), true);
}

void TFolivar::FitWidth() {
  const int32_t width = display_->FitWidth();
  if (width == 0) return;
  highlight_.level = 0;
  scrollDrag_ = false;
  const double scale = FittingScale();
  if (scale != display_->Scale()) display_ = std::make_unique<TPageDisplay>(*book_, scale);
  Resize(Device(width), Device(display_->WindowHeight()));
  display_->Layout(width);
  NewScreenView();
  hovered_ = 0;
}

void TFolivar::Rescale(const RECT* suggested) {
  EndDrags();
  highlight_.level = 0;
  hovered_ = 0;
  const int32_t width = display_->WindowWidth();
  const double scale = FittingScale();
  if (scale != display_->Scale()) {
    display_ = std::make_unique<TPageDisplay>(*book_, scale);
    if (display_->WindowWidth() != width) display_->Layout(width);
  }
  NewScreenView();
  const int32_t w = Device(width), h = Device(display_->WindowHeight());
  TWindowRect placed;
  if (suggested) {
    placed = {suggested->left, suggested->top, suggested->left + w, suggested->top + h};
  } else {
    const RECT area = WorkArea(Handle());
    placed = ResizedAroundCentre({Left(), Top(), Left() + Width(), Top() + Height()}, w, h,
                                 {area.left, area.top, area.right, area.bottom});
  }
  SetWindowPos(Handle(), nullptr, placed.left, placed.top, w, h,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  display_->Show();
  Repaint();
}

void TFolivar::ZoomTo(int32_t zoom) {
  if (zoom == zoom_ || Gone()) return;
  zoom_ = zoom;
  if (started_) WriteSetting(section_, kZoomSetting, ZoomText(zoom_), BookEncoding());
  Rescale(nullptr);
}

void TFolivar::PageChanged() {
  if (Gone()) return;
  // The marks go with the page; a match stays the place to search on from only while its page
  // is the one shown, and a find that goes on from another page keeps that page for Back.
  if (!finding_) {
    hit_.reset();
    findLeftPage_ = false;
  }
  matchBoxes_.clear();
  focus_.Clear();
  focusReady_ = false;
  FitWidth();
  display_->DrawScrollBar();
  ShowPage();
  RememberPage();
}

void TFolivar::ShowPage() {
  TBook& book = *book_;
  const int32_t current = book.CurrentIndex();
  const bool backwards = current < previousIndex_;
  const bool previousSpread = previousIndex_ < 0 || book.IsSpreadPage(previousIndex_);
  const bool spread = book.IsSpreadPage(-1);
  if (const int32_t shift = WindowShift(previousSpread, spread)) {
    // Sideways, but never out of the work area that the window fits.
    const RECT area = WorkArea(Handle());
    const int32_t left = Left() + Device(shift);
    const TWindowRect moved = ResizedAroundCentre(
        {left, Top(), left + Width(), Top() + Height()}, Width(), Height(),
        {area.left, area.top, area.right, area.bottom});
    MoveTo(moved.left, moved.top);
  }
  const bool animate = book.TwoPageMode() && spread && !previousSingle_ && PageTurnAnimated(book);
  previousIndex_ = current;

  const tview& surface = display_->Surface().Bitmap();
  std::unique_ptr<TDesktopScreen> desktop;
  bool turning = false;
  uint32_t turnTime = 0;
  if (animate) {
    highlight_.level = 0;
    surface.Put(screen_, 0, 0);
    Paint();
    GdiFlush();
    const TAnimation animation = ReadAnimation(book);
    turnTime = TurnTime(animation.duration, repeatTurn_);
    desktop = std::make_unique<TDesktopScreen>();
    // The turn is worked out on the device-size surface, its margins scaled with it.
    const TTurnMargins margins = ReadTurnMargins(book);
    const TTurnMargins deviceMargins{Device(margins.anix), Device(margins.anitop),
                                     Device(margins.anibottom)};
    turning = turn_.PrepareTurn(animation, backwards, deviceMargins, surface, Left(), Top(),
                                desktop.get());
    if (turning) turn_.CaptureBefore(surface);
  }
  display_->Show();
  repaintPending_ = true;
  if (turning) {
    turn_.CaptureAfter(surface);
    turn_.PlayTurn(*desktop, turnTime);
    turn_.EndTurn();
  }
  Paint();
  previousSingle_ = !spread;
}

void TFolivar::Paint() {
  if (!display_) return;  // closing
  if (!repaintPending_ && !GetUpdateRect(Handle(), nullptr, FALSE)) return;
  PAINTSTRUCT ps;
  BeginPaint(Handle(), &ps);
  if (repaintPending_) {
    display_->Surface().Bitmap().Put(screen_, 0, 0);
    // At level 0 the highlight is gone: nothing of it is blended in.
    if (hovered_ != 0 && highlight_.level > 0) {
      TClickMap& clicks = display_->Clicks();
      if (const THotBox* box = clicks.FindBox(hovered_)) {
        const THotBox d = clicks.DeviceBox(*box);
        clicks.DeviceHighlight().PutRectBlended(screen_, d.left, d.top, d.right - d.left,
                                                d.bottom - d.top, d.left, d.top, 0,
                                                highlight_.BlendWeight());
      }
    }
    DrawMarks();
  }
  DrawToDC(screen_, DC(), 0, 0);
  EndPaint(Handle(), &ps);
  repaintPending_ = false;
}

void TFolivar::Repaint() {
  repaintPending_ = true;
  Paint();
}

void TFolivar::Timer(UINT_PTR) {
  if (!display_ || highlight_.phase == THighlight::kIdle) return;
  POINT pointer;
  GetCursorPos(&pointer);
  RECT window;
  GetWindowRect(Handle(), &window);
  const bool inside = pointer.x >= window.left && pointer.x <= window.right &&
                      pointer.y >= window.top && pointer.y <= window.bottom;
  if (hold_.Tick(inside, buttonHeld_)) {
    repeatTurn_ = true;
    if (hovered_ == kHotNextCorner) book_->NextPage();
    if (hovered_ == kHotPreviousCorner) book_->PreviousPage();
    repeatTurn_ = false;
  }
  if (highlight_.Tick(inside)) Repaint();
  repaintPending_ = true;
}

void TFolivar::MouseMove(int32_t x, int32_t y) {
  if (!display_) return;
  // While a drag holds the mouse, the pointer may be above or below the window: the position is
  // then a signed 16-bit value, and the bar's page for it is the first or the last.
  const int32_t dragY = Book(static_cast<int16_t>(y));
  if (x >= Device(display_->WindowWidth())) x = 0;
  if (y >= Device(display_->WindowHeight())) y = 0;
  x = Book(x);
  y = Book(y);
  if (windowDrag_) {
    POINT pointer;
    GetCursorPos(&pointer);
    MoveTo(pointer.x - dragOffset_.x, pointer.y - dragOffset_.y);
  }
  if (scrollDrag_) JumpToScroll(dragY);
  const uint16_t code = display_->Clicks().CodeAt(x, y);
  highlight_.TargetFor(code);
  if (highlight_.Hover(code, hovered_)) {
    display_->Surface().Bitmap().Put(screen_, 0, 0);
    DrawMarks();
    hovered_ = code;
  }
  if (const T2D* map = display_->Surface().ItemMap(); map && map->ItemAt(x, y)) {
    SetCursor(hand_ ? hand_ : arrow_);
    highlight_.target = 1;
  }
}

void TFolivar::MouseButton(uint8_t down, uint8_t button, int32_t x, int32_t y) {
  if (!display_) return;
  if (button == 3) {
    if (down) {
      book_->NextPage();
    } else {
      book_->PreviousPage();
    }
    return;
  }
  const int32_t rawX = x, rawY = y;  // device pixels, for dragging the window
  if (x >= Device(display_->WindowWidth())) x = 0;
  if (y >= Device(display_->WindowHeight())) y = 0;
  x = Book(x);
  y = Book(y);
  buttonHeld_ = down != 0;
  const uint16_t code = display_->Clicks().CodeAt(x, y);
  const uint8_t sub = display_->Clicks().SubAt(x, y);
  const T2D* map = display_->Surface().ItemMap();
  const TViewItem* item = map ? map->ItemAt(x, y) : nullptr;
  // Every release ends every drag, wherever it comes (the mouse is captured while one lasts).
  const bool dragging = windowDrag_ || scrollDrag_;
  if (!down) EndDrags();
  if (item) {
    if (!down) FollowLink(*item);
    return;
  }
  if (code == kHotNone && down) {
    windowDrag_ = true;
    SetCapture(Handle());
    dragOffset_ = {rawX, rawY};
  }
  if (down) {
    if (code == kHotNextCorner) book_->NextPage();
    if (code == kHotPreviousCorner) book_->PreviousPage();
  } else {
    if (code == kHotSideButton) {
      if (sub == kSideAbout) About();
      if (sub == kSidePrint) Print();
      if (sub == kSideBack) Back();
    } else if (code == kHotWindowButton) {
      if (sub == kWindowClose) {
        if (!dragging) {
          highlight_.level = 0;
          Quit();
          return;
        }
      } else if (sub == kWindowMinimise) {
        Minimise();
      }
    }
  }
  if (down && code == kHotScrollBar && !Gone()) {
    scrollDrag_ = true;
    SetCapture(Handle());
    JumpToScroll(y);
  }
}

void TFolivar::EndDrags() {
  windowDrag_ = false;
  scrollDrag_ = false;
  if (Handle() && GetCapture() == Handle()) ReleaseCapture();
}

void TFolivar::Key(uint8_t down, int32_t key) {
  if (!down) keys_.Release(key);
  if (!down || !display_) return;
  const bool control = (Modifiers() & kModControl) != 0;
  const bool shift = (Modifiers() & kModShift) != 0;
  if (control) {
    if (const TZoomKey zoom = ZoomKeyAction(key); zoom != TZoomKey::kNone) {
      ZoomTo(ZoomAfterKey(zoom, zoom_));
      return;
    }
    if (key == 'F') return OpenFind();
    if (key == 'C') return CopyPages();
  }
  if (key == VK_F3) return Find(!shift);
  if (findBox_ && FindBoxKey(key, control)) return;
  if (key == VK_TAB) return MoveFocus(!shift);
  if (key == VK_RETURN && focus_.Focused()) return FollowFocus();
  repeatTurn_ = keys_.Press(key);
  switch (KeyAction(key)) {
    case TKeyAction::kBack: Back(); break;
    case TKeyAction::kNextPage: book_->NextPage(); break;
    case TKeyAction::kPreviousPage: book_->PreviousPage(); break;
    case TKeyAction::kFirstPage: book_->FirstPage(); break;
    case TKeyAction::kLastPage: book_->LastPage(); break;
    case TKeyAction::kSpaceNextPage: {
      const uint32_t now = GetTickCount();
      if (SpaceTurns(now, lastSpace_)) {
        lastSpace_ = now == 0 ? 1 : now;
        book_->NextPage();
      }
      break;
    }
    case TKeyAction::kMinimise: Minimise(); break;
    case TKeyAction::kBuildDate:
      ShowMessage(Cp1251ToUtf16(kBuildDateText), u"Build date",
                  {BookTextToUtf16(MessageText("OK"), BookEncoding())});
      break;
    case TKeyAction::kQuit: Quit(); break;
    case TKeyAction::kNone: break;
  }
  repeatTurn_ = false;
  // A box opened by this key (the end of the book, the build date) took its release.
  if (!(GetKeyState(key) & 0x8000)) keys_.Release(key);
}

void TFolivar::OnSysCommand(TWinMessage& m) {
  if ((m.wParam & 0xFFF0) == SC_CLOSE) {
    m.result = 0;
    m.callDefault = false;
    Quit();
  }
}

// The wheel turns pages; with Ctrl held it zooms, a step per notch (up: larger).
void TFolivar::OnWheel(TWinMessage& m) {
  if (GET_KEYSTATE_WPARAM(m.wParam) & MK_CONTROL) {
    const int32_t delta = GET_WHEEL_DELTA_WPARAM(m.wParam);
    int32_t notches = delta / kWheelNotch;
    if (notches == 0 && delta != 0) notches = delta > 0 ? 1 : -1;
    m.callDefault = false;
    m.result = 0;
    if (display_ && notches != 0) ZoomTo(MoveZoom(zoom_, notches));
    return;
  }
  // The message carries screen coordinates, which the wheel's page turns do not use.
  MouseButton(WheelTowardsUser(m.wParam), 3, MouseX(m.lParam), MouseY(m.lParam));
}

// The window's monitor has a new DPI (the window moved, or the setting changed): the layers at
// the new scale, the window at the system's suggested place.
void TFolivar::OnDpiChanged(TWinMessage& m) {
  m.callDefault = false;
  m.result = 0;
  const uint32_t dpi = LOWORD(m.wParam);
  if (!display_ || dpi == 0) return;
  dpi_ = dpi;
  // A rectangle that is empty or on no monitor (the message sent by another program) is not
  // followed: the window then changes around its centre.
  const auto* suggested = reinterpret_cast<const RECT*>(m.lParam);
  if (suggested && (suggested->right <= suggested->left || suggested->bottom <= suggested->top ||
                    !MonitorFromRect(suggested, MONITOR_DEFAULTTONULL))) {
    suggested = nullptr;
  }
  Rescale(suggested);
}

// Activation changed or the mouse was taken away: a release may never come.
void TFolivar::OnDragEnd(TWinMessage&) {
  windowDrag_ = false;
  scrollDrag_ = false;
}

void TFolivar::EndReached() {
  buttonHeld_ = false;
  const std::u16string text = BookTextToUtf16(MessageText("TheEnd"), BookEncoding());
  ShowMessage(text, text, {BookTextToUtf16(MessageText("Ok"), BookEncoding())});
}

void TFolivar::Greet() {
  if (ReadSetting("Setup", "FirstLaunch") == "True") return;
  WriteSetting("Setup", "FirstLaunch", "True");
  ShowMessage(BookTextToUtf16(MessageText("Congratulations"), BookEncoding()),
              BookTextToUtf16(MessageText("Congratulations2"), BookEncoding()),
              {BookTextToUtf16(MessageText("Continue"), BookEncoding())});
}

void TFolivar::RememberPage() {
  if (started_) {
    WriteSetting(section_, "LastViewedPage", IntToText(book_->CurrentIndex()), BookEncoding());
  }
}

void TFolivar::BeforeDestroy() {
  KillTimer(Handle(), kTimerId);
  findBox_.reset();
  if (book_->PageCount() > 0) {
    const int32_t page = keptPage_ >= 0 ? keptPage_ : book_->CurrentIndex();
    WriteSetting(section_, "LastViewedPage", IntToText(page), BookEncoding());
  }
  display_.reset();
}

void TFolivar::Back() {
  if (history_.empty()) return;
  const int32_t page = history_.back();
  history_.pop_back();
  book_->GoToPage(page);
}

void TFolivar::About() {
  if (book_->header.noAbout == 1) return;
  const int32_t page = book_->CurrentIndex();
  highlight_.level = 0;
  keptPage_ = page;
  book_->GoToPage(0);
  ShowMessage(
      BookTextToUtf16(BookInformation(book_->header, MessageText("Publisher")), BookEncoding()),
      u"Folivar - " + BookTextToUtf16(MessageText("About"), BookEncoding()),
      {BookTextToUtf16(MessageText("Ok"), BookEncoding())});
  if (Gone()) return;  // closed while the box was open: the page was kept as it closed
  keptPage_ = -1;
  book_->GoToPage(page);
}

void TFolivar::Minimise() {
  highlight_.phase = THighlight::kIdle;
  highlight_.level = 0;
  ShowWindow(Handle(), SW_MINIMIZE);
}

void TFolivar::FollowLink(const TViewItem& item) {
  const std::string link = LinkOf(item);
  if (link.empty()) return;
  if (link[0] == '#') {
    const auto anchor = FindAnchor(std::string_view(link).substr(1));
    if (!anchor) return;
    history_.push_back(book_->CurrentIndex());
    book_->GoToPage(book_->AlignToSpread(AnchorPage(*anchor)));
    SetCursor(arrow_);
    return;
  }
  // Only web and mail links reach the shell: a book must not start programs or open files.
  if (!OpensInShell(link)) return;
  ShellExecuteW(nullptr, L"open", SystemText(link).c_str(), L"new", L"", SW_SHOW);
}

void TFolivar::JumpToScroll(int32_t y) {
  book_->GoToPage(ScrollBarPage(y, display_->ScrollBar(), book_->PageCount()));
}

void TFolivar::Print() {
  TBook& book = *book_;
  PRINTDLGA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = Handle();
  dialog.Flags = PD_RETURNDC | PD_NOSELECTION;
  dialog.nFromPage = dialog.nToPage = static_cast<WORD>(book.CurrentIndex());
  dialog.nMinPage = 0;
  dialog.nMaxPage = static_cast<WORD>(book.PageCount() - 1);
  dialog.nCopies = 1;
  if (!PrintDlgA(&dialog)) return;
  // The dialog's memory and printer context are released however printing ends.
  struct TDialogRelease {
    PRINTDLGA& d;
    ~TDialogRelease() {
      if (d.hDC) DeleteDC(d.hDC);
      if (d.hDevMode) GlobalFree(d.hDevMode);
      if (d.hDevNames) GlobalFree(d.hDevNames);
    }
  } release{dialog};
  if (!dialog.hDC || Gone()) return;
  int32_t from = 0, to = book.PageCount() - 1;
  if (dialog.Flags & PD_PAGENUMS) {
    from = dialog.nFromPage;
    to = dialog.nToPage;
  }
  const std::wstring title = SystemText(MessageText("PrintingDocumentTitle"));
  DOCINFOW doc{};
  doc.cbSize = sizeof doc;
  doc.lpszDocName = title.c_str();
  const int32_t remembered = book.CurrentIndex();
  const TPrintSize size = PrintOutputSize(GetDeviceCaps(dialog.hDC, HORZRES),
                                          GetDeviceCaps(dialog.hDC, VERTRES),
                                          book.header.viewWidth, book.header.viewHeight);
  // A printer that refuses the document or a page has printed nothing worth a completion box.
  if (StartDocW(dialog.hDC, &doc) <= 0) return;
  bool printed = true;
  // Each page is drawn afresh at the printer's resolution, beside the window's own layers.
  TPagePrinter printer(book, PrintScale(size, GetDeviceCaps(dialog.hDC, LOGPIXELSX),
                                        GetDeviceCaps(dialog.hDC, LOGPIXELSY),
                                        book.header.viewWidth, book.header.viewHeight));
  const int32_t last = book.IsLeftPage(to) ? to : to - 1;
  keptPage_ = remembered;
  book.GoToPage(from);
  while (book.CurrentIndex() <= last && !Gone()) {
    if (StartPage(dialog.hDC) <= 0) {
      printed = false;
      break;
    }
    const int32_t width =
        book.TwoPageMode() && !book.IsSpreadPage(-1) ? size.width / 2 : size.width;
    if (!PrintPage(printer, dialog.hDC, width, size.height) || EndPage(dialog.hDC) <= 0) {
      printed = false;
      break;
    }
    if (book.AtLastView()) break;
    const int32_t before = book.CurrentIndex();
    book.NextPage();
    if (book.CurrentIndex() == before) break;  // the book refused to move on
  }
  if (printed) {
    printed = EndDoc(dialog.hDC) > 0;
  } else {
    AbortDoc(dialog.hDC);
  }
  if (Gone()) return;
  keptPage_ = -1;
  book.GoToPage(remembered);
  PumpOne();
  if (!printed || Gone()) return;
  ShowMessage(BookTextToUtf16(MessageText("PrintingCompleted"), BookEncoding()), u"",
              {BookTextToUtf16(MessageText("Ok"), BookEncoding())});
}

}  // namespace folivar
