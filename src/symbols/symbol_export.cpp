#include "symbols/symbol_export.h"

#include <algorithm>
#include <cstdio>

#include "assembler/assembly.h"
#include "support/float_text.h"

namespace {

constexpr size_t kNameField = 32;
constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHex(std::string& out, uint32_t v, int digits) {
  char buf[8];
  int n = 0;
  do {
    buf[n++] = kHexDigits[v & 15];
    v >>= 4;
  } while (v != 0);
  if (n < digits) out.append(static_cast<size_t>(digits - n), '0');
  while (n > 0) out += buf[--n];
}

std::string Hex(uint32_t v, int digits) {
  std::string s;
  AppendHex(s, v, digits);
  return s;
}

void AppendDecimal(std::string& out, int32_t v) {
  char buf[16];
  int n = std::snprintf(buf, sizeof buf, "%d", v);
  out.append(buf, static_cast<size_t>(n));
}

bool HasDot(std::string_view name) { return name.find('.') != std::string_view::npos; }
bool IsAnonymousScope(std::string_view name) { return name.starts_with("VeldAP_"); }

// What the options say about one symbol's value text.
struct ValueFormat {
  uint32_t layout;
  bool wide;

  explicit ValueFormat(uint32_t options)
      : layout(options & kSymLayoutMask), wide((options & kSymWideHex) != 0) {}

  // At least 4 (or 8) digits; a negative value has all 8 anyway.
  void Digits(std::string& out, int32_t v) const {
    AppendHex(out, static_cast<uint32_t>(v), wide ? 8 : 4);
  }
  void Dollar(std::string& out, int32_t v) const {
    out += '$';
    Digits(out, v);
  }
  void CForm(std::string& out, int32_t v) const {
    out += "0x";
    size_t start = out.size();
    Digits(out, v);
    if (wide || out.size() - start > 4) out += 'L';
  }

