#include "i18n/plural_rule.h"

#include <cctype>
#include <string>

namespace tr58k {

// Recursive descent over the expression, lowest precedence first: ?:, the
// binary operators level by level (|| && == != < <= > >= + - * / %), then !
// and the operands.
class PluralParser {
 public:
  PluralParser(std::string_view text, std::vector<PluralRule::Node>& nodes)
      : text_(text), nodes_(nodes) {}

  // The root node, or -1 when the text is not a whole expression.
  int Parse() {
    const int root = Choice();
    Skip();
    return ok_ && pos_ == text_.size() ? root : -1;
  }

 private:
  using Op = PluralRule::Op;
  static constexpr int kMaxDepth = 64;  // no rule nests deeper

  void Skip() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  bool Take(std::string_view token) {
    Skip();
    if (text_.substr(pos_, token.size()) != token) return false;
    // "<" must not take the first half of "<=", "!" that of "!=".
    if (token.size() == 1 && pos_ + 1 < text_.size() && text_[pos_ + 1] == '=' &&
        (token == "<" || token == ">" || token == "!" || token == "=")) {
      return false;
    }
    pos_ += token.size();
    return true;
  }
  int Add(Op op, int a = -1, int b = -1, int c = -1, unsigned long value = 0) {
    // A failed operand has cleared ok_ already: nothing refers to -1.
    if (!ok_) return -1;
    nodes_.push_back({op, value, a, b, c});
    return static_cast<int>(nodes_.size()) - 1;
  }
  int Fail() {
    ok_ = false;
    return -1;
  }

  int Choice() {
    if (++depth_ > kMaxDepth) return Fail();
    const int condition = Binary(0);
    int result = condition;
    if (Take("?")) {
      const int yes = Choice();
      if (!Take(":")) return Fail();
      const int no = Choice();
      result = Add(Op::kChoice, condition, yes, no);
    }
    --depth_;
    return result;
  }
  // The binary operators, one level of precedence after another, lowest
  // first; within a level, longer tokens before their beginnings.
  struct Operator {
    std::string_view token;
    Op op;
  };
  static constexpr int kLevels = 6;
  static constexpr Operator kOperators[kLevels][4] = {
      {{"||", Op::kOr}},
      {{"&&", Op::kAnd}},
      {{"==", Op::kEqual}, {"!=", Op::kNotEqual}},
      {{"<=", Op::kLessEqual}, {">=", Op::kGreaterEqual}, {"<", Op::kLess}, {">", Op::kGreater}},
      {{"+", Op::kAdd}, {"-", Op::kSub}},
      {{"*", Op::kMul}, {"/", Op::kDiv}, {"%", Op::kMod}},
  };

  // Left-associative: a op b op c is (a op b) op c.
  int Binary(int level) {
    if (level == kLevels) return Unary();
    int left = Binary(level + 1);
    for (bool more = true; ok_ && more;) {
      more = false;
      for (const Operator& candidate : kOperators[level]) {
        if (!candidate.token.empty() && Take(candidate.token)) {
          left = Add(candidate.op, left, Binary(level + 1));
          more = true;
          break;
        }
      }
    }
    return left;
  }
  int Unary() {
    if (Take("!")) {
      if (++depth_ > kMaxDepth) return Fail();
      const int operand = Unary();
      --depth_;
      return Add(Op::kNot, operand);
    }
    if (Take("(")) {
      const int inner = Choice();
      return Take(")") ? inner : Fail();
    }
    Skip();
    if (Take("n")) return Add(Op::kN);
    if (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
      unsigned long value = 0;
      while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
        value = value * 10 + static_cast<unsigned long>(text_[pos_++] - '0');
        if (value > 1000000000UL) return Fail();
      }
      return Add(Op::kNumber, -1, -1, -1, value);
    }
    return Fail();
  }

  std::string_view text_;
  std::vector<PluralRule::Node>& nodes_;
  size_t pos_ = 0;
  int depth_ = 0;
  bool ok_ = true;
};

PluralRule::PluralRule() {
  // plural=n != 1
  nodes_ = {{Op::kN}, {Op::kNumber, 1}, {Op::kNotEqual, 0, 0, 1}};
  root_ = 2;
}

bool PluralRule::Parse(std::string_view field) {
  const size_t formsAt = field.find("nplurals=");
  const size_t ruleAt = field.find("plural=", formsAt == std::string_view::npos ? 0 : formsAt + 9);
  if (formsAt == std::string_view::npos || ruleAt == std::string_view::npos) return false;
  int forms = 0;
  for (size_t i = formsAt + 9; i < field.size() && std::isdigit(static_cast<unsigned char>(field[i])); ++i) {
    forms = forms * 10 + (field[i] - '0');
    if (forms > 100) return false;
  }
  if (forms < 1) return false;
  std::string_view expression = field.substr(ruleAt + 7);
  expression = expression.substr(0, expression.find(';'));
  std::vector<Node> nodes;
  const int root = PluralParser(expression, nodes).Parse();
  if (root < 0) return false;
  forms_ = forms;
  nodes_ = std::move(nodes);
  root_ = root;
  return true;
}

int PluralRule::FormFor(unsigned long n) const {
  const unsigned long form = Evaluate(root_, n);
  return form < static_cast<unsigned long>(forms_) ? static_cast<int>(form) : 0;
}

unsigned long PluralRule::Evaluate(int index, unsigned long n) const {
  const Node& node = nodes_[static_cast<size_t>(index)];
  const auto a = [&] { return Evaluate(node.a, n); };
  const auto b = [&] { return Evaluate(node.b, n); };
  switch (node.op) {
    case Op::kNumber: return node.value;
    case Op::kN: return n;
    case Op::kNot: return a() == 0;
    case Op::kMul: return a() * b();
    case Op::kDiv: {
      const unsigned long d = b();
      return d == 0 ? 0 : a() / d;
    }
    case Op::kMod: {
      const unsigned long d = b();
      return d == 0 ? 0 : a() % d;
    }
    case Op::kAdd: return a() + b();
    case Op::kSub: return a() - b();
    case Op::kLess: return a() < b();
    case Op::kLessEqual: return a() <= b();
    case Op::kGreater: return a() > b();
    case Op::kGreaterEqual: return a() >= b();
    case Op::kEqual: return a() == b();
    case Op::kNotEqual: return a() != b();
    case Op::kAnd: return a() != 0 && b() != 0;
    case Op::kOr: return a() != 0 || b() != 0;
    case Op::kChoice: return a() != 0 ? b() : Evaluate(node.c, n);
  }
  return 0;
}

}  // namespace tr58k
