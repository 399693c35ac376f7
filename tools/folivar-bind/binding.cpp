#include "tools/folivar-bind/binding.h"

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "core/errors.h"

namespace folivar {
namespace {

const char* const kBookResource = "FOLIVAR";
const uintptr_t kRcData = 10;  // RT_RCDATA

std::string SystemMessage(DWORD code) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string message = n ? std::string(text, n) : "system error " + std::to_string(code);
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
    message.pop_back();
  return message;
}

// A resource type or name: a number or a string, kept so that it outlives the enumeration.
struct TResourceId {
  uintptr_t number = 0;  // used when text is empty
  std::string text;

  static TResourceId Of(LPCSTR id) {
    return IS_INTRESOURCE(id) ? TResourceId{reinterpret_cast<uintptr_t>(id), {}} : TResourceId{0, id};
  }
  LPCSTR Get() const { return text.empty() ? MAKEINTRESOURCEA(number) : text.c_str(); }
};

struct TResource {
  TResourceId type, name;
  WORD language = 0;
  std::string bytes;
};

bool IsBook(const TResourceId& type, const TResourceId& name) {
  return type.text.empty() && type.number == kRcData && lstrcmpiA(name.text.c_str(), kBookResource) == 0;
}

BOOL CALLBACK AddType(HMODULE, LPSTR type, LONG_PTR found) {
  reinterpret_cast<std::vector<TResourceId>*>(found)->push_back(TResourceId::Of(type));
  return TRUE;
}
BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR found) {
  reinterpret_cast<std::vector<TResourceId>*>(found)->push_back(TResourceId::Of(name));
  return TRUE;
}
BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
  reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
  return TRUE;
}

// Every resource of the program but its books, with their bytes. The program is mapped as data,
// so nothing of it runs.
std::vector<TResource> ResourcesBesideTheBook(const std::string& program) {
  HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) {
    throw std::runtime_error("not a Windows program whose resources can be read (" +
                             SystemMessage(GetLastError()) + ")");
  }
  std::vector<TResource> kept;
  std::vector<TResourceId> types;
  EnumResourceTypesA(module, AddType, reinterpret_cast<LONG_PTR>(&types));
  for (const TResourceId& type : types) {
    std::vector<TResourceId> names;
    EnumResourceNamesA(module, type.Get(), AddName, reinterpret_cast<LONG_PTR>(&names));
    for (const TResourceId& name : names) {
      if (IsBook(type, name)) continue;
      std::vector<WORD> languages;
      EnumResourceLanguagesA(module, type.Get(), name.Get(), AddLanguage, reinterpret_cast<LONG_PTR>(&languages));
      for (WORD language : languages) {
        HRSRC info = FindResourceExA(module, type.Get(), name.Get(), language);
        HGLOBAL loaded = info ? LoadResource(module, info) : nullptr;
        const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
        if (!data) {
          FreeLibrary(module);
          throw std::runtime_error("one of its resources cannot be read");
        }
        kept.push_back({type, name, language, std::string(data, SizeofResource(module, info))});
      }
    }
  }
  FreeLibrary(module);
  return kept;
}

// Rewrites the resources of the program at path: all it had but its books, then the book. The
// old resources are dropped as a whole and written again, so that no book is left behind in a
// language of its own.
void ReplaceBook(const std::string& path, const std::string& book) {
  const std::vector<TResource> kept = ResourcesBesideTheBook(path);
  HANDLE update = BeginUpdateResourceA(path.c_str(), TRUE);
  if (!update) {
    throw std::runtime_error("its resources cannot be rewritten (" + SystemMessage(GetLastError()) + ")");
  }
  bool ok = true;
  for (const TResource& r : kept) {
    ok = ok && UpdateResourceA(update, r.type.Get(), r.name.Get(), r.language,
                               const_cast<char*>(r.bytes.data()), static_cast<DWORD>(r.bytes.size()));
  }
  // The book is language-neutral: the reader finds it whatever the user's language is.
  ok = ok && UpdateResourceA(update, MAKEINTRESOURCEA(kRcData), kBookResource,
                             MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), const_cast<char*>(book.data()),
                             static_cast<DWORD>(book.size()));
  const DWORD error = ok ? 0 : GetLastError();
  if (!EndUpdateResourceA(update, ok ? FALSE : TRUE) && ok) {
    throw std::runtime_error("its resources cannot be written (" + SystemMessage(GetLastError()) + ")");
  }
  if (!ok) throw std::runtime_error("the book cannot be stored in it (" + SystemMessage(error) + ")");
}

}  // namespace

void BindBook(const std::string& readerPath, const std::string& book, const std::string& outPath) {
  if (book.empty()) throw std::runtime_error("the book is empty");
  if (book.size() > 0x7FFFFFFF) throw std::runtime_error("the book is larger than 2 GiB");
  // Copying first leaves the reader itself untouched whatever happens next.
  if (!CopyFileA(readerPath.c_str(), outPath.c_str(), FALSE)) {
    const DWORD error = GetLastError();
    throw TIOError(static_cast<int>(error), "cannot copy the reader to " + outPath + ": " + SystemMessage(error));
  }
  try {
    ReplaceBook(outPath, book);
  } catch (...) {
    DeleteFileA(outPath.c_str());
    throw;
  }
}

}  // namespace folivar
