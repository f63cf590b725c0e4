// The symbolic run that finds a method's shape.
//
// The run follows the method's code with an abstract stack of known values.
// It accepts pushes of arguments, instance variables, constants, literals,
// temporaries (which start as nil), at most one primitive from the list
// below (or 28, Block>>enter's), the inline isNil/notNil tests, up to two
// comparisons of known values (guards, taken as true), branches whose
// condition is known, and the returns. Anything else (a send, the current
// Context, a store into the receiver, a second primitive other than one
// that takes the first one's answer) means the method is not a shape and is
// activated as usual. A second run follows the path
// on which a primitive-first method's primitive answers nil, looking for
// the one second try that the shortcut makes itself (see secondTry).
#include "smalltalk/method_shape.h"

#include <array>

#include "smalltalk/bytecodes.h"
#include "smalltalk/class_layout.h"
#include "smalltalk/object_table.h"
#include "smalltalk/plain_primitives.h"
#include "smalltalk/special_selectors.h"

namespace {

// Instructions followed before giving up: the shapes worth having are short.
constexpr int kMaxSteps = 32;
constexpr int kMaxStack = 8;
constexpr int kMaxTemporaries = 8;

// Primitives a send may run outside an activation, and run a second time when
// they answered nil: they touch nothing but their arguments (no frame, no
// process, no file) and the objects they make, and a nil answer means they
// failed without changing anything.
constexpr std::array<uint8_t, 45> kPurePrimitives = {
    11, 12, 13, 21, 22, 24, 25, 26, 29, 31, 32, 33, 51, 58, 59, 60, 61, 62, 63, 64, 65, 66, 67,
    68, 69, 70, 71, 72, 79, 81, 82, 87, 101, 102, 103, 110, 111, 112, 113, 114, 115, 116, 117,
    118, 119};

bool isPure(int number) {
  for (uint8_t p : kPurePrimitives)
    if (p == number) return true;
  return false;
}

// A value of the abstract stack: a known operand, or the primitive's answer.
struct Value {
  // Guard: the outcome of comparing two operands with "=", taken as true.
  // On the path where the primitive answers nil (see SymbolicRun::secondTry):
  // NilResult is that answer, Converted the answer of a one-operand primitive
  // on `operand`, Retried the primitive's answer the second time, Checked
  // the answer of a check.
  enum Kind : uint8_t {
    Operand, PrimitiveResult, Guard, NilResult, Converted, Retried, Checked, Unknown
  };
  Kind kind = Unknown;
  ShapeOperand operand;
};

bool sameOperand(const ShapeOperand& a, const ShapeOperand& b) {
  return a.kind == b.kind && a.index == b.index && a.constant == b.constant;
}

Value known(ShapeOperand::Kind kind, uint8_t index, ObjectRef constant = nilObj) {
  return Value{Value::Operand, ShapeOperand{kind, index, constant}};
}
Value constant(ObjectRef c) { return known(ShapeOperand::Constant, 0, c); }

class SymbolicRun {
 public:
  // `first`: the Primitive shape that a first run found, whose path on
  // which the primitive answers nil this run follows (see secondTry).
  SymbolicRun(const uint8_t* code, uint32_t size, uint32_t temporaries, const ObjectRef* literals,
              uint32_t literalCount, const MethodShape* first = nullptr)
      : code_(code),
        size_(size),
        temporaryCount_(temporaries),
        literals_(literals),
        literalCount_(literalCount),
        first_(first) {
    for (Value& t : temps_) t = constant(nilObj);
  }

  // The second try that the method makes when its primitive answers nil,
  // into `shape`: either the same primitive on the same operands but the
  // last, which a one-operand pure primitive converts first, answered unless
  // it is nil (retryConversion); or a check by another pure primitive on
  // known operands, after which the method answers a known value
  // (checkPrimitive). Nothing when the path does anything else.
  void secondTry(MethodShape& shape) {
    run();
    if (answersRetry_) {
      shape.retryConversion = conversion_;
    } else if (answersAfterCheck_) {
      shape.checkPrimitive = check_.primitive;
      shape.checkOperandCount = check_.operandCount;
      for (uint8_t i = 0; i < check_.operandCount; ++i) shape.checkOperands[i] = check_.operands[i];
      shape.checkAnswer = check_.answer;
    }
  }

