// Fixtures for the object-memory tests: every case starts from a fresh table
// (or a freshly booted world) and releases it afterwards.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "smalltalk/bootstrap.h"
#include "smalltalk/object_table.h"

class FreshTable : public ::testing::Test {
 protected:
  void SetUp() override { createObjectTable(); }
  void TearDown() override { destroyObjectTable(); }
};

class FreshWorld : public ::testing::Test {
 protected:
  void SetUp() override { bootstrapObjectWorld(); }
  void TearDown() override { destroyObjectTable(); }
};

// The text of a string object (without its terminating zero).
inline std::string textOf(ObjectRef obj) {
  return std::string(charsOf(obj), byteSize(obj) == 0 ? 0 : byteSize(obj) - 1);
}