  // The value line of a symbol whose name field is `field`.
  std::string Line(const std::string& field, int32_t v) const {
    std::string out;
    out.reserve(field.size() + 16);
    switch (layout) {
      case 0x00000:
        out += field;
        out += "EQU ";
        Dollar(out, v);
        break;
      case 0x00001:
        out += field;
        Dollar(out, v);
        break;
      case 0x00002:
        out += field;
        out += "EQU ";
        AppendDecimal(out, v);
        break;
      case 0x00003:
        out += field;
        AppendDecimal(out, v);
        break;
      case 0x10000:
        Digits(out, v);
        break;
      case 0x10001:
        Dollar(out, v);
        break;
      case 0x10002:
        CForm(out, v);
        break;
      default:  // 0x10003
        AppendDecimal(out, v);
        break;
    }
    if (layout & 0x10000) {
      out += ' ';
      out += field;
    }
    return out;
  }
};

// The name cut to the export length, one blank, then blanks to 32 columns.
std::string NameField(std::string_view name, size_t maxLength) {
  std::string f;
  f.reserve(kNameField + 8);
  f.append(name.substr(0, std::min(name.size(), maxLength)));
  f += ' ';
  if (f.size() < kNameField) f.append(kNameField - f.size(), ' ');
  return f;
}

std::string ItemText(const TLexPos& p) {
  switch (p.Item) {
    case I_Null:
      return "Null";
    case I_EOL:
      return "EOL";
    case I_TokenN:
      return "Token {" + std::string(p.ITxt) + "}";
    case I_Ident:
      return "Ident {" + std::string(p.ITxt) + "}";
    case I_Char:
      return "Char {" + std::string(p.ITxt) + "}";
    case I_Integer:
      return "Integer {" + std::string(p.ITxt) + "}";
    case I_String:
      return "String \"" + std::string(p.ITxt) + "\"";
    case I_Unknown:
      return "Unknown {" + std::string(p.ITxt) + "}";
    default:
      return "WTF ?";
  }
}

// Where an alias points: its saved item, whether that item was valid, and
// the rest of its line from the saved position.
std::string AliasTarget(const TLexPos& p) {
  std::string s = ItemText(p) + (p.SValid ? " true " : " false ") + "[";
  size_t from = p.LPos > 0 ? static_cast<size_t>(p.LPos - 1) : 0;
  if (from < p.lTxt.size()) s.append(p.lTxt.substr(from));
  return s + "]";
}

std::string ParameterList(const std::vector<TMacroParam>& params, const char* suffix) {
  std::string s;
  for (size_t i = 0; i < params.size(); ++i) {
    if (i > 0) s += ',';
    s += params[i].Name;
    s += suffix;
  }
  return s;
}

std::string SegmentLine(const Assembly& a, const std::string& field, const TRec& r) {
  int32_t index = r.Val.Int();
  if (index < 0 || index >= static_cast<int32_t>(a.placement.segments.size())) index = 0;
  const TSegmentEntry& s = a.placement.segments[index];
  uint32_t final = static_cast<uint32_t>(s.PC);
  return field + "EQU $" + Hex(s.Base, 6) + "; Length = $" + Hex(s.Length, 6) + ", Final PC = $" +
         Hex(final, 6) + ", Est. size = $" + Hex(final - s.Base, 6);
}

bool IsValueKind(VarType m) { return m == T_VarVal || m == T_FixedVal; }

// The rules of the standard layout, in the order they are tried.
enum class Rule {
  kSegment,
  kLocalLabel,
  kLabel,
  kInteger,
  kFloat,
  kString,
  kUnsorted,
  kMacro,
  kAlias,
  kFunction,
  kUnknown,
};

Rule RuleOf(const TRec& r) {
  switch (r.Mode) {
    case T_Segment:
      return Rule::kSegment;
    case T_Addr:
      return HasDot(r.Name()) ? Rule::kLocalLabel : Rule::kLabel;
    case T_VarVal:
    case T_FixedVal:
      switch (r.Val.Sort()) {
        case erInteger:
          return Rule::kInteger;
        case erFloat:
          return Rule::kFloat;
        case erString:
          return Rule::kString;
        case erError:
          return Rule::kUnsorted;
      }
      return Rule::kUnsorted;
    case T_Macro:
      return Rule::kMacro;
    case T_Alias:
      return Rule::kAlias;
    case T_Function:
      return Rule::kFunction;
    default:
      return Rule::kUnknown;
  }
}

// Whether the options let the symbol in. A symbol that no rule knows (still
// undefined) is always listed.
bool Wanted(Rule rule, const TRec& r, uint32_t options) {
  if (rule == Rule::kUnknown) return true;
  if (r.bInternal && !(options & kSymPredefined)) return false;
  const bool scopeAllowed = (options & kSymAnonymous) || !IsAnonymousScope(r.Name());
  switch (rule) {
    case Rule::kSegment:
      return options & kSymSegments;
    case Rule::kLocalLabel:
      return (options & kSymLocalLabels) && scopeAllowed;
    case Rule::kLabel:
      return options & kSymLabels;
    case Rule::kInteger:
      return (options & kSymIntegers) && scopeAllowed;
    case Rule::kFloat:
      return options & kSymFloats;
    case Rule::kString:
      return options & kSymStrings;
    case Rule::kUnsorted:
      return options & kSymUnsorted;
    default:  // macros, aliases, functions
      return options & kSymMacros;
  }
}

std::string StandardLine(const Assembly& a, Rule rule, const TRec& r, uint32_t options,
                         size_t maxLength) {
  const std::string field = NameField(r.Name(), maxLength);
  switch (rule) {
    case Rule::kSegment:
      return SegmentLine(a, field, r);
    case Rule::kLocalLabel:
    case Rule::kLabel:
    case Rule::kInteger:
    case Rule::kUnsorted:
      return ValueFormat(options).Line(field, r.Val.Int());
    case Rule::kFloat:
      return field + "EQU " + FloatText(r.Val.Float());
    case Rule::kString:
      return field + "EQU \"" + r.Val.Str() + "\"";
    case Rule::kMacro:
      return field + "MACRO (" + ParameterList(r.Body->pMacroParams, "[]") + ")";
    case Rule::kAlias:
      return field + "is an ALIAS. it points at this: " + AliasTarget(r.Body->StartLex);
    case Rule::kFunction:
      return field + "FUNCTION (" + ParameterList(r.Body->pMacroParams, "") + ")";
    case Rule::kUnknown:
      break;
  }
  return field + "unknown symbol " + Hex(static_cast<uint32_t>(r.Val.Int()) & 0xFFFF, 4) + "[" +
         KindDescription(r.Mode, r.Val.Get()) + ":" + Hex(options, 4) + "]";
}

void StandardLayout(Assembly& a, uint32_t options, std::vector<std::string>& lines) {
  int32_t limit = IntegerOfSymbol(a, "VeldMaxSymbolExportLength", 0x7FFFFFFF);
  size_t maxLength = static_cast<size_t>(std::max(limit, 1));
  for (const TRec* r : a.symbols.storage) {
    Rule rule = RuleOf(*r);
    if (Wanted(rule, *r, options)) lines.push_back(StandardLine(a, rule, *r, options, maxLength));
  }
}

void VariableListLayout(const Assembly& a, std::vector<std::string>& lines) {
  for (const TRec* r : a.symbols.storage)
    if (r->Mode == T_VarVal && !r->bInternal && !HasDot(r->Name()))
      lines.push_back(std::string(r->Name()) + "," + Hex(static_cast<uint32_t>(r->Val.Int()), 8));
}

void LabelFileLayout(const Assembly& a, std::vector<std::string>& lines) {
  for (const TRec* r : a.symbols.storage) {
    bool integer = r->Mode == T_Addr || (IsValueKind(r->Mode) && r->Val.Sort() == erInteger);
    if (integer && !r->bInternal && !HasDot(r->Name()) && r->Val.Int() >= 0)
      lines.push_back("L" + Hex(static_cast<uint32_t>(r->Val.Int()), 4) + " " +
                      std::string(r->Name()));
  }
}

// Keeps one label per address: a line goes when its address is the one of
// the last line kept (so, sorted, the first name of each address remains).
void KeepOnePerAddress(std::vector<std::string>& lines) {
  auto address = [](const std::string& l) { return std::string_view(l).substr(0, l.find(' ')); };
  size_t kept = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (kept > 0 && address(lines[i]) == address(lines[kept - 1])) continue;
    if (kept != i) lines[kept] = std::move(lines[i]);
    ++kept;
  }
  lines.resize(kept);
}