  MethodShape run() {
    for (int step = 0; step < kMaxSteps; ++step) {
      if (!fetch()) return {};
      switch (static_cast<Opcode>(opcode_)) {
        case Opcode::PushInstance:
          if (!push(known(ShapeOperand::Instance, operandByte()))) return {};
          break;
        case Opcode::PushArgument:
          if (!push(known(ShapeOperand::Argument, operandByte()))) return {};
          break;
        case Opcode::PushTemporary:
          if (!isTemporary(operand_) || !push(temps_[operand_])) return {};
          break;
        case Opcode::PushConstant:
          if (!pushConstant()) return {};
          break;
        case Opcode::PushLiteral:
          if (static_cast<uint32_t>(operand_) >= literalCount_ ||
              !push(constant(literals_[operand_])))
            return {};
          break;
        case Opcode::AssignTemporary:
          if (!isTemporary(operand_) || depth_ == 0) return {};
          temps_[operand_] = stack_[depth_ - 1];
          assigned_ = true;
          break;
        case Opcode::SendUnary: if (!testNil()) return {}; break;
        case Opcode::SendBinary: if (!guardComparison()) return {}; break;
        case Opcode::MarkArguments:
          if (!forwardToSelf()) return {};
          return shape_;
        case Opcode::DoPrimitive: if (!primitive()) return {}; break;
        case Opcode::DoSpecial: {
          bool done = false;
          if (!special(done)) return {};
          if (done) return shape_;
          break;
        }
        default: return {};
      }
    }
    return {};
  }

 private:
  uint8_t operandByte() const { return static_cast<uint8_t>(operand_); }

  bool isTemporary(int n) const {
    return n < kMaxTemporaries && static_cast<uint32_t>(n) < temporaryCount_;
  }

  bool fetch() {
    if (offset_ > size_) return false;
    const int byte = code_[offset_++ - 1];
    opcode_ = byte >> 4;
    operand_ = byte & 0x0F;
    if (opcode_ == 0) {
      if (offset_ > size_) return false;
      opcode_ = operand_;
      operand_ = code_[offset_++ - 1];
    }
    return true;
  }

  bool push(Value v) {
    if (v.kind == Value::Unknown || depth_ >= kMaxStack) return false;
    stack_[depth_++] = v;
    return true;
  }

  bool pop(Value& v) {
    if (depth_ == 0) return false;
    v = stack_[--depth_];
    return true;
  }

  bool pushConstant() {
    switch (static_cast<Constant>(operand_)) {
      case Constant::Zero: return push(constant(smallInt(0)));
      case Constant::One: return push(constant(smallInt(1)));
      case Constant::Two: return push(constant(smallInt(2)));
      case Constant::MinusOne: return push(constant(smallInt(-1)));
      case Constant::Nil: return push(constant(nilObj));
      case Constant::True: return push(constant(trueObj));
      case Constant::False: return push(constant(falseObj));
      default: return false;  // the current Context needs a real frame
    }
  }

  // isNil / notNil on a known value; the primitive's answer is taken as not
  // nil, which makes the shape fall back to an activation when it is.
  bool testNil() {
    if (operand_ != kUnaryIsNil && operand_ != kUnaryNotNil) return false;
    Value v;
    if (!pop(v)) return false;
    bool isNil;
    if (v.kind == Value::PrimitiveResult || v.kind == Value::Retried || v.kind == Value::Checked) {
      isNil = false;
      assumedNotNil_ = true;
    } else if (v.kind == Value::NilResult) {
      isNil = true;
    } else if (v.kind == Value::Operand && v.operand.kind == ShapeOperand::Constant) {
      isNil = v.operand.constant == nilObj;
    } else {
      return false;
    }
    return push(constant(booleanObj(isNil == (operand_ == kUnaryIsNil))));
  }

