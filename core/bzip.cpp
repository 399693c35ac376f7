#include "core/bzip.h"

#include <bzlib.h>

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace folivar {

namespace {

// Owns an initialised bz_stream for one decompression.
class TDecompressor {
 public:
  TDecompressor() { ok_ = BZ2_bzDecompressInit(&s_, 0, 0) == BZ_OK; }
  ~TDecompressor() {
    if (ok_) BZ2_bzDecompressEnd(&s_);
  }
  TDecompressor(const TDecompressor&) = delete;
  TDecompressor& operator=(const TDecompressor&) = delete;
  bool ok() const { return ok_; }
  bz_stream& s() { return s_; }

 private:
  bz_stream s_{};
  bool ok_ = false;
};

TBunzipStatus Run(const void* data, size_t n, const TBunzipGrowth& growth,
                  std::vector<uint8_t>& out) {
  TDecompressor d;
  if (!d.ok()) return TBunzipStatus::Damaged;
  bz_stream& s = d.s();
  s.next_in = const_cast<char*>(static_cast<const char*>(data));
  size_t inLeft = n;
  size_t produced = 0;
  out.resize(std::min(std::max<size_t>(growth.initial, 1), growth.limit));
  const size_t step = std::max<size_t>(growth.step, 256);
  for (;;) {
    if (produced == out.size()) {
      if (out.size() >= growth.limit) return TBunzipStatus::TooLarge;
      out.resize(std::min(out.size() + step, growth.limit));
    }
    // bzip2 counts in unsigned int; feed it at most that much at a time.
    const unsigned inChunk = static_cast<unsigned>(std::min<size_t>(inLeft, UINT_MAX));
    const unsigned outChunk = static_cast<unsigned>(std::min<size_t>(out.size() - produced, UINT_MAX));
    s.avail_in = inChunk;
    s.next_out = reinterpret_cast<char*>(out.data() + produced);
    s.avail_out = outChunk;
    const int rc = BZ2_bzDecompress(&s);
    inLeft -= inChunk - s.avail_in;
    produced += outChunk - s.avail_out;
    if (rc == BZ_STREAM_END) break;
    if (rc != BZ_OK) return TBunzipStatus::Damaged;
    if (inLeft == 0 && s.avail_out > 0) return TBunzipStatus::Truncated;
  }
  out.resize(produced);
  return TBunzipStatus::Ok;
}

}  // namespace

TBunzipStatus Bunzip(const void* data, size_t n, const TBunzipGrowth& growth,
                     std::vector<uint8_t>& out) {
  const TBunzipStatus status = n == 0 ? TBunzipStatus::Truncated : Run(data, n, growth, out);
  if (status != TBunzipStatus::Ok) {
    out.clear();
    out.shrink_to_fit();
  }
  return status;
}

TBunzipStatus BunzipInto(const void* data, size_t n, void* out, size_t capacity,
                         size_t& produced) {
  produced = 0;
  if (n == 0) return TBunzipStatus::Truncated;
  TDecompressor d;
  if (!d.ok()) return TBunzipStatus::Damaged;
  bz_stream& s = d.s();
  s.next_in = const_cast<char*>(static_cast<const char*>(data));
  size_t inLeft = n;
  auto* at = static_cast<char*>(out);
  for (;;) {
    const unsigned inChunk = static_cast<unsigned>(std::min<size_t>(inLeft, UINT_MAX));
    const unsigned outChunk = static_cast<unsigned>(std::min<size_t>(capacity - produced, UINT_MAX));
    // One spare byte tells a stream that ends exactly at the capacity from one that goes on.
    char spare = 0;
    s.avail_in = inChunk;
    s.next_out = outChunk > 0 ? at + produced : &spare;
    s.avail_out = outChunk > 0 ? outChunk : 1;
    const int rc = BZ2_bzDecompress(&s);
    inLeft -= inChunk - s.avail_in;
    if (outChunk == 0) {
      if (s.avail_out == 0) return TBunzipStatus::TooLarge;
    } else {
      produced += outChunk - s.avail_out;
    }
    if (rc == BZ_STREAM_END) return TBunzipStatus::Ok;
    if (rc != BZ_OK) return TBunzipStatus::Damaged;
    if (inLeft == 0 && s.avail_out > 0) return TBunzipStatus::Truncated;
  }
}

std::string_view BunzipReason(TBunzipStatus status) {
  switch (status) {
    case TBunzipStatus::Ok: return "unpacks";
    case TBunzipStatus::Damaged: return "is not a valid bzip2 stream";
    case TBunzipStatus::Truncated: return "is a bzip2 stream that does not end within its bytes";
    case TBunzipStatus::TooLarge: return "unpacks to more than the reader accepts";
  }
  return "is damaged";
}

std::string Bzip(std::string_view data) {
  if (data.size() > (size_t{1} << 30)) throw std::length_error("too large to pack in one bzip2 stream");
  // The worst case of bzip2 is 1% + 600 bytes larger than its input.
  unsigned size = static_cast<unsigned>(data.size() + data.size() / 100 + 601);
  std::string out(size, '\0');
  const int rc = BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(data.data()),
                                          static_cast<unsigned>(data.size()), 9, 0, 0);
  if (rc != BZ_OK) throw std::runtime_error("bzip2 compression failed");
  out.resize(size);
  return out;
}

}  // namespace folivar
