// Compiling single methods in a freshly booted world, for the compiler tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "smalltalk/bootstrap.h"
#include "smalltalk/class_layout.h"
#include "smalltalk/compiler.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/object_table.h"
#include "smalltalk/symbols.h"

struct Compiled {
  bool ok = false;
  std::vector<int> bytes;
  ObjectRef method = nilObj;
  std::string errors;  // everything written to standard error
};

inline Compiled compileText(const std::string& source) {
  Compiled result;
  result.method = newMethod();
  ::testing::internal::CaptureStderr();
  result.ok = compileMethod(result.method, source.c_str(), false);
  result.errors = ::testing::internal::GetCapturedStderr();
  ObjectRef code = wordAt(result.method, kMethodBytecodes);
  if (code != nilObj)
    for (uint32_t i = 0; i < byteSize(code); ++i) result.bytes.push_back(bytesOf(code)[i]);
  return result;
}

inline ObjectRef literalAt(const Compiled& c, uint32_t i) {
  return wordAt(wordAt(c.method, kMethodLiterals), i);
}

inline std::string symbolText(ObjectRef sym) { return std::string(charsOf(sym)); }

// A class with the given own variable names, made through the bootstrap's
// class look-up; superclass optional.
inline ObjectRef makeClass(const char* name, std::vector<const char*> instanceNames,
                           std::vector<const char*> classNames = {},
                           ObjectRef superclass = nilObj) {
  ObjectRef cls = findOrCreateClass(name);
  auto names = [](const std::vector<const char*>& list) {
    ObjectRef array = newArray(static_cast<uint32_t>(list.size()));
    for (size_t i = 0; i < list.size(); ++i) storeWord(array, i, intern(list[i]));
    return array;
  };
  storeWord(cls, kClassInstanceVariables, names(instanceNames));
  storeWord(cls, kClassClassVariables, names(classNames));
  if (superclass != nilObj) {
    storeWord(cls, kClassSuperclass, superclass);
    storeWord(classOf(cls), kClassSuperclass, classOf(superclass));
  }
  return cls;
}

class CompilerWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    bootstrapObjectWorld();
    loadClassVariables(nilObj);
  }
  void TearDown() override {
    loadClassVariables(nilObj);
    destroyObjectTable();
  }
};
