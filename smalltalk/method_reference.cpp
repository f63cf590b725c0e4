#include "smalltalk/method_reference.h"

#include <algorithm>
#include <cstring>

#include "smalltalk/class_layout.h"
#include "smalltalk/collector.h"
#include "smalltalk/compiler.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/interp_inline.h"
#include "smalltalk/interpreter.h"
#include "smalltalk/method_cache.h"
#include "smalltalk/object_table.h"
#include "smalltalk/prim_args.h"
#include "smalltalk/send.h"
#include "smalltalk/symbols.h"

namespace {

bool isBlockLiteral(ObjectRef literal) {
  return isLiveObject(literal) && isPointerObject(literal) && wordCount(literal) == kBlockWords &&
         classOf(literal) == globalValue("Block");
}

bool isStringLiteral(ObjectRef literal) {
  return isLiveByteObject(literal) && classOf(literal) == globalValue("String");
}

bool isFloatLiteral(ObjectRef literal) {
  return isLiveByteObject(literal) && byteSize(literal) == kFloatBytes && classOf(literal) == floatClass();
}

bool sameBytes(ObjectRef literal, const std::string& bytes) {
  return byteSize(literal) == bytes.size() &&
         std::memcmp(bytesOf(literal), bytes.data(), bytes.size()) == 0;
}

bool takeLiteral(ObjectRef literal, ReferenceLiteral& out) {
  if (literal.isValue()) {
    out.value = literal;
    return true;
  }
  if (isLiveObject(literal) && classOf(literal) == symbolClass()) {
    out.kind = ReferenceLiteral::Symbol;
    out.text.assign(charsOf(literal), strnlen(charsOf(literal), byteSize(literal)));
    return true;
  }
  if (isStringLiteral(literal) || isFloatLiteral(literal)) {
    out.kind = isFloatLiteral(literal) ? ReferenceLiteral::Float : ReferenceLiteral::String;
    out.text.assign(charsOf(literal), byteSize(literal));
    return true;
  }
  if (!isBlockLiteral(literal)) return false;
  out.kind = ReferenceLiteral::Block;
  out.words.assign(bodyOf(literal), bodyOf(literal) + kBlockWords);
  for (const ObjectRef word : out.words)
    if (!word.isValue() && word != nilObj) return false;
  return true;
}

bool sameLiteral(ObjectRef literal, const ReferenceLiteral& ref) {
  switch (ref.kind) {
    case ReferenceLiteral::Value:
      return literal == ref.value;
    case ReferenceLiteral::Symbol:
      return literal == findSymbol(ref.text.c_str());
    case ReferenceLiteral::String:
      return isStringLiteral(literal) && sameBytes(literal, ref.text);
    case ReferenceLiteral::Float:
      return isFloatLiteral(literal) && sameBytes(literal, ref.text);
    case ReferenceLiteral::Block:
      return isBlockLiteral(literal) &&
             std::equal(ref.words.begin(), ref.words.end(), bodyOf(literal));
  }
  return false;
}

bool takeReference(ObjectRef method, ReferenceCode& out) {
  const ObjectRef* words = bodyOf(method);
  const ObjectRef code = words[kMethodBytecodes];
  if (!isLiveByteObject(code)) return false;
  out.bytecodes.assign(bytesOf(code), bytesOf(code) + byteSize(code));
  uint32_t count = 0;
  const ObjectRef* literals = pointerBody(words[kMethodLiterals], count);
  out.literals.assign(count, ReferenceLiteral{});
  for (uint32_t i = 0; i < count; ++i)
    if (!takeLiteral(literals[i], out.literals[i])) return false;
  out.stackSize = words[kMethodStackSize];
  out.temporaryCount = words[kMethodTemporaryCount];
  return true;
}

}  // namespace

void makeReference(ReferenceCode& reference, const MethodText& text) {
  if (reference.tried) return;
  const std::string name = compilingMethodName();
  const ObjectRef cls = globalValue(text.className);
  ObjectRef method = newMethod();
  RootGuard keep(method);
  reference = ReferenceCode{};
  reference.tried = true;
  reference.made = isLiveObject(cls) && loadClassVariables(cls) &&
                   compileMethod(method, text.source, false) && takeReference(method, reference);
  loadClassVariables(nilObj);
  setCompilingMethodName(name.c_str());
}

void forgetUnmade(ReferenceCode& reference) {
  if (!reference.made) reference.tried = false;
}

bool sameCode(ObjectRef method, const ReferenceCode& ref) {
  if (!isLiveObject(method) || !isPointerObject(method) || wordCount(method) < kMethodWords)
    return false;
  const ObjectRef* words = bodyOf(method);
  const ObjectRef code = words[kMethodBytecodes];
  if (!isLiveByteObject(code) || byteSize(code) != ref.bytecodes.size() ||
      std::memcmp(bytesOf(code), ref.bytecodes.data(), ref.bytecodes.size()) != 0)
    return false;
  if (words[kMethodStackSize] != ref.stackSize || words[kMethodTemporaryCount] != ref.temporaryCount)
    return false;
  uint32_t count = 0;
  const ObjectRef* literals = pointerBody(words[kMethodLiterals], count);
  if (count != ref.literals.size()) return false;
  for (uint32_t i = 0; i < count; ++i)
    if (!sameLiteral(literals[i], ref.literals[i])) return false;
  return true;
}

ObjectRef methodFor(ObjectRef selector, ObjectRef cls) {
  if (const CacheLine* line = cachedLine(selector, cls)) return line->method;
  const ObjectRef selectorWas = interp.currentSelector, methodWas = interp.currentMethod;
  interp.currentSelector = selector;
  const ObjectRef method = lookupMethod(cls) ? interp.currentMethod : nilObj;
  interp.currentSelector = selectorWas;
  interp.currentMethod = methodWas;
  return method;
}
