// Class definitions and method lists read by file-in.
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "smalltalk/bootstrap.h"
#include "smalltalk/class_layout.h"
#include "smalltalk/collector.h"
#include "smalltalk/compiler.h"
#include "smalltalk/compiler_state.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/filein.h"
#include "smalltalk/lexer.h"
#include "smalltalk/method_cache.h"
#include "smalltalk/name_table.h"
#include "smalltalk/object_table.h"
#include "smalltalk/symbols.h"
#include "smalltalk/variable_names.h"

namespace {

constexpr const char* kRootSuperclassName = "nil";
constexpr const char* kClassSideWord = "class";
constexpr const char* kEndOfMethodList = "}";
constexpr const char* kRefusedFormat =
    "********compiler error: Class %s : more than %d %s variable names in its chain\n";

// The lexers of a definition and of a name list inside it (one text each).
Lexer definitionLexer;
Lexer namesLexer;

uint32_t arrayLength(ObjectRef array) {
  if (array.isValue() || array == nilObj || !isPointerObject(array)) return 0;
  return wordCount(array);
}

// The Symbols of every token of a string's contents.
ObjectRef namesArray(const char* text) {
  std::vector<std::string> names;
  namesLexer.start(text);
  while (namesLexer.next() != TokenKind::EndOfInput) names.emplace_back(namesLexer.text);
  ObjectRef array = newArray(static_cast<uint32_t>(names.size()));
  RootGuard keep(array);
  for (size_t i = 0; i < names.size(); ++i)
    storeWord(array, static_cast<uint32_t>(i), intern(names[i].c_str()));
  return array;
}

// Names of one slot counted along the chain of cls, with ownNames in place of
// cls's own array.
uint32_t namesAlongChain(ObjectRef cls, uint32_t slot, ObjectRef ownNames) {
  uint32_t total = arrayLength(ownNames);
  ObjectRef c = wordAt(cls, kClassSuperclass);
  for (uint32_t steps = 0; steps < kMaxClassChain && isClassObject(c); ++steps) {
    total += arrayLength(wordAt(c, slot));
    c = wordAt(c, kClassSuperclass);
  }
  return total;
}

// Stores a variable-name Array into slot 4 or 5 unless the chain would then
// hold more names than an operand can number.
void storeVariableNames(ObjectRef cls, uint32_t slot, const char* text) {
  ObjectRef names = namesArray(text);
  uint32_t total = namesAlongChain(cls, slot, names);
  if (total > static_cast<uint32_t>(kMaxOperand)) {
    const char* kind = slot == kClassInstanceVariables ? "instance" : "class";
    std::fprintf(stderr, kRefusedFormat, charsOf(wordAt(cls, kClassName)), kMaxOperand, kind);
    return;
  }
  storeWord(cls, slot, names);
  // The size counts every instance variable along the chain.
  if (slot == kClassInstanceVariables)
    storeWord(cls, kClassInstanceSize, smallInt(static_cast<int32_t>(total)));
}

void setSuperclass(ObjectRef cls, const std::string& superName) {
  if (superName == kRootSuperclassName) {
    storeWord(cls, kClassSuperclass, nilObj);
    return;
  }
  ObjectRef superclass = findOrCreateClass(superName.c_str());
  storeWord(cls, kClassSuperclass, superclass);
  storeWord(classOf(cls), kClassSuperclass, classOf(superclass));
}

bool keywordIs(const Lexer& lex, const char* text) {
  return lex.kind == TokenKind::Keyword && std::string(lex.text) == text;
}

void readDefinitionKeywords(ObjectRef cls) {
  Lexer& lex = definitionLexer;
  while (lex.next() != TokenKind::EndOfInput) {
    if (keywordIs(lex, "category:")) {
      lex.next();
      if (lex.textLength == 0) return;
      storeWord(cls, kClassCategory, newString(lex.text));
    } else if (keywordIs(lex, "poolDictionaries:")) {
      lex.next();
      if (lex.textLength > 0) storeWord(cls, kClassPools, namesArray(lex.text));
    } else if (keywordIs(lex, "instanceVariableNames:")) {
      lex.next();
      storeVariableNames(cls, kClassInstanceVariables, lex.text);
    } else if (keywordIs(lex, "classVariableNames:")) {
      lex.next();
      storeVariableNames(cls, kClassClassVariables, lex.text);
    }
  }
}

bool equalsIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
      return false;
  return *a == *b;
}

}  // namespace

ObjectRef defineClass(const char* chunk) {
  Lexer& lex = definitionLexer;
  lex.start(chunk);
  lex.next();
  std::string superName = lex.text;
  lex.next();  // the creation keyword
  lex.next();
  std::string name = lex.text;
  if (name.empty() || superName.empty()) return nilObj;
  ObjectRef cls = findOrCreateClass(name.c_str());
  setSuperclass(cls, superName);
  readDefinitionKeywords(cls);
  return cls;
}

void installMethods(const char* header, std::FILE* file) {
  Lexer& lex = definitionLexer;
  lex.start(header + 1);
  lex.next();
  std::string name = lex.text;
  lex.next();
  if (equalsIgnoringCase(lex.text, kClassSideWord)) name += kMetaSuffix;
  ObjectRef cls = findOrCreateClass(name.c_str());
  loadClassVariables(cls);
  if (wordAt(cls, kClassMethods) == nilObj) storeWord(cls, kClassMethods, newDictionary());
  for (;;) {
    ObjectRef chunk = readChunk(file);
    if (chunk == nilObj || std::string(charsOf(chunk)) == kEndOfMethodList) break;
    RootGuard keepChunk(chunk);
    ObjectRef method = newMethod();
    RootGuard keepMethod(method);
    if (!compileMethod(method, charsOf(chunk), true)) continue;
    storeWord(method, kMethodClass, cls);
    ObjectRef selector = wordAt(method, kMethodSelector);
    dictionaryAtPut(wordAt(cls, kClassMethods), selector, method);
    // No cache line may keep answering the method this one replaces.
    flushCacheSelector(selector);
  }
  loadClassVariables(nilObj);
}
