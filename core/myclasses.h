// Byte streams. Every binary format of the program is read through TFile: over a disk file, a
// growable memory buffer, a memory block owned by someone else (the embedded book image) or a
// string. Positions and sizes are signed 32-bit; multi-byte values are little-endian.
//
// The memory-backed streams never touch bytes outside their memory: a Read that runs past the end
// delivers only the bytes that are there (and returns that count), a Read at a position outside
// the data delivers nothing. A TPtrFile whose size is unknown (-1) therefore delivers nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace folivar {

class TFile {
 public:
  TFile() = default;
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;
  virtual ~TFile() = default;

  virtual int32_t Size() = 0;
  // The base does not resize; it only clamps the position to the size. Descendants call it after
  // their own resizing where they clamp.
  virtual void SetSize(int32_t n);
  virtual int32_t Position() = 0;
  virtual void Seek(int32_t p);
  virtual void Write(const void* buffer, int32_t n);
  // Copies up to n bytes into buffer, advances by the bytes delivered and returns their count.
  virtual int32_t Read(void* buffer, int32_t n);

  // Four bytes as a signed little-endian integer; bytes the stream cannot deliver count as 0.
  int32_t ReadInt();
  // An int32 length n, then n bytes. A negative length gives the empty string. The string is never
  // longer than the bytes the stream really has after the length: a short stream gives what is
  // there, so that a damaged length cannot make it allocate more than the data.
  std::string ReadStr();
};

// A file on disk, through the platform's own file calls. Every failure of the operating system
// raises TIOError with its code; reading at the end of the file is no failure.
class TDiskFile final : public TFile {
 public:
  // Creates the file, or truncates an existing one, for reading and writing.
  static std::unique_ptr<TDiskFile> Create(const std::string& name);
  // Opens an existing file for reading and writing at offset 0; a file that does not exist is
  // created empty, as Create does.
  static std::unique_ptr<TDiskFile> Open(const std::string& name);
  // Opens an existing file for reading only; a missing file is an error. Books are read this way,
  // so that a book on read-only media or in a protected folder opens too.
  static std::unique_ptr<TDiskFile> OpenRead(const std::string& name);

  ~TDiskFile() override;

  int32_t Size() override;
  // Shrinking cuts the file at n (and clamps the position); a larger n changes nothing at all.
  void SetSize(int32_t n) override;
  int32_t Position() override;
  void Seek(int32_t p) override;
  // Writes all n bytes; writing fewer is an I/O error.
  void Write(const void* buffer, int32_t n) override;
  int32_t Read(void* buffer, int32_t n) override;

  // Closes the file and reports what the system could not store: a write that the file system
  // accepted but could not keep (a full disk on close, a network share gone) fails here. The
  // destructor closes a file not closed this way without a word, so a file that was written must
  // be closed with Close.
  void Close();

  const std::string& Name() const { return name_; }

  // The platform's open file; defined by the platform layer.
  struct THandle;

 private:
  TDiskFile(std::string name, std::unique_ptr<THandle> handle);
  std::string name_;
  std::unique_ptr<THandle> handle_;
};

// Makes bytes the whole content of the file `name`, or leaves that file as it was. The bytes go to
// a new temporary file beside it; every write, the flush to the medium and the close are checked,
// and only then does the temporary take the name in one rename. On any failure the temporary is
// removed and TIOError raised, naming `name`: an older file of that name survives intact, and
// where there was none there is still none. A symbolic link is followed (the file it names is
// replaced). The checks of CheckOutputFile run first.
void WriteWholeFile(const std::string& name, std::string_view bytes);

// Raises TIOError, before anything is written, when `name` cannot become a regular file: it is a
// folder, or something other than a regular file (a device such as /dev/null or NUL, a pipe, a
// socket). Such a name is refused rather than written through, because replacing it by a rename
// would destroy it and writing into it would report a book as written that is stored nowhere.
void CheckOutputFile(const std::string& name);

// A growable memory buffer: the scratch stream into which blocks are unpacked.
class TMemFile final : public TFile {
 public:
  TMemFile() = default;

  int32_t Size() override;
  void SetSize(int32_t n) override;
  int32_t Position() override { return position_; }
  void Seek(int32_t p) override { position_ = p; }
  void Write(const void* buffer, int32_t n) override;
  int32_t Read(void* buffer, int32_t n) override;

  const std::vector<uint8_t>& Bytes() const { return buffer_; }
  // Replaces the whole content by bytes and moves to position 0, without a copy.
  void Assign(std::vector<uint8_t> bytes);

 private:
  std::vector<uint8_t> buffer_;
  int32_t position_ = 0;
};

// A memory block owned by the caller (the embedded book resource), never freed by the stream.
// A size of 0 at construction is stored as -1: the size is unknown.
class TPtrFile final : public TFile {
 public:
  TPtrFile(void* block, int32_t size);

  int32_t Size() override { return size_; }
  // Stores n as the size: the caller vouches that the block is that large. No clamp.
  void SetSize(int32_t n) override { size_ = n; }
  int32_t Position() override { return position_; }
  void Seek(int32_t p) override { position_ = p; }
  void Write(const void* buffer, int32_t n) override;
  int32_t Read(void* buffer, int32_t n) override;

  const uint8_t* Block() const { return block_; }

 private:
  uint8_t* block_;
  int32_t position_ = 0;
  int32_t size_;
};

// A string as a stream.
class TStrFile final : public TFile {
 public:
  explicit TStrFile(std::string text) : text_(std::move(text)) {}

  int32_t Size() override { return static_cast<int32_t>(text_.size()); }
  // Sets the string's length to n (added bytes are 0); no clamp.
  void SetSize(int32_t n) override;
  int32_t Position() override { return position_; }
  void Seek(int32_t p) override { position_ = p; }
  void Write(const void* buffer, int32_t n) override;
  int32_t Read(void* buffer, int32_t n) override;

  const std::string& Text() const { return text_; }

 private:
  std::string text_;
  int32_t position_ = 0;
};

}  // namespace folivar
