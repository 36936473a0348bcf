// The rule a catalogue's header gives for picking the plural form of a
// number: "nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : ...);". The
// expression is C's, on unsigned numbers, with the one variable n.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tr58k {

class PluralRule {
 public:
  // Two forms, the second for every n but 1 (English, and the rule when a
  // catalogue names none).
  PluralRule();

  // Reads the value of a Plural-Forms header field. Returns false (and
  // leaves the rule as it was) when the text is not a rule this reads.
  bool Parse(std::string_view field);

  int FormCount() const { return forms_; }
  // The form for n, 0 to FormCount() - 1; an expression that gives more
  // (or divides by zero) gives form 0.
  int FormFor(unsigned long n) const;

 private:
  enum class Op : uint8_t {
    kNumber, kN, kNot, kMul, kDiv, kMod, kAdd, kSub,
    kLess, kLessEqual, kGreater, kGreaterEqual, kEqual, kNotEqual, kAnd, kOr, kChoice,
  };
  struct Node {
    Op op = Op::kNumber;
    unsigned long value = 0;
    int a = -1, b = -1, c = -1;  // operands, indices into nodes_
  };
  friend class PluralParser;

  unsigned long Evaluate(int node, unsigned long n) const;

  int forms_ = 2;
  std::vector<Node> nodes_;
  int root_ = -1;
};

}  // namespace tr58k
