// Names the compiler resolves: temporaries, arguments, the variables of the
// class being compiled for, pseudo-variables and globals.
//
// Class variables are reached by messages. Their receiver is the class that
// declares the variable (for a metaclass method: declared along its class's
// chain), pushed as a literal below self and the name Symbol:
//   class self #name             send cvvalue:name:          (mark 3)
//   class self #name value       send cvassign:name:value:   (mark 4)
// so the class library keeps each class's variables with the class itself.
#include <cstdio>
#include <cstring>

#include "smalltalk/class_layout.h"
#include "smalltalk/compiler.h"
#include "smalltalk/compiler_state.h"
#include "smalltalk/object_table.h"
#include "smalltalk/symbols.h"
#include "smalltalk/variable_names.h"

namespace {

constexpr const char* kTooManyTemporaries = "too many temporaries in method";
constexpr const char* kTooManyArguments = "too many arguments in method";
constexpr const char* kTooManyInstanceVariables = "too many instance variables in method";
constexpr const char* kClassRefusedFormat =
    "********compiler error: Class %s : more than %d variable names in its chain\n";

struct PseudoVariable {
  const char* name;
  Constant constant;
};
constexpr PseudoVariable kPseudoVariables[] = {
    {"currentInterpreter", Constant::CurrentContext},
    {"nil", Constant::Nil},
    {"true", Constant::True},
    {"false", Constant::False},
};

const char* textOf(ObjectRef obj) {
  if (obj.isValue() || isPointerObject(obj) || byteSize(obj) == 0) return "";
  return charsOf(obj);
}

// The class whose instance cls is, when cls is a metaclass ("XMeta" whose
// global "X" has cls as its class); nil otherwise.
ObjectRef instanceClassOf(ObjectRef cls) {
  const char* name = textOf(wordAt(cls, kClassName));
  size_t length = std::strlen(name), suffix = std::strlen(kMetaSuffix);
  if (length <= suffix || std::strcmp(name + length - suffix, kMetaSuffix) != 0) return nilObj;
  std::string base(name, length - suffix);
  ObjectRef instance = globalValue(base.c_str());
  if (!isClassObject(instance) || classOf(instance) != cls) return nilObj;
  return instance;
}

bool arrayHoldsName(ObjectRef array, const char* name) {
  if (array.isValue() || array == nilObj || !isPointerObject(array)) return false;
  for (uint32_t i = 0; i < wordCount(array); ++i) {
    ObjectRef element = wordAt(array, i);
    if (!element.isValue() && std::strcmp(textOf(element), name) == 0) return true;
  }
  return false;
}

// Nearest class along the chain of start that declares the class variable.
ObjectRef declaringClassAlong(ObjectRef start, const char* name) {
  ObjectRef cls = start;
  for (uint32_t steps = 0; steps < kMaxClassChain && isClassObject(cls); ++steps) {
    if (arrayHoldsName(wordAt(cls, kClassClassVariables), name)) return cls;
    cls = wordAt(cls, kClassSuperclass);
  }
  return nilObj;
}

bool copyNames(const VariableNameList& from, std::vector<const char*>& to) {
  for (uint32_t i = 0; i < from.count; ++i) to.push_back(from.names[i]);
  return to.size() <= static_cast<size_t>(kMaxOperand);
}

void clearClassNames() {
  compiler.instanceNames.clear();
  compiler.classVariableNames.clear();
}

}  // namespace

bool loadClassVariables(ObjectRef cls) {
  clearClassNames();
  compiler.targetClass = nilObj;
  compiler.classRefused = false;
  collectVariableNames(nilObj);
  if (cls == nilObj || !isClassObject(cls)) return true;
  compiler.targetClass = cls;
  bool fits = collectVariableNames(cls) && copyNames(instanceVariableNames, compiler.instanceNames) &&
              copyNames(classVariableNames, compiler.classVariableNames);
  ObjectRef instance = instanceClassOf(cls);
  if (fits && instance != nilObj) {
    // Methods of a metaclass see the class variables of their class.
    fits = collectVariableNames(instance) &&
           copyNames(classVariableNames, compiler.classVariableNames);
  }
  collectVariableNames(nilObj);
  if (fits) return true;
  std::fprintf(stderr, kClassRefusedFormat, textOf(wordAt(cls, kClassName)), kMaxOperand);
  clearClassNames();
  compiler.classRefused = true;
  return false;
}

