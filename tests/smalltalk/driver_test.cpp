// The driver: options, the command queue, exit statuses, file-in of the named
// sources and evaluation in slices.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "smalltalk/driver.h"
#include "smalltalk/driver_state.h"
#include "smalltalk/file_slots.h"
#include "smalltalk/interpreter.h"
#include "smalltalk/object_table.h"
#include "smalltalk/symbols.h"

namespace {

namespace fs = std::filesystem;

// Runs the driver on a command line whose strings outlive the call.
class CommandLine {
 public:
  explicit CommandLine(std::vector<std::string> args) : args_(std::move(args)) {
    for (std::string& a : args_) pointers_.push_back(a.data());
    pointers_.push_back(nullptr);
  }
  int run() { return startScriptSystem(static_cast<int>(args_.size()), pointers_.data()); }

 private:
  std::vector<std::string> args_;
  std::vector<char*> pointers_;
};

int runDriver(std::vector<std::string> args) { return CommandLine(std::move(args)).run(); }

struct Entry {
  char kind;
  std::string text;
  bool operator==(const Entry& o) const { return kind == o.kind && text == o.text; }
};

std::ostream& operator<<(std::ostream& os, const Entry& e) {
  return os << e.kind << ":" << e.text;
}

std::vector<Entry> queueEntries() {
  std::vector<Entry> entries;
  for (const CommandQueueEntry* e = commandQueue(); e->kind != kQueueEnd; ++e)
    entries.push_back({e->kind, std::string(e->text, e->length)});
  return entries;
}

class Driver : public ::testing::Test {
 protected:
  void SetUp() override {
    destroyObjectTable();
    dir_ = fs::temp_directory_path() / ("tolva_driver_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    previous_ = fs::current_path();
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(dir_);
    clearFileSlots();
    resetInterpreter();
    destroyObjectTable();
  }
  static void write(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
  }

 private:
  fs::path dir_;
  fs::path previous_;
};

TEST_F(Driver, WithoutArgumentsReturnsAtOnceAndBuildsNothing) {
  EXPECT_EQ(runDriver({"tolva"}), 0);
  EXPECT_EQ(objTbl, nullptr);
  EXPECT_TRUE(queueEntries().empty());
  EXPECT_EQ(driverArgumentCount(), 1);
}

TEST_F(Driver, QueuesDoItTextsAndLoadableFilesInOrder) {
  write("a.st", "");
  write("b.st", "");
  EXPECT_EQ(runDriver({"tolva", "-doit", "3 + 4", "a.st", "-load", "b.st", "-loadif", "gone.st",
                       "missing.st"}),
            0);
  EXPECT_EQ(queueEntries(), (std::vector<Entry>{{'d', "3 + 4"}, {'s', "a.st"}, {'s', "b.st"}}));
  EXPECT_EQ(objTbl, nullptr);
}

struct NameOptionCase {
  std::vector<std::string> args;
  std::vector<Entry> queue;
};

class DriverNameOption : public Driver, public ::testing::WithParamInterface<NameOptionCase> {};

TEST_P(DriverNameOption, ConsumesItsName) {
  write("a.st", "");
  write("b.st", "");
  EXPECT_EQ(runDriver(GetParam().args), 0);
  EXPECT_EQ(queueEntries(), GetParam().queue);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, DriverNameOption,
    ::testing::Values(
        // Six characters: the name is the rest; the next argument is a file.
        NameOptionCase{{"tolva", "-wabcd", "a.st"}, {{'s', "a.st"}}},
        NameOptionCase{{"tolva", "-w", "a.st", "b.st"}, {{'s', "b.st"}}},
        NameOptionCase{{"tolva", "-wx", "a.st", "b.st"}, {{'s', "b.st"}}},
        NameOptionCase{{"tolva", "-wxy", "a.st", "b.st"}, {{'s', "a.st"}, {'s', "b.st"}}}));

TEST_F(Driver, InvalidOptionEndsWithStatusZero) {
  EXPECT_EXIT(runDriver({"tolva", "-x"}), ::testing::ExitedWithCode(0), "");
}

TEST_F(Driver, MissingLoadFilesAreCountedInTheExitStatus) {
  EXPECT_EXIT(runDriver({"tolva", "-load", "nope1.st", "-load", "nope2.st"}),
              ::testing::ExitedWithCode(2),
              "^tolva: nope1\\.st: No such file\ntolva: nope2\\.st: No such file\n$");
}

TEST_F(Driver, OptionWithoutItsArgumentIsReported) {
  for (const char* option : {"-doit", "-c", "-t", "-load", "-loadif", "-w"}) {
    EXPECT_EXIT(runDriver({"tolva", option}), ::testing::ExitedWithCode(1),
                std::string("tolva: option ") + option + " needs an argument")
        << option;
  }
}

TEST_F(Driver, OverlongChangeLogNameIsReportedAndSkipped) {
  std::string name(300, 'n');
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(runDriver({"tolva", "-t", name}), 0);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("change-log name longer than 260"),
            std::string::npos);
}

TEST_F(Driver, QueueHoldsAtMost143Entries) {
  std::vector<std::string> args{"tolva"};
  for (int i = 0; i < 150; ++i) {
    args.push_back("-doit");
    args.push_back("t" + std::to_string(i));
  }
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(runDriver(args), 0);
  std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(queueEntries().size(), 143u);
  EXPECT_EQ(queueEntries().back().text, "t142");
  EXPECT_NE(errors.find("t143 skipped"), std::string::npos);
}

// A source that makes initialize print through the file primitives only.
std::string printingMethod(const char* selector, const char* body) {
  return std::string("!UndefinedObject methodsFor: 'test'!\n") + selector +
         "\n  <120 3 'stdout' 'w'>.\n" + body + "\n!\n}!\n";
}

TEST_F(Driver, LoadIfMissingThenStartBootsQuietly) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(runDriver({"tolva", "-loadif", "gone.st", "-c", "img"}), 0);
  std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(errors.find("No such file"), std::string::npos);
  ASSERT_NE(objTbl, nullptr);
  EXPECT_STREQ(charsOf(globalValue("version")), "0.3");
}