  // "a < b" to "a ~= b" on two known values that are not both constants
  // (a constant must be a small integer): the run takes the comparison as
  // true, and the shape then holds only while it is. The shortcut tests its
  // guards before it runs the primitive, so a comparison after the primitive
  // (which may have stored into the receiver) is not taken.
  bool guardComparison() {
    constexpr int kFirstComparison = 2;  // "<" in the binary special selectors
    constexpr int kLastComparison = 7;   // "~="
    Value b, a;
    if (operand_ < kFirstComparison || operand_ > kLastComparison || shape_.primitive != 0 ||
        shape_.guardCount == MethodShape::kMaxGuards || !pop(b) || !pop(a))
      return false;
    if (a.kind != Value::Operand || b.kind != Value::Operand) return false;
    const bool constantA = a.operand.kind == ShapeOperand::Constant;
    const bool constantB = b.operand.kind == ShapeOperand::Constant;
    if (constantA && constantB) return false;
    if ((constantA && !a.operand.constant.isValue()) || (constantB && !b.operand.constant.isValue()))
      return false;
    shape_.guards[shape_.guardCount++] =
        MethodShape::Guard{a.operand, b.operand, static_cast<uint8_t>(operand_)};
    return push(Value{Value::Guard, {}});
  }

  // "^ self sel" with a literal unary selector: mark 1, send, return.
  bool forwardToSelf() {
    // The frame is built for real, so its state at the send must be exactly
    // the receiver on an otherwise empty stack with untouched temporaries.
    if (operand_ != 1 || depth_ != 1 || shape_.primitive != 0 || assigned_) return false;
    const Value& top = stack_[0];
    if (top.kind != Value::Operand || top.operand.kind != ShapeOperand::Argument ||
        top.operand.index != 0)
      return false;
    if (!fetch() || opcode_ != static_cast<int>(Opcode::SendMessage)) return false;
    shape_.forwardLiteral = operandByte();
    shape_.resumeOffset = static_cast<uint16_t>(offset_);
    // Only an immediate return of the answer: anything after the send would
    // be work the shortcut skips.
    if (!fetch() || opcode_ != static_cast<int>(Opcode::DoSpecial) ||
        operand_ != static_cast<int>(Special::StackReturn))
      return false;
    shape_.kind = MethodShape::Forward;
    return true;
  }

  bool primitive() {
    if (offset_ > size_) return false;
    if (shape_.primitive != 0) return first_ != nullptr ? laterPrimitive() : outerPrimitive();
    const int number = code_[offset_++ - 1];
    const int count = operand_;
    if (count > static_cast<int>(depth_) || count > 4) return false;
    if (number != kEnterPrimitive && !isPure(number)) return false;
    if (first_ != nullptr) {
      // The path on which it answers nil.
      shape_.primitive = static_cast<uint8_t>(number);
      depth_ -= count;
      return push(Value{Value::NilResult, {}});
    }
    shape_.primitive = static_cast<uint8_t>(number);
    shape_.operandCount = static_cast<uint8_t>(count);
    for (int i = 0; i < count; ++i) {
      const Value& v = stack_[depth_ - count + i];
      if (v.kind != Value::Operand) return false;
      shape_.operands[i] = v.operand;
    }
    depth_ -= count;
    return push(Value{Value::PrimitiveResult, {}});
  }

  // A second primitive whose operands take the first one's answer, which
  // nothing else holds or has tested: the first becomes the shape's inner
  // primitive (it must be plain), and this one the shape's primitive.
  bool outerPrimitive() {
    const int number = code_[offset_++ - 1];
    const int count = operand_;
    // An inner primitive that stores (at:put:) would make the order in
    // which the outer one's operands are read matter.
    const int inner = shape_.primitive;
    if (count > static_cast<int>(depth_) || count > 4 || !isPure(number) ||
        shape_.innerPrimitive != 0 || assumedNotNil_ || !kPlainPrimitives[inner] || inner == 31 ||
        inner == 32 || shape_.operandCount > MethodShape::kMaxInnerOperands)
      return false;
    const uint32_t base = depth_ - static_cast<uint32_t>(count);
    int uses = 0;
    for (uint32_t i = 0; i < depth_; ++i) {
      if (stack_[i].kind == Value::Operand) continue;
      if (stack_[i].kind != Value::PrimitiveResult || i < base) return false;
      ++uses;
    }
    for (uint32_t i = 0; i < temporaryCount_ && i < kMaxTemporaries; ++i)
      if (temps_[i].kind != Value::Operand) return false;
    if (uses != 1) return false;
    shape_.innerPrimitive = shape_.primitive;
    shape_.innerOperandCount = shape_.operandCount;
    for (uint8_t i = 0; i < shape_.operandCount; ++i) shape_.innerOperands[i] = shape_.operands[i];
    shape_.primitive = static_cast<uint8_t>(number);
    shape_.operandCount = static_cast<uint8_t>(count);
    for (int i = 0; i < count; ++i) {
      const Value& v = stack_[base + static_cast<uint32_t>(i)];
      shape_.operands[i] = v.kind == Value::Operand ? v.operand : ShapeOperand{ShapeOperand::InnerResult};
    }
    depth_ = base;
    return push(Value{Value::PrimitiveResult, {}});
  }