bool findClassVariable(const char* name, ObjectRef& declaringClass) {
  for (const char* known : compiler.classVariableNames) {
    if (std::strcmp(known, name) != 0) continue;
    declaringClass = declaringClassAlong(compiler.targetClass, name);
    if (declaringClass == nilObj) {
      ObjectRef instance = instanceClassOf(compiler.targetClass);
      declaringClass = declaringClassAlong(instance, name);
    }
    return true;
  }
  return false;
}

int findInstanceVariable(const char* name) {
  for (size_t i = 0; i < compiler.instanceNames.size(); ++i)
    if (std::strcmp(compiler.instanceNames[i], name) == 0) return static_cast<int>(i) + 1;
  return 0;
}

void addTemporary(const char* name) {
  if (compiler.temporaryCount >= kMaxTemporaries) {
    compileError(kTooManyTemporaries, "");
    return;
  }
  compiler.temporaries[compiler.temporaryCount++] = name;
  if (compiler.temporaryCount > compiler.highestTemporaryCount)
    compiler.highestTemporaryCount = compiler.temporaryCount;
}

void addArgument(const char* name) {
  if (compiler.argumentCount >= kMaxArguments) {
    compileError(kTooManyArguments, "");
    return;
  }
  compiler.arguments[compiler.argumentCount++] = name;
}

namespace {

int findTemporary(const char* name) {
  for (int i = compiler.temporaryCount - 1; i >= 0; --i)
    if (compiler.temporaries[i] == name) return i;
  return -1;
}

int findArgument(const char* name) {
  for (int i = 0; i < compiler.argumentCount; ++i)
    if (compiler.arguments[i] == name) return i + 1;
  return 0;
}

void pushSelf() { emitInstruction(Opcode::PushArgument, 0, ""); }

}  // namespace

void emitPushVariable(const char* name, bool& toSuper) {
  if (std::strcmp(name, "self") == 0) return pushSelf();
  if (std::strcmp(name, "super") == 0) {
    toSuper = true;
    return pushSelf();
  }
  if (int t = findTemporary(name); t >= 0)
    return emitInstruction(Opcode::PushTemporary, t, kTooManyTemporaries);
  if (int a = findArgument(name); a > 0)
    return emitInstruction(Opcode::PushArgument, a, kTooManyArguments);
  if (int v = findInstanceVariable(name); v > 0)
    return emitInstruction(Opcode::PushInstance, v - 1, kTooManyInstanceVariables);
  ObjectRef declaring = nilObj;
  if (findClassVariable(name, declaring)) {
    emitPushLiteral(declaring);
    pushSelf();
    emitPushLiteral(intern(name));
    return emitSend(kClassVariableValueSelector, 2, false);
  }
  for (const PseudoVariable& pseudo : kPseudoVariables)
    if (std::strcmp(name, pseudo.name) == 0) return emitPushConstant(pseudo.constant);
  emitPushLiteral(intern(name));
  emitInstruction(Opcode::SendUnary, kValueSelectorIndex, "");
}

void emitAssignment(const char* name) {
  if (int t = findTemporary(name); t >= 0) {
    parseExpression();
    return emitInstruction(Opcode::AssignTemporary, t, kTooManyTemporaries);
  }
  if (int v = findInstanceVariable(name); v > 0) {
    parseExpression();
    return emitInstruction(Opcode::AssignInstance, v - 1, kTooManyInstanceVariables);
  }
  ObjectRef declaring = nilObj;
  if (findClassVariable(name, declaring)) {
    emitPushLiteral(declaring);
    pushSelf();
    emitPushLiteral(intern(name));
    parseExpression();
    return emitSend(kClassVariableAssignSelector, 3, false);
  }
  // Everything else, arguments included, is a global.
  pushSelf();
  emitPushLiteral(intern(name));
  parseExpression();
  emitSend(kAssignSelector, 2, false);
}
