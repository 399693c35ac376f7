#include "tools/import/mdtext.h"

#include <algorithm>
#include <cctype>

namespace folivar::bookimport {

std::string EscapeText(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const char prev = i > 0 ? text[i - 1] : '\0';
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    switch (c) {
      case '\\':
      case '`':
      case '*':
      case '_':
      case '[':
      case ']':
      case '<':
      case '>':
      case '#':
      case '|':
      case '"':
      case '\'':
      case '~':
      case '&':
      case '+':
      case '$':
      case '^':
        out += '\\';
        break;
      case '-':  // "--" and "---" would become dashes, a leading one a list
        if (i == 0 || prev == '-' || next == '-') out += '\\';
        break;
      case '.':  // "..." would become an ellipsis
        if (prev == '.' || next == '.') out += '\\';
        break;
      default:
        break;
    }
    out += c;
  }
  return out;
}

std::string GuardLineStart(const std::string& line) {
  size_t i = 0;
  while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]))) ++i;
  if (i > 0 && i < line.size() && (line[i] == '.' || line[i] == ')'))
    return line.substr(0, i) + "\\" + line.substr(i);
  if (!line.empty() && (line[0] == '=' || line[0] == '-')) return "\\" + line;
  return line;
}

namespace {

size_t LongestRun(const std::string& s, char c) {
  size_t best = 0, run = 0;
  for (char x : s) {
    run = x == c ? run + 1 : 0;
    best = std::max(best, run);
  }
  return best;
}

}  // namespace

std::string CodeSpan(const std::string& code) {
  std::string text = code;
  std::replace(text.begin(), text.end(), '\n', ' ');
  std::replace(text.begin(), text.end(), '\r', ' ');
  if (text.empty()) return "";
  const std::string ticks(LongestRun(text, '`') + 1, '`');
  // A space on both sides is taken off again by the parser; it keeps a backtick at an end apart.
  const bool pad = text.front() == '`' || text.back() == '`' || (text.front() == ' ' && text.back() == ' ');
  return ticks + (pad ? " " : "") + text + (pad ? " " : "") + ticks;
}

std::string CodeFence(const std::string& code) {
  return std::string(std::max<size_t>(3, LongestRun(code, '`') + 1), '`');
}

std::string LinkTarget(const std::string& url) {
  bool plain = !url.empty();
  for (unsigned char c : url)
    if (c <= ' ' || c == '<' || c == '>' || c == '\\' || c == '(' || c == ')' || c == 0x7F) plain = false;
  if (plain) return url;
  std::string out = "<";
  static const char* hex = "0123456789ABCDEF";
  for (unsigned char c : url) {
    if (c <= ' ' || c == '<' || c == '>' || c == '\\' || c == 0x7F) {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + ">";
}

std::string SafeAnchorName(const std::string& id) {
  std::string out;
  for (size_t i = 0; i < id.size();) {
    const unsigned char c = static_cast<unsigned char>(id[i]);
    size_t len = 1;
    if (c >= 0xF0)
      len = 4;
    else if (c >= 0xE0)
      len = 3;
    else if (c >= 0xC0)
      len = 2;
    len = std::min(len, id.size() - i);
    std::string piece;
    if (c >= 0x80) {
      piece = id.substr(i, len);  // a letter of another script (the compiler checks the rest)
    } else if (std::isalnum(c) || c == '-' || c == '_' || c == '.') {
      piece = std::string(1, static_cast<char>(c));
    } else if (out.empty() || out.back() != '-') {
      piece = "-";
    }
    if (out.size() + piece.size() > 64) break;
    out += piece;
    i += len;
  }
  while (!out.empty() && out.back() == '-') out.pop_back();
  return out.empty() ? "x" : out;
}

std::string FileSlug(const std::string& text, size_t max) {
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) && c < 0x80) {
      out += static_cast<char>(std::tolower(c));
    } else if (!out.empty() && out.back() != '-') {
      out += '-';
    }
    if (out.size() >= max) break;
  }
  while (!out.empty() && out.back() == '-') out.pop_back();
  return out;
}

// Spaces (and no-break spaces) at the ends of s, moved out of an emphasis: "*a *" is not one.
void SplitEdges(const std::string& s, std::string& lead, std::string& core, std::string& trail) {
  static const std::string nbsp = "\u00A0";
  size_t a = 0, b = s.size();
  for (;;) {
    if (a < b && s[a] == ' ')
      ++a;
    else if (s.compare(a, 2, nbsp) == 0 && a + 2 <= b)
      a += 2;
    else
      break;
  }
  for (;;) {
    if (b > a && s[b - 1] == ' ')
      --b;
    else if (b >= a + 2 && s.compare(b - 2, 2, nbsp) == 0)
      b -= 2;
    else
      break;
  }
  lead = s.substr(0, a);
  core = s.substr(a, b - a);
  trail = s.substr(b);
}

}  // namespace folivar::bookimport
