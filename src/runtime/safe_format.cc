// Safe formatting of catalogue texts; see safe_format.h.
#include "runtime/safe_format.h"

#include <cstdio>
#include <cstring>
#include <optional>

namespace quervik {
namespace {

// Widths and precisions above this cannot change the first kMaxReportLength characters.
constexpr long kFieldLimit = 4096;

struct Conversion {
  std::string flags;
  std::optional<long> width;      // absent: none
  bool widthStar = false;
  std::optional<long> precision;  // absent: none
  bool precisionStar = false;
  std::string length;             // hh h l ll L q j z t
  char conv = 0;                  // 0: malformed (text ended)
  size_t end = 0;                 // index after the conversion
};

long readNumber(std::string_view f, size_t& i) {
  long n = 0;
  while (i < f.size() && f[i] >= '0' && f[i] <= '9') {
    if (n < kFieldLimit) n = n * 10 + (f[i] - '0');
    ++i;
  }
  return n > kFieldLimit ? kFieldLimit : n;
}

// Parses the conversion that starts after the '%' at index i.
Conversion parseConversion(std::string_view f, size_t i) {
  Conversion c;
  while (i < f.size() && std::strchr("-+ #0'", f[i]) && f[i] != '\0') c.flags += f[i++];
  if (i < f.size() && f[i] == '*') {
    c.widthStar = true;
    ++i;
  } else if (i < f.size() && f[i] >= '0' && f[i] <= '9') {
    c.width = readNumber(f, i);
  }
  if (i < f.size() && f[i] == '.') {
    ++i;
    if (i < f.size() && f[i] == '*') {
      c.precisionStar = true;
      ++i;
    } else {
      c.precision = readNumber(f, i);
    }
  }
  while (i < f.size() && f[i] != '\0' && std::strchr("hlLqjzt", f[i])) c.length += f[i++];
  if (i < f.size()) c.conv = f[i++];
  c.end = i;
  return c;
}

char classOf(char conv) {
  if (conv && std::strchr("diouxXc", conv)) return 'i';
  if (conv == 's') return 's';
  if (conv && std::strchr("fFeEgGaA", conv)) return 'f';
  return '?';
}

bool fits(char cls, const MsgArg& a) {
  switch (cls) {
    case 'i': return a.kind == MsgArg::Kind::Int || a.kind == MsgArg::Kind::Char;
    case 's': return a.kind == MsgArg::Kind::Text;
    case 'f': return a.kind == MsgArg::Kind::Double;
    default: return false;
  }
}

bool isInteger(const MsgArg& a) { return a.kind == MsgArg::Kind::Int || a.kind == MsgArg::Kind::Char; }

// Integer arguments take the width the length modifier names; without one they are ints,
// as the reporting sites pass them.
std::string formatInteger(const std::string& directive, char conv, const std::string& length, int64_t v) {
  char buf[kFieldLimit + 64];
  const bool isSigned = conv == 'd' || conv == 'i';
  std::string s = directive + "ll" + conv;
  long long value;
  if (conv == 'c') {
    std::snprintf(buf, sizeof buf, (directive + 'c').c_str(), int(static_cast<unsigned char>(v)));
    return buf;
  }
  if (length == "ll" || length == "q" || length == "j" || length == "z" || length == "t" || length == "L") {
    value = isSigned ? static_cast<long long>(v) : static_cast<long long>(static_cast<unsigned long long>(v));
  } else if (length == "h") {
    value = isSigned ? static_cast<short>(v) : static_cast<unsigned short>(v);
  } else if (length == "hh") {
    value = isSigned ? static_cast<signed char>(v) : static_cast<unsigned char>(v);
  } else {
    value = isSigned ? static_cast<int>(v) : static_cast<long long>(static_cast<unsigned int>(v));
  }
  std::snprintf(buf, sizeof buf, s.c_str(), value);
  return buf;
}

}  // namespace

std::string safeFormat(std::string_view f, std::span<const MsgArg> args) {
  std::string out;
  size_t next = 0;  // next argument
  size_t i = 0;
  while (i < f.size() && out.size() < kMaxReportLength) {
    const char ch = f[i];
    if (ch == '\0') break;  // a C string ends here
    if (ch != '%') {
      out += ch;
      ++i;
      continue;
    }
    Conversion c = parseConversion(f, i + 1);
    std::string_view literal = f.substr(i, c.end - i);
    i = c.end;
    if (c.conv == '%') {
      out += '%';
      continue;
    }
    bool ok = c.conv != 0 && c.conv != 'n';
    // Star fields come first in argument order.
    long width = c.width.value_or(-1), precision = c.precision.value_or(-1);
    std::string flags = c.flags;
    if (ok && c.widthStar) {
      if (next < args.size() && isInteger(args[next])) {
        int64_t w = args[next].integer;
        if (w < 0) {
          flags += '-';
          w = -w;
        }
        width = w > kFieldLimit ? kFieldLimit : long(w);
      } else {
        ok = false;
      }
      ++next;
    }
    if (ok && c.precisionStar) {
      if (next < args.size() && isInteger(args[next])) {
        int64_t p = args[next].integer;
        precision = p < 0 ? -1 : (p > kFieldLimit ? kFieldLimit : long(p));
      } else {
        ok = false;
      }
      ++next;
    }
    const char cls = classOf(c.conv);
    if (ok && (cls == '?' || next >= args.size() || !fits(cls, args[next]))) ok = false;
    if (cls != '?' && c.conv != 'n') ++next;
    if (!ok) {
      out.append(literal);
      continue;
    }
    const MsgArg& a = args[next - 1];
    std::string directive = "%";
    for (char fl : flags)
      if (fl != '\'') directive += fl;
    if (width >= 0) directive += std::to_string(width);
    if (precision >= 0) directive += "." + std::to_string(precision);
    char buf[kFieldLimit + 400];
    if (cls == 'i') {
      out += formatInteger(directive, c.conv, c.length, a.integer);
    } else if (cls == 'f') {
      std::snprintf(buf, sizeof buf, (directive + c.conv).c_str(), a.real);
      out += buf;
    } else {
      std::string_view text = a.nullText ? std::string_view("(null)") : a.text;
      // Strings stop at their first NUL, as a C string would.
      size_t nul = text.find('\0');
      if (nul != std::string_view::npos) text = text.substr(0, nul);
      if (precision >= 0 && size_t(precision) < text.size()) text = text.substr(0, size_t(precision));
      if (text.size() > kMaxReportLength) text = text.substr(0, kMaxReportLength);
      size_t pad = width > long(text.size()) ? size_t(width) - text.size() : 0;
      bool left = flags.find('-') != std::string::npos;
      if (!left) out.append(pad, ' ');
      out.append(text);
      if (left) out.append(pad, ' ');
    }
  }
  if (out.size() > kMaxReportLength) out.resize(kMaxReportLength);
  return out;
}

std::string conversionClasses(std::string_view f) {
  std::string classes;
  for (size_t i = 0; i < f.size() && f[i] != '\0';) {
    if (f[i] != '%') {
      ++i;
      continue;
    }
    Conversion c = parseConversion(f, i + 1);
    i = c.end;
    if (c.conv == '%') continue;
    if (c.widthStar) classes += 'i';
    if (c.precisionStar) classes += 'i';
    classes += c.conv == 'n' ? '?' : classOf(c.conv);
  }
  return classes;
}

}  // namespace quervik
