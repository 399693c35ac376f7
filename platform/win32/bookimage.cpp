// Finding the book image on Windows: the program's own "FOLIVAR" resource, else "book.bin"
// beside the program, else "c:\save\book.bin".
#include <windows.h>

#include "book/loading.h"
#include "core/errors.h"
#include "core/system.h"

namespace folivar {

std::unique_ptr<TFile> OpenBookImage() {
  HMODULE self = GetModuleHandleA(nullptr);
  if (HRSRC info = FindResourceA(self, "FOLIVAR", MAKEINTRESOURCEA(10) /* RT_RCDATA */)) {
    const DWORD size = SizeofResource(self, info);
    HGLOBAL loaded = LoadResource(self, info);
    void* block = loaded ? LockResource(loaded) : nullptr;
    // Resource memory lives as long as the module; the stream reads it in place.
    if (block && size > 0 && size <= static_cast<DWORD>(INT32_MAX)) {
      return std::make_unique<TPtrFile>(block, static_cast<int32_t>(size));
    }
    throw TBookDamaged("the book resource of the program is empty or cannot be loaded");
  }
  // FileExists passes over a file that is there but cannot be opened for reading (locked by
  // another program, forbidden to this user): the search goes on to the next place.
  const std::string beside = ProgramDir() + "\\book.bin";
  for (const std::string& path : {beside, std::string("c:\\save\\book.bin")}) {
    if (FileExists(path)) return TDiskFile::OpenRead(path);
  }
  throw TIOError(ERROR_FILE_NOT_FOUND,
                 "there is no book: the program carries none and there is no " + beside);
}

}  // namespace folivar
