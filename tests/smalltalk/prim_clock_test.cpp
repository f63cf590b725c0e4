#include <cstdlib>
#include <ctime>

#include "prim_test_support.h"

namespace {

class ClockPrims : public PrimWorld {
 protected:
  std::string saved;
  bool wasSet = false;
  void SetUp() override {
    PrimWorld::SetUp();
    const char* tz = std::getenv("TZ");
    wasSet = tz != nullptr;
    saved = tz ? tz : "";
    setenv("TZ", "UTC0", 1);
    tzset();
  }
  void TearDown() override {
    if (wasSet) setenv("TZ", saved.c_str(), 1);
    else unsetenv("TZ");
    tzset();
    PrimWorld::TearDown();
  }
};

TEST_F(ClockPrims, CalendarOfNowInUtc) {
  std::time_t before = std::time(nullptr);
  ObjectRef now = prim(100);
  ASSERT_EQ(wordCount(now), 2u);
  int64_t t = int64_t{intOf(wordAt(now, 0))} * 86400 + intOf(wordAt(now, 1));
  EXPECT_GE(t, before);
  EXPECT_LE(t, before + 2);
  ObjectRef fields = prim(99, {wordAt(now, 0), wordAt(now, 1)});
  ASSERT_EQ(wordCount(fields), 11u);
  std::time_t tt = static_cast<std::time_t>(t);
  std::tm utc{};
  gmtime_r(&tt, &utc);
  const int expected[10] = {utc.tm_sec,  utc.tm_min,  utc.tm_hour,     utc.tm_mday, utc.tm_mon + 1,
                            utc.tm_year + 1900, utc.tm_wday, utc.tm_yday + 1, 0, 0};
  for (uint32_t i = 0; i < 10; ++i) EXPECT_EQ(intOf(wordAt(fields, i)), expected[i]) << i;
  EXPECT_EQ(textOfObject(wordAt(fields, 10)), "UTC");
  EXPECT_EQ(classOf(wordAt(fields, 10)), stringClass());
}

TEST_F(ClockPrims, FormatAndBadArguments) {
  ObjectRef text = prim(98, {num(11574), num(6400), str("%Y-%m-%d %H:%M:%S")});
  EXPECT_EQ(textOfObject(text), "2001-09-09 01:46:40");
  // Seconds beyond a day carry into the date.
  EXPECT_EQ(textOfObject(prim(98, {num(0), num(86400 + 61), str("%d %H:%M:%S")})), "02 00:01:01");
  EXPECT_EQ(textOfObject(prim(98, {num(-1), num(0), str("%Y-%m-%d")})), "1969-12-31");
  EXPECT_EQ(prim(98, {num(0), num(0), nilObj}), nilObj);
  EXPECT_EQ(prim(98, {str("0"), num(0), str("%Y")}), nilObj);
  EXPECT_EQ(prim(99, {num(0), trueObj}), nilObj);
  ObjectRef far = prim(99, {num(kSmallIntMax), num(kSmallIntMax)});
  ASSERT_NE(far, nilObj);  // year 2.9 million still converts in 64 bits
  EXPECT_GT(intOf(wordAt(far, 5)), 2000000);
}

}  // namespace
