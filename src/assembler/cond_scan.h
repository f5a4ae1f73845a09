#pragma once
// Reading untaken text: the skipped part of an IF, the cases of a SWITCH that
// do not match, the bodies of loops that run zero times. Shared by the files
// of the conditional and loop statements only.

#include <initializer_list>

#include "assembler/assembly.h"

// Walks the items after the opening statement with the SkippingFlag set and
// stops at every keyword that starts a statement. An item starts a statement
// when it follows an end of line or a ":"; a label ("name", "@name",
// "::name", "^^name") in front of the keyword keeps the start. "/*" comments
// and FUNCTION bodies (whose IF and WHILE have no closing keywords) are
// stepped over whole.
class SkipScan {
 public:
  enum class OnEnd {
    Fatal,     // end of source: lexer back to the opening, fatal error 255
    SyntaxErr  // end of source: error 201 at the opening line, lexer left at the end
  };

  // `opening` is the opening statement's position (its keyword).
  SkipScan(Assembly& a, const TLexPos& opening, OnEnd onEnd = OnEnd::Fatal);
  ~SkipScan();
  SkipScan(const SkipScan&) = delete;
  SkipScan& operator=(const SkipScan&) = delete;

  // Makes the next keyword at a statement start the current (peeked) item.
  // False when the source ended first (the failure has been reported).
  bool NextKeyword();
  // Consumes the current keyword; scanning goes on after it.
  void Consume();
  // Consumes the current keyword and reports error n against its line (the
  // rest of that line is skipped).
  void ConsumeWithError(int n);
  // Consumes the current keyword and stops skipping, so the operands after it
  // are read and evaluated normally; errors are reported against its line.
  // The next NextKeyword skips again.
  void ConsumeAndEvaluate();

 private:
  bool SkipComment();
  bool SkipFunctionBody();
  bool Fail();

  Assembly& a_;
  const TLexPos& opening_;
  OnEnd onEnd_;
  bool atStart_ = false;
};

// Scans to the keyword of `closers` that closes the construct opened at
// `opening`, counting `openers` up and `closers` down; the scan ends after a
// closer in `finals` met at the outer level. False when the source ended.
bool ScanToClose(Assembly& a, const TLexPos& opening, std::initializer_list<TToken> openers,
                 std::initializer_list<TToken> closers, std::initializer_list<TToken> finals);

// Where the statement being handled was opened (the current keyword).
TConstructOrigin OriginHere(const Assembly& a);

// Each statement file registers its keywords.
void RegisterIfSwitch(DispatchTable& t);  // if_switch.cpp
void RegisterLoops(DispatchTable& t);     // loops.cpp
