#pragma once
// Text that every saved lexer position carries but that changes rarely: the
// scope prefix and the last labels. Loops, macros and parameter
// substitutions save and restore positions hundreds of thousands of times,
// so copies share one buffer (a copy is a pointer and a count) and a change
// makes a buffer of its own. A context runs on one thread: the counts are
// plain integers. The empty text and "_global" (the label before any label)
// need no buffer at all.

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

class SharedText {
 public:
  SharedText() = default;
  SharedText(std::string_view s) { Set(s); }
  SharedText(const std::string& s) { Set(s); }
  SharedText(const char* s) { Set(s); }
  SharedText(const SharedText& o) : rep_(o.rep_) { Retain(); }
  SharedText(SharedText&& o) noexcept : rep_(o.rep_) { o.rep_ = nullptr; }
  ~SharedText() { Release(); }

  SharedText& operator=(const SharedText& o) {
    if (rep_ != o.rep_) {
      Release();
      rep_ = o.rep_;
      Retain();
    }
    return *this;
  }
  SharedText& operator=(SharedText&& o) noexcept {
    if (this != &o) {
      Release();
      rep_ = o.rep_;
      o.rep_ = nullptr;
    }
    return *this;
  }
  SharedText& operator=(std::string_view s) {
    Set(s);
    return *this;
  }
  SharedText& operator=(const std::string& s) {
    Set(s);
    return *this;
  }
  SharedText& operator=(const char* s) {
    Set(s);
    return *this;
  }

  // "_global", shared by every position without a buffer.
  static SharedText Global() {
    SharedText t;
    t.rep_ = const_cast<Rep*>(&GlobalRep());
    return t;
  }

  const std::string& str() const { return rep_ ? rep_->text : EmptyString(); }
  operator const std::string&() const { return str(); }
  operator std::string_view() const { return str(); }
  bool empty() const { return str().empty(); }
  size_t size() const { return str().size(); }
  void clear() {
    Release();
    rep_ = nullptr;
  }
  SharedText& append(std::string_view s) {
    std::string t = str();
    t += s;
    Set(t);
    return *this;
  }
  SharedText& operator+=(std::string_view s) { return append(s); }

  friend bool operator==(const SharedText& x, std::string_view y) { return x.str() == y; }
  friend std::string operator+(const SharedText& x, std::string_view y) {
    std::string r;
    r.reserve(x.size() + y.size());
    r += x.str();
    r += y;
    return r;
  }
  friend std::ostream& operator<<(std::ostream& o, const SharedText& t) { return o << t.str(); }

 private:
  struct Rep {
    uint32_t refs = 1;
    bool fixed = false;  // never counted nor freed
    std::string text;
  };

  static const Rep& GlobalRep() {
    static const Rep kGlobal{1, true, "_global"};
    return kGlobal;
  }
  static const std::string& EmptyString() {
    static const std::string kEmpty;
    return kEmpty;
  }
  void Retain() {
    if (rep_ && !rep_->fixed) ++rep_->refs;
  }
  void Release() {
    if (rep_ && !rep_->fixed && --rep_->refs == 0) Free(rep_);
    rep_ = nullptr;
  }
  // Out of line: the fixed "_global" buffer never reaches it, which the
  // compiler cannot see through an inlined copy of a position.
  [[gnu::noinline]] static void Free(Rep* r) { delete r; }
  void Set(std::string_view s) {
    if (s.empty()) {
      clear();
      return;
    }
    if (s == std::string_view("_global")) {
      Release();
      rep_ = const_cast<Rep*>(&GlobalRep());
      return;
    }
    if (rep_ && !rep_->fixed && rep_->refs == 1) {
      rep_->text.assign(s.data(), s.size());
      return;
    }
    Rep* fresh = new Rep{1, false, std::string(s)};
    Release();
    rep_ = fresh;
  }

  Rep* rep_ = nullptr;
};
