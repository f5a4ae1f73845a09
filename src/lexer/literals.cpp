// Number, string and character literals.

#include <cmath>

#include "assembler/assembly.h"
#include "lexer/lexer_detail.h"
#include "support/roman.h"

namespace lexdetail {
namespace {

// Sets an integer item over line[from, to) and moves past it.
void SetItem(TLexPos& p, TItem kind, int32_t value, int32_t from, int32_t to) {
  p.Item = kind;
  p.INumVal = value;
  p.ITxt = p.lTxt.substr(from, static_cast<size_t>(to - from));
  p.LPos = to + 1;
}

bool IsZeroDigit(char c) { return c == 'X' || c == 'x' || c == 'Z' || c == 'z'; }

struct RunValue {
  uint32_t value = 0;
  bool wellFormed = true;
  bool atLeastEight = false;  // before wrapping to 32 bits
};

// The value of a digit run in the given base: "_" separates, X and Z are
// zero digits, any other digit must be below the base.
RunValue ValueOfRun(std::string_view run, uint32_t base) {
  RunValue r;
  uint64_t exact = 0;  // saturates once far beyond 8
  for (char c : run) {
    if (c == '_') continue;
    uint32_t d = IsZeroDigit(c) ? 0 : DigitValue(c);
    if (d >= base) {
      r.wellFormed = false;
      continue;
    }
    r.value = r.value * base + d;
    if (exact < (1u << 30)) exact = exact * base + d;
  }
  r.atLeastEight = exact >= 8;
  return r;
}

// A run of hexadecimal digits after "$", "#" or "0x": "_" and blanks are
// separators. `end` is where the number's text ends (trailing blanks are
// not part of it).
struct HexScan {
  uint32_t value = 0;
  int digits = 0;
  int32_t end = 0;
};

HexScan ScanHex(std::string_view line, int32_t i) {
  HexScan h;
  h.end = i;
  const int32_t n = static_cast<int32_t>(line.size());
  for (int32_t j = i; j < n; ++j) {
    const char c = line[j];
    const uint8_t d = DigitValue(c);
    if (d < 16) {
      h.value = h.value * 16 + d;
      ++h.digits;
      h.end = j + 1;
    } else if (c == '_') {
      h.end = j + 1;
    } else if (c != ' ') {
      break;
    }
  }
  return h;
}

bool IsRomanLetter(char c) {
  switch (c) {
    case 'C':
    case 'D':
    case 'I':
    case 'L':
    case 'M':
    case 'V':
    case 'X':
    case 'c':
    case 'd':
    case 'i':
    case 'l':
    case 'm':
    case 'v':
    case 'x':
      return true;
    default:
      return false;
  }
}

// The value of decimal digits "." digits: the digits form one mantissa that
// is divided by a power of ten, so values such as 0.5 or 1.25 come out exact.
long double DecimalValue(std::string_view intPart, std::string_view fraction) {
  long double mantissa = 0.0L;
  int significant = 0;
  int exponent = 0;
  auto add = [&](char c, bool inFraction) {
    if (c == '_') return;
    const int d = IsZeroDigit(c) ? 0 : c - '0';
    if (significant < 36) {
      mantissa = mantissa * 10.0L + d;
      if (mantissa != 0.0L) ++significant;
      if (inFraction) --exponent;
    } else if (!inFraction) {
      ++exponent;  // digits beyond what the mantissa can hold only scale it
    }
  };
  for (char c : intPart) add(c, false);
  for (char c : fraction) add(c, true);
  if (exponent < 0) return mantissa / std::pow(10.0L, -exponent);
  if (exponent > 0) return mantissa * std::pow(10.0L, exponent);
  return mantissa;
}

void WarnLeadingZero(Assembly& a, std::string_view text) {
  std::string first = "The leading-zero in \"";
  first += text;
  first += "\" means it's an octal number...";
  Warning(a, a.diag.currentLine, first);
  std::string second = "To avoid this warning add an O (oh) or \"Q\" so I know it's deliberate -> ";
  second += text.substr(1);
  second += "Q for example";
  Warning(a, 0, second);
}

// With SETRADIX in force, a number starting with "0" is read in the radix:
// digits 0-9 and letters (A = 10 ... Z = 35) below it.
void ReadRadixNumber(Assembly& a, int32_t i) {
  TLexPos& p = a.lex.pos;
  const std::string_view line = p.lTxt;
  uint32_t radix = a.lex.radix <= 0 ? 10 : static_cast<uint32_t>(a.lex.radix);
  if (radix < 2) radix = 2;
  if (radix > 36) radix = 36;
  uint32_t value = 0;
  int32_t j = i;
  for (; j < p.LEnd; ++j) {
    const uint8_t d = DigitValue(line[j]);
    if (d >= radix) break;
    value = value * radix + d;
  }
  SetItem(p, I_Integer, static_cast<int32_t>(value), i, j);
}

}  // namespace

bool ReadPrefixedHex(Assembly& a, int32_t i) {
  TLexPos& p = a.lex.pos;
  const HexScan h = ScanHex(p.lTxt.substr(0, p.LEnd), i + 1);
  if (h.digits == 0) return false;
  SetItem(p, I_Integer, static_cast<int32_t>(h.value), i, h.end);
  return true;
}

void ReadDigitNumber(Assembly& a, int32_t i) {
  TLexPos& p = a.lex.pos;
  const std::string_view line = p.lTxt.substr(0, p.LEnd);
  const int32_t n = p.LEnd;
  const bool radix = a.lex.radixActive;

  // The common case first: plain decimal digits followed by something that
  // cannot continue a number (no letter, "_" or "."), and no leading zero.
  {
    uint32_t value = 0;
    int32_t j = i;
    while (j < n && IsDigit(line[j])) value = value * 10 + static_cast<uint32_t>(line[j++] - '0');
    const bool continues = j < n && (IsLetter(line[j]) || line[j] == '_' || line[j] == '.');
    if (!continues && !(line[i] == '0' && (radix || j - i >= 2))) {
      SetItem(p, I_Integer, static_cast<int32_t>(value), i, j);
      return;
    }
  }
  if (radix && line[i] == '0') {
    ReadRadixNumber(a, i);
    return;
  }
  if (!radix && line[i] == '0' && i + 1 < n) {
    const char c = line[i + 1];
    if (c == 'x' || c == 'X') {
      const HexScan h = ScanHex(line, i + 2);
      if (h.digits > 0)
        SetItem(p, I_Integer, static_cast<int32_t>(h.value), i, h.end);
      else
        SetItem(p, I_Integer, 0, i, i + 1);  // "0", then the "x" is read next
      return;
    }
    if (c == 'r' || c == 'R') {
      int32_t j = i + 2;
      while (j < n && IsRomanLetter(line[j])) ++j;
      if (j > i + 2)
        SetItem(p, I_Integer, RomanToInt(line.substr(i + 2, j - i - 2)), i, j);
      else
        SetItem(p, I_Integer, 0, i, i + 1);
      return;
    }
  }

  // The longest run of digit characters: 0-9 and A-F, plus X, Z and "_"
  // unless SETRADIX is in force.
  int32_t j = i;
  if (radix) {
    while (j < n && DigitValue(line[j]) < 16) ++j;
  } else {
    while (j < n) {
      const char c = line[j];
      if (DigitValue(c) < 16 || IsZeroDigit(c) || c == '_')
        ++j;
      else
        break;
    }
  }
  const std::string_view run = line.substr(i, j - i);
  const char next = j < n ? line[j] : '\0';

  auto finish = [&](const RunValue& v, int32_t end) {
    SetItem(p, v.wellFormed ? I_Integer : I_Unknown, static_cast<int32_t>(v.value), i, end);
  };

  if (next == 'H' || next == 'h') {
    finish(ValueOfRun(run, 16), j + 1);
  } else if (next == 'Q' || next == 'q' || next == 'O' || next == 'o') {
    finish(ValueOfRun(run, 8), j + 1);
  } else if (run.back() == 'B' || run.back() == 'b') {
    finish(ValueOfRun(run.substr(0, run.size() - 1), 2), j);
  } else if (!radix && run.size() >= 2 && run[0] == '0') {
    const RunValue v = ValueOfRun(run, 8);
    finish(v, j);
    if (v.wellFormed && v.atLeastEight && !a.lex.SkippingFlag && a.options.On(zoWarnLeadingZero))
      WarnLeadingZero(a, run);
  } else {
    const RunValue v = ValueOfRun(run, 10);
    if (v.wellFormed && next == '.' && !(j + 1 < n && line[j + 1] == '.')) {
      int32_t k = j + 1;
      while (k < n && IsDigit(line[k])) ++k;
      SetItem(p, I_Float, static_cast<int32_t>(v.value), i, k);
      p.FloatVal = DecimalValue(run, line.substr(j + 1, k - j - 1));
      return;
    }
    finish(v, j);
  }
}

void ReadPercentBinary(Assembly& a, int32_t i) {
  TLexPos& p = a.lex.pos;
  const std::string_view line = p.lTxt.substr(0, p.LEnd);
  const int32_t n = p.LEnd;
  auto isBit = [](char c) { return c == '0' || c == '1' || IsZeroDigit(c); };
  if (i + 1 >= n || !isBit(line[i + 1])) {
    SetItem(p, I_Char, 0, i, i + 1);
    return;
  }
  uint32_t value = 0;
  int digits = 0;
  int32_t end = i + 1;  // the number's text ends after its last digit or "_"
  int32_t j = i + 1;    // and the scan after any blanks that follow
  for (; j < n; ++j) {
    const char c = line[j];
    if (isBit(c)) {
      value = (value << 1) | (c == '1' ? 1u : 0u);
      ++digits;
      end = j + 1;
    } else if (c == '_') {
      end = j + 1;
    } else if (c != ' ') {
      break;
    }
  }
  // A size suffix follows what the scan took, blanks included.
  int expected = 0;
  const char* size = nullptr;
  if (j < n) {
    switch (line[j]) {
      case 'B':
      case 'b':
        expected = 8;
        size = "byte";
        break;
      case 'W':
      case 'w':
        expected = 16;
        size = "word";
        break;
      case 'L':
      case 'l':
        expected = 32;
        size = "long";
        break;
      default:
        break;
    }
  }
  if (size) end = j + 1;
  SetItem(p, I_Integer, static_cast<int32_t>(value), i, end);
  // Unlike the leading-zero warning, this one is given in skipped text too.
  if (size && digits != expected) {
    std::string w = "The binary ";
    w += size;
    w += " value \"";
    w += p.ITxt;
    w += "\" doesn't contain ";
    w += std::to_string(expected);
    w += " bits";
    Warning(a, a.diag.currentLine, w);
  }
}

void ProcessEscapes(std::string& s) {
  if (s.find('\\') == std::string::npos) return;
  std::string out;
  out.reserve(s.size());
  const size_t n = s.size();
  for (size_t i = 0; i < n; ++i) {
    if (s[i] != '\\') {
      out += s[i];
      continue;
    }
    if (++i >= n) break;  // a backslash at the very end is dropped
    const char c = s[i];
    switch (c) {
      case 'a':
      case 'A':
        out += '\x07';
        break;
      case 'b':
      case 'B':
        out += '\x08';
        break;
      case 'e':
      case 'E':
        out += '\x1B';
        break;
      case 'f':
      case 'F':
        out += '\x0C';
        break;
      case 'n':
      case 'N':
        out += '\x0A';
        break;
      case 'r':
      case 'R':
        out += '\x0D';
        break;
      case 't':
      case 'T':
        out += '\x09';
        break;
      case 'v':
      case 'V':
        out += '\x0B';
        break;
      case 'z':
      case 'Z':
        out += '\x00';
        break;
      case 'x':
      case 'X': {
        uint32_t v = 0;
        while (i + 1 < n && DigitValue(s[i + 1]) < 16) v = v * 16 + DigitValue(s[++i]);
        out += static_cast<char>(v & 0xFF);
        break;
      }
      default:
        if (c >= '0' && c <= '7') {
          uint32_t v = static_cast<uint32_t>(c - '0');
          while (i + 1 < n && s[i + 1] >= '0' && s[i + 1] <= '7') v = v * 8 + (s[++i] - '0');
          out += static_cast<char>(v & 0xFF);
        } else {
          out += c;
        }
        break;
    }
  }
  s = std::move(out);
}

namespace {

// Reads quoted text starting after the opening quote at index i into `out`
// (appending): a doubled quote stands for one; with `escapes` a backslash
// and the character after it are taken as a pair. Returns false when the
// line ends first; LPos moves past the closing quote or to the line's end.
bool ReadQuoted(TLexPos& p, int32_t i, char quote, bool escapes, std::string& out) {
  const std::string_view line = p.lTxt.substr(0, p.LEnd);
  const int32_t n = p.LEnd;
  int32_t j = i + 1;
  for (;;) {
    int32_t k = j;
    while (k < n && line[k] != quote && !(escapes && line[k] == '\\')) ++k;
    out.append(line.data() + j, static_cast<size_t>(k - j));
    if (k >= n) {
      p.LPos = n + 1;
      return false;
    }
    if (line[k] == quote) {
      if (k + 1 < n && line[k + 1] == quote) {
        out += quote;
        j = k + 2;
        continue;
      }
      p.LPos = k + 2;
      return true;
    }
    // A backslash pair (escapes on).
    out += '\\';
    if (k + 1 < n) out += line[k + 1];
    j = k + 2;
    if (j > n) j = n;
  }
}

void IllegalString(Assembly& a) { ReportErrorText(a, E_IllegalString, "", false); }

// The text of a literal: the line's own characters from index `from` when
// they read the same (no doubled quote, no escape), otherwise a kept copy.
std::string_view LiteralText(Assembly& a, int32_t from, const std::string& text) {
  const std::string_view line = a.lex.pos.lTxt;
  const size_t at = static_cast<size_t>(from);
  if (at <= line.size() && line.substr(at, text.size()) == text)
    return line.substr(at, text.size());
  return KeepItemText(a, text);
}

}  // namespace

void ReadString(Assembly& a, int32_t i) {
  TLexPos& p = a.lex.pos;
  const bool escapes = a.options.On(zoSupportStringEscapes);
  std::string& text = a.lex.quoted;
  text.clear();
  const bool closed = ReadQuoted(p, i, '"', escapes, text);
  if (escapes) ProcessEscapes(text);
  p.ITxt = LiteralText(a, i + 1, text);
  p.Item = I_String;
  if (!closed) IllegalString(a);
}

void ReadCharLiteral(Assembly& a, int32_t i) {
  TLexPos& p = a.lex.pos;
  const bool escapes = a.options.On(zoSupportStringEscapes);
  // The text is the opening quote and the characters it stands for.
  std::string& text = a.lex.quoted;
  text.assign(1, '\'');
  const bool closed = ReadQuoted(p, i, '\'', escapes, text);
  if (escapes) {
    std::string body = text.substr(1);
    ProcessEscapes(body);
    text.resize(1);
    text += body;
  }
  uint32_t value = 0;
  for (size_t k = 1; k < text.size(); ++k)
    value = value * 256 + static_cast<unsigned char>(text[k]);
  p.ITxt = LiteralText(a, i, text);
  p.Item = I_Integer;
  p.INumVal = static_cast<int32_t>(value);
  if (!closed) IllegalString(a);
}

void ReadRawString(Assembly& a, int32_t i) {
  TLexPos& p = a.lex.pos;
  std::string& text = a.lex.quoted;
  text.clear();
  const bool closed = ReadQuoted(p, i + 1, p.lTxt[i + 1], false, text);
  p.ITxt = LiteralText(a, i + 2, text);
  p.Item = I_String;
  if (!closed) IllegalString(a);
}

}  // namespace lexdetail
