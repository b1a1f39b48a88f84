// SPDX-License-Identifier: Apache-2.0
// Date and text helpers of libctrldata.
#include "ctrldata.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::tm makeTm(int year, int month, int day, int h = 0, int m = 0, int s = 0) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = h;
    t.tm_min = m;
    t.tm_sec = s;
    return t;
}

TEST(SmalItoA, RightAlignsWithLeadingZeros) {
    struct Case {
        int32_t value;
        int32_t width;
        const char* expected;
    } cases[] = {{7, 2, "07"},    {0, 4, "0000"}, {2002, 4, "2002"}, {31, 2, "31"},
                 {123, 3, "123"}, {5, 1, "5"},    {99, 2, "99"}};
    for (const auto& c : cases) {
        char buf[8];
        std::memset(buf, '#', sizeof buf);
        EXPECT_EQ(smalItoA(c.value, buf, c.width), buf);
        EXPECT_EQ(std::string(buf, static_cast<std::size_t>(c.width)), c.expected);
        EXPECT_EQ(buf[c.width], '#') << "no terminator is written";
    }
}

TEST(SmalItoA, NeverWritesOutsideTheWidth) {
    // A value with more digits than the width keeps its low digits; a negative value is
    // written by its magnitude. Guard bytes on both sides stay untouched.
    struct Case {
        int32_t value;
        const char* expected;
    } cases[] = {{12345, "45"}, {-7, "07"}, {INT32_MIN, "48"}, {100, "00"}};
    for (const auto& c : cases) {
        char buf[4] = {'#', '#', '#', '#'};
        smalItoA(c.value, buf + 1, 2);
        EXPECT_EQ(std::string(buf, 4), std::string("#") + c.expected + "#") << c.value;
    }
    char one = '#';
    smalItoA(5, &one, 0);
    EXPECT_EQ(one, '#');
    EXPECT_EQ(smalItoA(5, nullptr, 2), nullptr);
}

TEST(DateTexts, FromBrokenDownTime) {
    const std::tm t = makeTm(2002, 3, 5, 9, 5, 3);
    char s0[12];
    std::memset(s0, '#', sizeof s0);
    GetFormTM_tS0Date(&t, s0);
    EXPECT_EQ(std::string(s0, 12), std::string("05.03.2002") + std::string(2, '\0'));

    char tdate[9] = "########";
    tS0Date_to_tDate(s0, tdate);
    EXPECT_EQ(std::string(tdate, 8), "20020305");

    char time[10];
    std::memset(time, '#', sizeof time);
    GetFromTM_tS0Time(&t, time);
    EXPECT_EQ(std::string(time, 10), std::string("09:05:03") + std::string(2, '\0'));

    const std::tm late = makeTm(1999, 12, 31, 23, 59, 58);
    GetFormTM_tS0Date(&late, s0);
    GetFromTM_tS0Time(&late, time);
    EXPECT_STREQ(s0, "31.12.1999");
    EXPECT_STREQ(time, "23:59:58");
}

TEST(CompareDate, PositiveWhenTheSecondDateIsLater) {
    struct Case {
        const char* a;
        const char* b;
        int32_t expected;
    } cases[] = {
        {"20020101", "20011231", -1}, {"20011231", "20020101", 1}, {"20020101", "20020101", 0},
        {"20020201", "20020131", -1}, {"20020131", "20020201", 1}, {"20020102", "20020101", -1},
        {"19990101", "20990101", 1},  {"00000000", "20020630", 1}, {"20020301", "00000000", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CompareDate_tDate_tDate(c.a, c.b), c.expected) << c.a << " " << c.b;
        const std::tm t = makeTm(std::stoi(std::string(c.a, 4)), std::stoi(std::string(c.a + 4, 2)),
                                 std::stoi(std::string(c.a + 6, 2)));
        EXPECT_EQ(CompareDate_tm_tDate(&t, c.b), c.expected) << "tm " << c.a << " " << c.b;
    }
}

TEST(Phase, BeforeWithinAndAfterTheChangeover) {
    struct Case {
        const char* date;
        int32_t phase;
    } cases[] = {{"19981231", 1}, {"19990101", 2}, {"20000615", 2}, {"20011231", 2},
                 {"20020101", 3}, {"20020301", 3}, {"18000101", 1}, {"29991231", 3}};
    for (const auto& c : cases) {
        EXPECT_EQ(WhereAmINow(c.date, "19990101", "20020101"), c.phase) << c.date;
        const std::tm t =
            makeTm(std::stoi(std::string(c.date, 4)), std::stoi(std::string(c.date + 4, 2)),
                   std::stoi(std::string(c.date + 6, 2)));
        EXPECT_EQ(WhereAmIToday(&t, "19990101", "20020101"), c.phase) << "tm " << c.date;
    }
}

TEST(MemReplaceChar, ReplacesByPositionInTheSet) {
    struct Case {
        std::string in;
        const char* set;
        const char* repl;
        std::string out;
        int32_t count;
    } cases[] = {
        {"A;B", ";", ",", "A,B", 1},
        {"a;b|c;", ";|", ",!", "a,b!c,", 3},
        {"none", ";", ",", "none", 0},
        {"\r\nX\r", "\r\n", "  ", "  X ", 3},
        // A zero byte finds the set's terminator and takes the replacement's terminator.
        {std::string("A\0B", 3), ";", ",", std::string("A\0B", 3), 1},
        // A replacement shorter than the set: its terminator stands in for the next
        // position, later positions are left alone instead of read beyond it.
        {"x;y|z#", ";|#", ",", std::string("x,y\0z#", 6), 2},
    };
    for (const auto& c : cases) {
        std::string buf = c.in;
        EXPECT_EQ(_MemReplaceChar(buf.data(), static_cast<int32_t>(buf.size()), c.set, c.repl),
                  c.count)
            << c.in;
        EXPECT_EQ(buf, c.out);
    }
    char b[2] = {'x', ';'};
    EXPECT_EQ(_MemReplaceChar(b, 0, ";", ","), 0);
    EXPECT_EQ(_MemReplaceChar(nullptr, 2, ";", ","), 0);
    EXPECT_EQ(_MemReplaceChar(b, 2, nullptr, ","), 0);
}

} // namespace