  // After the primitive answered nil: a plain one-operand conversion of the
  // primitive's last operand, then the primitive again with it in place.
  bool laterPrimitive() {
    const int number = code_[offset_++ - 1];
    const int count = operand_;
    if (count > static_cast<int>(depth_) || retried_ || check_.primitive != 0) return false;
    const Value* args = stack_ + (depth_ - count);
    const uint8_t last = static_cast<uint8_t>(first_->operandCount - 1);
    if (conversion_ == 0) {
      if (count == 1 && isPure(number) && kPlainPrimitives[number] &&
          args[0].kind == Value::Operand && sameOperand(args[0].operand, first_->operands[last])) {
        conversion_ = static_cast<uint8_t>(number);
        depth_ -= count;
        return push(Value{Value::Converted, args[0].operand});
      }
      return checkPrimitive(number, count, args);
    }
    if (number != first_->primitive || count != first_->operandCount) return false;
    for (uint8_t i = 0; i < last; ++i)
      if (args[i].kind != Value::Operand || !sameOperand(args[i].operand, first_->operands[i]))
        return false;
    if (args[last].kind != Value::Converted) return false;
    retried_ = true;
    depth_ -= count;
    return push(Value{Value::Retried, {}});
  }

  // A pure primitive on known operands, whose answer the path then tests.
  bool checkPrimitive(int number, int count, const Value* args) {
    if (!isPure(number) || count > MethodShape::kMaxCheckOperands) return false;
    for (int i = 0; i < count; ++i)
      if (args[i].kind != Value::Operand) return false;
    check_.primitive = static_cast<uint8_t>(number);
    check_.operandCount = static_cast<uint8_t>(count);
    for (int i = 0; i < count; ++i) check_.operands[i] = args[i].operand;
    depth_ -= static_cast<uint32_t>(count);
    return push(Value{Value::Checked, {}});
  }

  bool branchTarget(uint32_t& target) {
    if (offset_ + 1 > size_) return false;
    target = static_cast<uint32_t>(code_[offset_ - 1]) << 8 | code_[offset_];
    offset_ += 2;
    return target >= 1 && target <= size_;
  }

  // A conditional branch on a known boolean (a guard counts as true), as the
  // interpreter runs it.
  bool conditional(ObjectRef when, bool keepValue) {
    Value v;
    uint32_t target = 0;
    if (!pop(v) || !branchTarget(target)) return false;
    ObjectRef value;
    if (v.kind == Value::Guard)
      value = trueObj;
    else if (v.kind == Value::Operand && v.operand.kind == ShapeOperand::Constant)
      value = v.operand.constant;
    else
      return false;
    if (value == when) {
      if (!push(keepValue ? constant(value) : constant(nilObj))) return false;
      offset_ = target;
    }
    return true;
  }

  bool finish(Value answer) {
    if (first_ != nullptr) {
      answersRetry_ = answer.kind == Value::Retried;
      if (check_.primitive != 0 && (answer.kind == Value::Operand || answer.kind == Value::NilResult)) {
        check_.answer = answer.kind == Value::Operand ? answer.operand : ShapeOperand{};
        answersAfterCheck_ = true;
      }
      return answersRetry_ || answersAfterCheck_;
    }
    if (answer.kind != Value::Operand && answer.kind != Value::PrimitiveResult) return false;
    shape_.answersResult = answer.kind == Value::PrimitiveResult;
    shape_.answer = answer.operand;
    if (shape_.primitive == 0) {
      shape_.kind = MethodShape::Answer;
    } else if (shape_.primitive == kEnterPrimitive) {
      // Whether primitive 28 succeeded is not tested: the method goes on alike.
      if (shape_.answersResult || assumedNotNil_ || shape_.guardCount != 0) return false;
      shape_.kind = MethodShape::Enter;
    } else {
      shape_.kind = MethodShape::Primitive;
      shape_.activateOnNil = assumedNotNil_;
      shape_.operandsInPlace = true;
      for (uint8_t i = 0; i < shape_.operandCount; ++i) {
        const ShapeOperand& o = shape_.operands[i];
        if (o.kind != ShapeOperand::Argument || o.index != i) shape_.operandsInPlace = false;
      }
      if (shape_.innerPrimitive != 0) shape_.operandsInPlace = false;
      shape_.plainInPlace = shape_.operandsInPlace && kPlainPrimitives[shape_.primitive];
    }
    return true;
  }

