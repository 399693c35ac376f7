#include "tools/folivar-render/rendering.h"

#include <map>
#include <memory>
#include <stdexcept>

#include "book/bookclass.h"
#include "book/putbytes.h"
#include "reader/pagedisplay.h"

namespace folivar {

namespace {

// Passes every call to the device it wraps and notes what was written.
class TTracingDevice : public TTextDevice {
 public:
  TTracingDevice(std::unique_ptr<TTextDevice> device, std::vector<TWrittenText>& log)
      : device_(std::move(device)), log_(log) {}

  void SelectFont(const TLogFont& font) override { device_->SelectFont(font); }
  void SetTextColour(uint32_t colour) override { device_->SetTextColour(colour); }
  TTextExtent MeasureText(std::u16string_view text) override { return device_->MeasureText(text); }
  void GetAscentDescent(int32_t& ascent, int32_t& descent) override {
    device_->GetAscentDescent(ascent, descent);
  }
  void WriteText(int32_t x, int32_t y, std::u16string_view text) override {
    TWrittenText& t = Note(x, y, text);
    for (char16_t c : text) t.advances.push_back(device_->MeasureText(std::u16string_view(&c, 1)).cx);
    device_->WriteText(x, y, text);
  }
  void WriteRun(int32_t x, int32_t y, std::u16string_view text, const int32_t* advances) override {
    Note(x, y, text).advances.assign(advances, advances + text.size());
    device_->WriteRun(x, y, text, advances);
  }

 private:
  TWrittenText& Note(int32_t x, int32_t y, std::u16string_view text) {
    int32_t a = 0, d = 0;
    device_->GetAscentDescent(a, d);
    log_.push_back({x, y, a + d, std::u16string(text), {}});
    return log_.back();
  }

  std::unique_ptr<TTextDevice> device_;
  std::vector<TWrittenText>& log_;
};

class TReader {
 public:
  explicit TReader(std::string_view bytes) : bytes_(bytes) {}
  uint32_t U32() {
    if (bytes_.size() - at_ < 4 || at_ > bytes_.size()) throw std::runtime_error("the rendering is cut short");
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t{static_cast<uint8_t>(bytes_[at_ + static_cast<size_t>(i)])} << (8 * i);
    at_ += 4;
    return v;
  }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  std::u16string Units(uint32_t n) {
    if ((bytes_.size() - at_) / 2 < n) throw std::runtime_error("the rendering is cut short");
    std::u16string s(n, u'\0');
    for (char16_t& c : s) {
      c = static_cast<char16_t>(static_cast<uint8_t>(bytes_[at_]) |
                                static_cast<uint8_t>(bytes_[at_ + 1]) << 8);
      at_ += 2;
    }
    return s;
  }
  // A count of records of at least size bytes that must fit in what is left.
  uint32_t Count(uint64_t size) {
    const uint32_t n = U32();
    if (n * size > bytes_.size() - at_) throw std::runtime_error("the rendering is cut short");
    return n;
  }

 private:
  std::string_view bytes_;
  size_t at_ = 0;
};

}  // namespace

TRendering RenderPage(TBook& book, int32_t index, const TTextDeviceFactory& makeDevice, double scale) {
  TRendering r;
  TPageDisplay display(book, [&](tview& target) {
    return std::make_unique<TTracingDevice>(makeDevice(target), r.texts);
  }, scale);
  book.GoToPage(book.AlignToSpread(index));
  if (const int32_t width = display.FitWidth()) display.Layout(width);
  r.texts.clear();  // what laying out measured is not part of the page
  display.Show();

  TSurface& surface = display.Surface();
  const TXif& bitmap = surface.Bitmap();
  r.width = bitmap.Width();
  r.height = bitmap.Height();
  std::map<const TViewItem*, uint32_t> numbers;
  for (uint32_t y = 0; y < r.height; ++y) {
    const int32_t bookY = surface.ToBook(static_cast<int32_t>(y));
    for (uint32_t x = 0; x < r.width; ++x) {
      r.pixels.push_back(bitmap.At(x, y));
      const TViewItem* item = surface.ItemMap()->ItemAt(surface.ToBook(static_cast<int32_t>(x)), bookY);
      uint32_t number = 0;
      if (item) number = numbers.emplace(item, static_cast<uint32_t>(numbers.size() + 1)).first->second;
      r.items.push_back(number);
    }
  }
  return r;
}

std::string EncodeRendering(const TRendering& r) {
  std::string out = "FRN2";
  PutU32(out, r.width);
  PutU32(out, r.height);
  for (uint32_t p : r.pixels) PutU32(out, p);
  for (uint32_t i : r.items) PutU32(out, i);
  PutU32(out, static_cast<uint32_t>(r.texts.size()));
  for (const TWrittenText& t : r.texts) {
    PutU32(out, static_cast<uint32_t>(t.x));
    PutU32(out, static_cast<uint32_t>(t.y));
    PutU32(out, static_cast<uint32_t>(t.height));
    PutU32(out, static_cast<uint32_t>(t.text.size()));
    for (char16_t c : t.text) PutU16(out, c);
    for (int32_t a : t.advances) PutU32(out, static_cast<uint32_t>(a));
  }
  return out;
}

TRendering DecodeRendering(std::string_view bytes) {
  if (bytes.substr(0, 4) != "FRN2") throw std::runtime_error("not a rendering");
  TReader in(bytes.substr(4));
  TRendering r;
  r.width = in.U32();
  r.height = in.U32();
  const uint64_t count = uint64_t{r.width} * r.height;
  if (count * 8 > bytes.size()) throw std::runtime_error("the rendering is cut short");
  r.pixels.resize(count);
  for (uint32_t& p : r.pixels) p = in.U32();
  r.items.resize(count);
  for (uint32_t& i : r.items) i = in.U32();
  const uint32_t texts = in.Count(16);
  for (uint32_t k = 0; k < texts; ++k) {
    TWrittenText t;
    t.x = in.I32();
    t.y = in.I32();
    t.height = in.I32();
    t.text = in.Units(in.Count(6));
    for (size_t c = 0; c < t.text.size(); ++c) t.advances.push_back(in.I32());
    r.texts.push_back(std::move(t));
  }
  return r;
}

}  // namespace folivar