bool LessIgnoringCase(const std::string& x, const std::string& y) {
  auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
  return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(), [&](char p, char q) {
    return lower(static_cast<unsigned char>(p)) < lower(static_cast<unsigned char>(q));
  });
}

void AppendUnreferenced(const Assembly& a, std::vector<std::string>& lines) {
  lines.emplace_back();
  lines.emplace_back("Unreferenced labels");
  lines.emplace_back();
  for (const TRec* r : a.symbols.storage) {
    if (r->Referenced || r->Line == 0) continue;
    const std::string* file = nullptr;
    if (r->SourceID >= 0 && r->SourceID < kSourceSlots)
      file = &a.sources.slots[r->SourceID].ShortName;
    char where[64];
    std::snprintf(where, sizeof where, ":%5d :", r->Line);
    std::string line = "\"" + (file ? *file : std::string()) + "\"" + where;
    if (line.size() < 31) line.append(31 - line.size(), ' ');
    lines.push_back(line + " " + std::string(r->Name()));
  }
}

}  // namespace

std::vector<std::string> BuildSymbolLines(Assembly& a, uint32_t options) {
  std::vector<std::string> lines;
  if (options == 0) return lines;
  if (options & kSymLabelFile)
    LabelFileLayout(a, lines);
  else if (options & kSymVariableList)
    VariableListLayout(a, lines);
  else
    StandardLayout(a, options, lines);
  if (options & kSymSort) std::stable_sort(lines.begin(), lines.end(), LessIgnoringCase);
  if (options & kSymLabelFile) KeepOnePerAddress(lines);
  if (options & kSymUnreferenced) AppendUnreferenced(a, lines);
  return lines;
}
