#include "tools/make/messages.h"

#include <cctype>

#include "tools/make/codepage.h"
#include "tools/make/sourceerror.h"

namespace folivar::make {

namespace {

std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\r')) --b;
  return s.substr(a, b - a);
}

std::string Lower(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

TMessages DefaultMessages() {
  return {{"ok", "information", "publisher", "about", "theend", "printingdocumenttitle",
           "printingcompleted", "congratulations", "congratulations2", "continue",
           "WasPresses_enter", "WasPresses_esc", "WasPresses_y", "WasPresses_n", "find", "findprompt",
           "notfound", "close"},
          {"OK", "Book information", "Publisher", "About", "This is the end of the book.",
           "Folivar", "The pages have gone to the printer.",
           "Welcome to Folivar. Turn the pages with the corners of the window, the arrow keys or "
           "the mouse wheel.",
           "Welcome", "Continue", "OK:CONTINUE:YES:", "CANCEL:NO:", "YES:", "NO:", "Find",
           "Type a word or phrase and press Enter.", "The book does not contain this text.", "Close"}};
}

TMessages ParseMessages(const std::string& bytes, const std::string& file, TSourceText* gate) {
  TSourceText own;
  TSourceText& texts = gate ? *gate : own;
  TMessages m = DefaultMessages();
  const bool utf8 = IsUtf8(bytes);
  size_t start = 0;
  int line = 0;
  // A UTF-8 byte order mark is not part of the first key.
  if (utf8 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;
  while (start < bytes.size()) {
    ++line;
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    const std::string raw = Trim(bytes.substr(start, end - start));
    start = end + 1;
    if (raw.empty() || raw[0] == '#') continue;
    const size_t eq = raw.find('=');
    if (eq == std::string::npos) throw TSourceError(file, line, "expected \"key = text\"");
    const std::string key = Trim(raw.substr(0, eq));
    std::string text = Trim(raw.substr(eq + 1));
    size_t k = 0;
    for (; k < m.keys.size(); ++k)
      if (Lower(m.keys[k]) == Lower(key)) break;
    if (k == m.keys.size()) throw TSourceError(file, line, "unknown message key '" + key + "'");
    text = texts.Take(utf8 ? text : Cp1251ToUtf8(text), file, line);
    // "\n" is a line break: the message window starts a new line at a carriage return.
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
        out += "\r\n";
        ++i;
      } else {
        out += text[i];
      }
    }
    m.texts[k] = out;
  }
  return m;
}

}  // namespace folivar::make