TEST_F(Driver, FilesInTheSourcesInOrderThenSendsInitialize) {
  write("a.st", printingMethod("first", "<128 3 'a'>") +
                    printingMethod("initialize", "<128 3 'wrong'>"));
  write("b.st", printingMethod("initialize", "self first. <129 3 'b'>"));
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(runDriver({"tolva", "-c", "img", "a.st", "b.st"}), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "ab\n");
  EXPECT_EQ(queueEntries(), (std::vector<Entry>{{'s', "a.st"}, {'s', "b.st"}}));
}

TEST_F(Driver, QuotesInFileNamesAreDoubled) {
  write("it's.st", printingMethod("initialize", "<129 3 'quoted'>"));
  ::testing::internal::CaptureStdout();
  runDriver({"tolva", "-c", "img", "it's.st"});
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "quoted\n");
}

TEST_F(Driver, PrintsADotForEverySliceThatEndsUnfinished) {
  // About ten steps per level: 100,000 steps run in six slices, the last of
  // which finishes.
  write("count.st",
        "!UndefinedObject methodsFor: 'test'!\n"
        "count: n\n  n = 0 ifTrue: [^ 0].\n  ^ self count: n - 1\n!\n"
        "initialize\n  self count: 10000\n!\n}!\n");
  ::testing::internal::CaptureStderr();
  runDriver({"tolva", "-c", "img", "count.st"});
  std::string dots = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(dots.find_first_not_of('.'), std::string::npos) << dots;
  EXPECT_GE(dots.size(), 5u);
  EXPECT_LE(dots.size(), 7u);
}

TEST_F(Driver, ShortEvaluationPrintsNoDotAndFailedCompilationRunsNothing) {
  write("quick.st", printingMethod("initialize", "<129 3 'done'>"));
  ::testing::internal::CaptureStderr();
  ::testing::internal::CaptureStdout();
  runDriver({"tolva", "-c", "img", "quick.st"});
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "done\n");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(evaluate("goDoIt ^ (1"));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "********compiler error: Method goDoIt : Missing Right Parenthesis \n");
}

}  // namespace
