// The chunk reader, class definitions and method lists.
#include <cstdio>
#include <optional>
#include <string>

#include "compiler_support.h"
#include "smalltalk/filein.h"
#include "smalltalk/name_table.h"

namespace {

// A temporary file holding text, read from the start.
class TextFile {
 public:
  explicit TextFile(const std::string& text) : file_(std::tmpfile()) {
    std::fwrite(text.data(), 1, text.size(), file_);
    std::rewind(file_);
  }
  ~TextFile() { std::fclose(file_); }
  std::FILE* get() const { return file_; }

 private:
  std::FILE* file_;
};

// Every chunk of text, nullopt standing for a nil chunk; stops after the first nil.
std::vector<std::optional<std::string>> chunksOf(const std::string& text) {
  TextFile file(text);
  std::vector<std::optional<std::string>> chunks;
  for (;;) {
    ObjectRef chunk = readChunk(file.get());
    if (chunk == nilObj) {
      chunks.push_back(std::nullopt);
      return chunks;
    }
    chunks.push_back(std::string(charsOf(chunk)));
  }
}

struct ChunkCase {
  const char* text;
  std::vector<std::optional<std::string>> chunks;
};

class ChunkReader : public CompilerWorld, public ::testing::WithParamInterface<ChunkCase> {};

TEST_P(ChunkReader, Reads) { EXPECT_EQ(chunksOf(GetParam().text), GetParam().chunks); }

const std::nullopt_t none = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Chunks, ChunkReader,
    ::testing::Values(
        ChunkCase{"abc!\ndef!\n", {"abc", "def", none}},
        ChunkCase{"abc!\r\ndef!\r", {"abc", "def", none}},
        ChunkCase{"a!!b!\n", {"a!b", none}},
        ChunkCase{"abc!x def!\n", {"abc", " def", none}},
        ChunkCase{"!Foo methodsFor: 'x'!\n", {"!Foo methodsFor: 'x'", none}},
        ChunkCase{"\n\r\n# comment line\n#another\nabc!\n", {"abc", none}},
        ChunkCase{"abc\n# kept inside\n!\n", {"abc\n# kept inside\n", none}},
        ChunkCase{"! !\nabc!\n", {"", "abc", none}},
        ChunkCase{"x ! !\n", {"x ", none}},
        ChunkCase{"!\nabc!\n", {none}},
        ChunkCase{"abc", {none}},
        ChunkCase{"abc!", {"abc", none}},
        ChunkCase{"", {none}}));

constexpr const char* kLibrary =
    "# Geometry, a small class library\n"
    "Object subclass: #Point instanceVariableNames: 'x y' classVariableNames: 'Origin Count' "
    "poolDictionaries: '' category: 'Graphics'!\n"
    "Point subclass: #Point3 instanceVariableNames: 'z' classVariableNames: '' "
    "poolDictionaries: 'Pool1 Pool2' category: 'Graphics'!\n"
    "nil subclass: #Root instanceVariableNames: '' classVariableNames: '' poolDictionaries: '' "
    "category: ''!\n"
    "!Point methodsFor: 'accessing'!\n"
    "x\n  ^ x!\n"
    "bang\n  ^ 'wow!!'!\n"
    "bad ^ (!\n"
    "y\n  ^ y!\n"
    "}!\n"
    "# between lists\n"
    "!Point class methodsFor: 'instance creation'!\n"
    "origin\n  ^ Origin!\n"
    "}!\n"
    "!Point3 methodsFor: 'accessing'!\n"
    "z\n  ^ z!\n";

ObjectRef methodIn(const char* className, const char* selector) {
  ObjectRef dictionary = wordAt(globalValue(className), kClassMethods);
  if (dictionary == nilObj) return nilObj;
  return dictionaryAt(dictionary, intern(selector));
}

std::string textAt(ObjectRef obj, uint32_t slot) {
  ObjectRef value = wordAt(obj, slot);
  return value == nilObj ? "<nil>" : std::string(charsOf(value));
}

std::vector<std::string> namesAt(ObjectRef cls, uint32_t slot) {
  std::vector<std::string> names;
  ObjectRef array = wordAt(cls, slot);
  for (uint32_t i = 0; array != nilObj && i < wordCount(array); ++i)
    names.push_back(charsOf(wordAt(array, i)));
  return names;
}

class FileIn : public CompilerWorld {
 protected:
  void SetUp() override {
    CompilerWorld::SetUp();
    TextFile file(kLibrary);
    ::testing::internal::CaptureStderr();
    fileIn(file.get());
    errors = ::testing::internal::GetCapturedStderr();
  }
  std::string errors;
};