  bool special(bool& done) {
    Value v;
    uint32_t target = 0;
    switch (static_cast<Special>(operand_)) {
      case Special::SelfReturn: done = finish(known(ShapeOperand::Argument, 0)); return done;
      case Special::StackReturn: done = pop(v) && finish(v); return done;
      case Special::Duplicate: return depth_ > 0 && push(stack_[depth_ - 1]);
      case Special::PopTop: return pop(v);
      case Special::Branch:
        if (!branchTarget(target)) return false;
        offset_ = target;
        return true;
      case Special::BranchIfTrue: return conditional(trueObj, false);
      case Special::BranchIfFalse: return conditional(falseObj, false);
      case Special::AndBranch: return conditional(falseObj, true);
      case Special::OrBranch: return conditional(trueObj, true);
      default: return false;
    }
  }

  const uint8_t* code_;
  uint32_t size_;
  uint32_t temporaryCount_;
  const ObjectRef* literals_;
  uint32_t literalCount_;
  uint32_t offset_ = 1;
  int opcode_ = 0;
  int operand_ = 0;
  Value stack_[kMaxStack];
  uint32_t depth_ = 0;
  Value temps_[kMaxTemporaries];
  bool assumedNotNil_ = false;
  bool assigned_ = false;  // a temporary was assigned
  MethodShape shape_;
  const MethodShape* first_;
  uint8_t conversion_ = 0;  // secondTry: the conversion primitive seen
  bool retried_ = false;    // secondTry: the primitive ran again
  bool answersRetry_ = false;  // secondTry: and the path answers its answer
  struct Check {
    uint8_t primitive = 0;
    uint8_t operandCount = 0;
    ShapeOperand operands[MethodShape::kMaxCheckOperands];
    ShapeOperand answer;
  } check_;                          // secondTry: the check made
  bool answersAfterCheck_ = false;   // secondTry: and the path answers a known value
};

// The parts of a well-formed Method that the run reads.
struct MethodCode {
  const uint8_t* code = nullptr;
  uint32_t size = 0;
  uint32_t temporaries = 0;
  const ObjectRef* literals = nullptr;  // none unless the literals are an Array
  uint32_t literalCount = 0;
};

bool methodCode(ObjectRef m, MethodCode& out) {
  if (!isObject(m) || !isPointerObject(m) || wordCount(m) < kMethodWords) return false;
  const ObjectRef* words = bodyOf(m);
  const ObjectRef bytes = words[kMethodBytecodes];
  const ObjectRef temps = words[kMethodTemporaryCount];
  const ObjectRef literals = words[kMethodLiterals];
  if (!isObject(bytes) || isPointerObject(bytes) || !temps.isValue() || temps.uncheckedInt() < 0)
    return false;
  out.code = bytesOf(bytes);
  out.size = byteSize(bytes);
  out.temporaries = static_cast<uint32_t>(temps.uncheckedInt());
  if (isObject(literals) && isPointerObject(literals)) {
    out.literals = bodyOf(literals);
    out.literalCount = wordCount(literals);
  }
  return out.code != nullptr && out.size > 0;
}

}  // namespace

MethodShape classifyMethod(ObjectRef m) {
  MethodCode c;
  if (!methodCode(m, c)) return {};
  MethodShape shape = SymbolicRun(c.code, c.size, c.temporaries, c.literals, c.literalCount).run();
  if (shape.kind == MethodShape::Primitive && shape.activateOnNil && shape.operandCount > 0 &&
      shape.innerPrimitive == 0)
    SymbolicRun(c.code, c.size, c.temporaries, c.literals, c.literalCount, &shape).secondTry(shape);
  return shape;
}
