// Method shapes: methods simple enough that a send can answer them without
// an activation.
//
// Much of the library is one-liners: "^ true", "^ name", "^ <21 self
// anObject>", "result := <110 self aNumber>. result isNil ifFalse: [^ result]
// ...", and Block>>enter, which only points the sender's frame at a block's
// code. When a method is entered into the method cache, its code is run
// symbolically from the start; if every path it can take ends in a return of
// a value known before the run (an argument, an instance variable, a
// constant, or the answer of one side-effect-free primitive), the send does
// that work directly. A shape that assumed the primitive's answer was not nil
// falls back to the real activation when it is nil (the primitive then runs
// again inside the method, which is harmless because it failed without
// effect).
#pragma once

#include <cstdint>

#include "smalltalk/object_ref.h"

// Where a value of the shortcut comes from.
struct ShapeOperand {
  // InnerResult: the answer of the shape's inner primitive (see MethodShape).
  enum Kind : uint8_t { Argument, Instance, Constant, InnerResult };
  Kind kind = Constant;
  uint8_t index = 0;           // argument (0 = receiver) or instance word
  ObjectRef constant = nilObj; // for Constant
};

struct MethodShape {
  enum Kind : uint8_t {
    None,       // activate as usual
    Answer,     // answers `answer`, nothing else
    Primitive,  // runs `primitive` on the operands, then answers
    Enter,      // primitive 28 on the sender's frame, then answers `answer`
    Forward,    // "^ self sel" where sel is Enter-shaped: the frame runs the block
    Native,     // a library method that the interpreter answers itself (native_methods.h)
  };
  Kind kind = None;
  uint8_t native = 0;  // Native: which (a NativeMethod)
  bool answersResult = false;  // Primitive: the answer is the primitive's result
  bool activateOnNil = false;  // Primitive: a nil result takes the real activation
  // Primitive: the operands are the receiver and arguments in order, so the
  // primitive can read them where the send left them.
  bool operandsInPlace = false;
  // Primitive: operandsInPlace, and the primitive is a plain one
  // (plain_primitives.h), which the run loop may call with its state in registers.
  bool plainInPlace = false;
  uint8_t primitive = 0;
  // Primitive with activateOnNil: when the primitive answers nil, the method
  // runs it once more with its last operand converted by this one-operand
  // primitive, and answers that answer unless it is nil too (Float>>+ given
  // an Integer: "<110 self (<51 aNumber>)>"). 0: no second try.
  uint8_t retryConversion = 0;
  // Primitive with activateOnNil, the other second try: when the primitive
  // answers nil, the method checks with one more pure primitive on known
  // operands, and answers `checkAnswer` unless the check answers nil
  // (Array>>at: on a nil element stores nil there again, which succeeds only
  // at a good index). 0: no check.
  uint8_t checkPrimitive = 0;
  uint8_t checkOperandCount = 0;
  uint8_t operandCount = 0;
  ShapeOperand operands[4];
  // Primitive: a plain primitive whose answer is one of `operands` (an
  // InnerResult), as in "<22 (<58 size>) self>"; it runs first, on its own
  // operands. 0: none.
  uint8_t innerPrimitive = 0;
  uint8_t innerOperandCount = 0;
  static constexpr int kMaxInnerOperands = 2;
  ShapeOperand innerOperands[kMaxInnerOperands];
  static constexpr int kMaxCheckOperands = 3;
  ShapeOperand checkOperands[kMaxCheckOperands];
  ShapeOperand checkAnswer;
  ShapeOperand answer;  // unless answersResult
  // Forward: the method's answer is that of a unary message to self (the
  // literal `forwardLiteral`), sent at `resumeOffset - 1`'s instruction.
  uint8_t forwardLiteral = 0;
  uint16_t resumeOffset = 0;  // the instruction after the forwarded send
  // Comparisons that the method makes of its receiver, arguments, instance
  // variables and small integer constants before it answers (Block>>value's
  // "argumentCount = 0", "self >= 0 and: [aNumber > 0]"): the shape followed
  // the path on which each is true, so it applies only while each holds for
  // small integers; otherwise the method runs.
  struct Guard {
    ShapeOperand left, right;
    uint8_t comparison = 0;  // the binary special selector: "<" to "~="
  };
  static constexpr int kMaxGuards = 2;
  uint8_t guardCount = 0;
  Guard guards[kMaxGuards];

  // Whether the shape makes a second try when its primitive answers nil.
  bool hasSecondTry() const { return retryConversion != 0 || checkPrimitive != 0; }

  // "^ self": the method answers its receiver and does nothing else.
  bool answersReceiver() const {
    return kind == Answer && guardCount == 0 && answer.kind == ShapeOperand::Argument &&
           answer.index == 0;
  }
};

// The primitive that sets the calling frame's Context and resume offset.
inline constexpr int kEnterPrimitive = 28;

// The shape of Method m (None for anything that is not a plain compiled method).
MethodShape classifyMethod(ObjectRef m);