TEST_F(FileIn, DefinesClassesWithTheirVariablesAndSizes) {
  ObjectRef point = globalValue("Point");
  ObjectRef point3 = globalValue("Point3");
  EXPECT_EQ(wordAt(point, kClassSuperclass), globalValue("Object"));
  EXPECT_EQ(wordAt(point3, kClassSuperclass), point);
  EXPECT_EQ(wordAt(classOf(point3), kClassSuperclass), classOf(point));
  EXPECT_EQ(classOf(point3), globalValue("Point3Meta"));
  EXPECT_EQ(wordAt(point, kClassInstanceSize), smallInt(2));
  EXPECT_EQ(wordAt(point3, kClassInstanceSize), smallInt(3));
  EXPECT_EQ(namesAt(point, kClassInstanceVariables), (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(namesAt(point3, kClassInstanceVariables), (std::vector<std::string>{"z"}));
  EXPECT_EQ(namesAt(point, kClassClassVariables), (std::vector<std::string>{"Origin", "Count"}));
  EXPECT_EQ(namesAt(point3, kClassPools), (std::vector<std::string>{"Pool1", "Pool2"}));
  EXPECT_EQ(textAt(point, kClassCategory), "Graphics");
  ObjectRef root = globalValue("Root");
  EXPECT_EQ(wordAt(root, kClassSuperclass), nilObj);
  EXPECT_EQ(wordAt(root, kClassCategory), nilObj);  // an empty category is not stored
}

TEST_F(FileIn, InstallsMethodsSkippingThoseThatFail) {
  EXPECT_EQ(errors, "********compiler error: Method bad : invalid expression start \n");
  ObjectRef x = methodIn("Point", "x");
  ASSERT_NE(x, nilObj);
  EXPECT_EQ(wordAt(x, kMethodClass), globalValue("Point"));
  EXPECT_EQ(textAt(x, kMethodSource), "x\n  ^ x");
  EXPECT_NE(methodIn("Point", "y"), nilObj);
  EXPECT_EQ(methodIn("Point", "bad"), nilObj);
  // Point3 inherits x and y: its own z is instance variable 2 (operand 2).
  ObjectRef z = methodIn("Point3", "z");
  ASSERT_NE(z, nilObj);
  EXPECT_EQ(bytesOf(wordAt(z, kMethodBytecodes))[0], 0x12);
}

TEST_F(FileIn, DoubledExclamationMarksBecomeOne) {
  ObjectRef bang = methodIn("Point", "bang");
  ASSERT_NE(bang, nilObj);
  EXPECT_EQ(textAt(bang, kMethodSource), "bang\n  ^ 'wow!'");
  EXPECT_EQ(textAt(wordAt(bang, kMethodLiterals), 0), "wow!");
}

TEST_F(FileIn, ClassSideMethodsGoToTheMetaclassAndSeeClassVariables) {
  ObjectRef origin = methodIn("PointMeta", "origin");
  ASSERT_NE(origin, nilObj);
  EXPECT_EQ(methodIn("Point", "origin"), nilObj);
  EXPECT_EQ(wordAt(origin, kMethodClass), globalValue("PointMeta"));
  EXPECT_EQ(wordAt(wordAt(origin, kMethodLiterals), 0), globalValue("Point"));
}

TEST_F(FileIn, RedefinitionKeepsTheClassAndUpdatesIt) {
  ObjectRef before = globalValue("Point");
  EXPECT_EQ(defineClass("Object subclass: #Point instanceVariableNames: 'x y w' "
                        "classVariableNames: '' poolDictionaries: '' category: 'G'"),
            before);
  EXPECT_EQ(globalValue("Point"), before);
  EXPECT_EQ(wordAt(before, kClassInstanceSize), smallInt(3));
  EXPECT_EQ(textAt(before, kClassCategory), "G");
}

TEST_F(CompilerWorld, DefinitionWithoutClassNameCreatesNothing) {
  EXPECT_EQ(defineClass("Object"), nilObj);
  EXPECT_EQ(globalValue(""), nilObj);
}

TEST_F(CompilerWorld, DefinitionOverTheNameLimitIsRefused) {
  std::string names;
  for (int i = 0; i < 256; ++i) names += " v" + std::to_string(i);
  ::testing::internal::CaptureStderr();
  ObjectRef cls = defineClass(("Object subclass: #Wide instanceVariableNames: '" + names +
                               "' classVariableNames: '' poolDictionaries: '' category: 'x'")
                                  .c_str());
  std::string message = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(message,
            "********compiler error: Class Wide : more than 255 instance variable names in its chain\n");
  EXPECT_EQ(wordAt(cls, kClassInstanceVariables), nilObj);
  EXPECT_EQ(wordAt(cls, kClassInstanceSize), smallInt(0));
}

TEST_F(CompilerWorld, MethodListEndsAtTheEndOfTheFile) {
  TextFile file("!UndefinedObject methodsFor: 'x'!\nfoo\n  ^ 1!\nbar\n  ^ 2!\n");
  fileIn(file.get());
  EXPECT_NE(methodIn("UndefinedObject", "foo"), nilObj);
  EXPECT_NE(methodIn("UndefinedObject", "bar"), nilObj);
}

}  // namespace
