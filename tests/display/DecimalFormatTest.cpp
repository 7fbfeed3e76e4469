#include "DecimalFormat.h"
#include "Locales.h"

#include <cfloat>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace DecimalFormat;

namespace {

class DecimalFormatIn : public testing::TestWithParam<TLocaleCase> {
protected:
    const TFormatSettings& fs = GetParam().Settings;
    QString L(const char* text) const { return Local(QString::fromLatin1(text), fs); }
};

INSTANTIATE_TEST_SUITE_P(Locales, DecimalFormatIn, testing::ValuesIn(kLocales), LocaleName);

} // namespace

TEST(DecimalFormat, ExpandsEighteenCorrectlyRoundedDigits) {
    struct Case {
        double x;
        const char* digits;
        int exponent;
    };
    const Case cases[] = {
        {0, "", 0},
        {1234.5, "12345", 4},
        {-1234.5, "12345", 4},
        {0.05, "500000000000000028", -1},
        {0.1, "100000000000000006", 0},
        {1e23, "999999999999999916", 23},
        {DBL_MAX, "179769313486231571", 309},
        {5e-324, "494065645841246544", -323},
    };
    for (const auto& c : cases) {
        const TDecimal d = Expand(c.x);
        std::string digits;
        for (int i = 0; i < d.Count; ++i)
            digits += char('0' + d.Digits[i]);
        EXPECT_EQ(digits, c.digits) << Show(c.x);
        EXPECT_EQ(d.Exponent, c.exponent) << Show(c.x);
        EXPECT_EQ(d.Negative, c.x < 0) << Show(c.x);
    }
}

TEST_P(DecimalFormatIn, GeneralForm) {
    struct Case {
        double x;
        int P, m;
        const char* text;
    };
    const Case cases[] = {
        {0, 10, 0, "0"},
        {-0.0, 10, 0, "0"},
        {2.5, 10, 0, "2.5"},
        {-1234.5678, 10, 0, "-1234.5678"},
        {1234567890, 10, 0, "1234567890"},
        {12345678901, 10, 0, "1.23456789E10"},
        {9999999999.5, 10, 0, "1E10"}, // the carry makes an eleventh integer digit
        {999.9999999999, 10, 0, "1000"},
        {0.0001, 9, 0, "0.0001"},
        {0.00009, 9, 0, "9E-5"},
        {1e-7, 9, 0, "1E-7"},
        {2.0 / 3, 9, 0, "0.666666667"},
        {0.125, 2, 0, "0.13"}, // half away from zero, not to even
        {-0.125, 2, 0, "-0.13"},
        {100, 2, 0, "1E2"},
        {123456, 3, 0, "1.23E5"},
        {1e20, 15, 0, "1E20"},
        {1.5e-7, 15, 0, "1.5E-7"},
        {1.0 / 3, 15, 0, "0.333333333333333"},
        {123456789012345, 15, 0, "123456789012345"},
        {1234567890123456, 15, 0, "1.23456789012346E15"},
        {DBL_MAX, 15, 0, "1.79769313486232E308"},
        {5e-324, 15, 0, "4.94065645841247E-324"},
        {1.5e20, 18, 3, "1.5E020"},
        {1.5e20, 18, 4, "1.5E0020"},
        {1.5e20, 18, 5, "1.5E20"}, // widths above 4 count as none
        {1.5e-7, 10, 2, "1.5E-07"},
        {1.26, 1, 0, "1.3"},                  // precision at least 2
        {0.1, 40, 0, "0.100000000000000006"}, // and at most 18
        {1e23, 18, 0, "9.99999999999999916E22"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(General(c.x, c.P, c.m, fs), L(c.text)) << Show(c.x) << " G(" << c.P << ", " << c.m << ")";
}

TEST_P(DecimalFormatIn, FixedAndGroupedForms) {
    struct Case {
        double x;
        int d;
        const char* fixed;
        const char* grouped;
    };
    const Case cases[] = {
        {0, 2, "0.00", "0.00"},
        {2.5, 2, "2.50", "2.50"},
        {1234.5678, 2, "1234.57", "1,234.57"},
        {-1234.5678, 2, "-1234.57", "-1,234.57"},
        {999.9999999999, 2, "1000.00", "1,000.00"},
        {12345678901, 2, "12345678901.00", "12,345,678,901.00"},
        {2.0 / 3, 2, "0.67", "0.67"},
        {0.000123, 2, "0.00", "0.00"},
        {0.5, 0, "1", "1"},
        {2.5, 0, "3", "3"},
        {-2.5, 0, "-3", "-3"},
        {0.05, 1, "0.1", "0.1"},
        {0.04, 1, "0.0", "0.0"},
        {-0.005, 2, "-0.01", "-0.01"},
        {-0.001, 2, "0.00", "0.00"}, // nothing left: no minus sign
        {-0.0001, 2, "0.00", "0.00"},
        {-0.0, 2, "0.00", "0.00"},
        {100, 0, "100", "100"},
        {1000, 1, "1000.0", "1,000.0"},
        {100000, 0, "100000", "100,000"},
        {1e17, 0, "100000000000000000", "100,000,000,000,000,000"},
        {9.99e17, 1, "999000000000000000.0", "999,000,000,000,000,000.0"},
        {1e18, 0, "1E18", "1E18"},
        {1.5e20, 2, "1.5E20", "1.5E20"},
        {1.5e20, 3, "1.5E020", "1.5E020"},
        {1.5e20, 4, "1.5E0020", "1.5E0020"},
        {1.5e20, 5, "1.5E20", "1.5E20"},
        {0.1, 18, "0.100000000000000006", "0.100000000000000006"},
        {1.0 / 3, 18, "0.333333333333333315", "0.333333333333333315"},
        {1.25, -3, "1", "1"},                                       // no fewer than 0 decimals
        {1.25, 25, "1.250000000000000000", "1.250000000000000000"}, // nor more than 18
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Fixed(c.x, c.d, fs), L(c.fixed)) << Show(c.x) << " F" << c.d;
        EXPECT_EQ(Grouped(c.x, c.d, fs), L(c.grouped)) << Show(c.x) << " N" << c.d;
    }
}

TEST_P(DecimalFormatIn, ExponentForm) {
    struct Case {
        double x;
        int P;
        const char* text;
    };
    const Case cases[] = {
        {0, 3, "0.00E+000"},
        {0, 2, "0.0E+000"},
        {-0.0, 3, "0.00E+000"},
        {2.5, 3, "2.50E+000"},
        {1234.5678, 3, "1.23E+003"},
        {-1234.5678, 3, "-1.23E+003"},
        {999.9999999999, 3, "1.00E+003"},
        {12345678901, 3, "1.23E+010"},
        {2.0 / 3, 3, "6.67E-001"},
        {0.000123, 3, "1.23E-004"},
        {0.000015, 3, "1.50E-005"},
        {1.5e20, 3, "1.50E+020"},
        {9.995, 3, "9.99E+000"}, // the double lies below the tie
        {1e-300, 2, "1.0E-300"},
        {1.5, 1, "1.5E+000"},
        {0.1, 30, "1.00000000000000006E-001"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Exponent(c.x, c.P, fs), L(c.text)) << Show(c.x) << " X" << c.P;
}

TEST_P(DecimalFormatIn, PatternForms) {
    struct Case {
        double x;
        int fraction;
        const char* grouped;
        const char* plain;
    };
    const Case cases[] = {
        {0, 9, "0", "0"},
        {-0.0, 9, "0", "0"},
        {2.5, 9, "2.5", "2.5"},
        {1234.5678, 9, "1,234.5678", "1234.5678"},
        {-1234.5678, 9, "-1,234.5678", "-1234.5678"},
        {999.9999999999, 9, "1,000", "1000"},
        {12345678901, 9, "12,345,678,901", "12345678901"},
        {2.0 / 3, 9, "0.666666667", "0.666666667"},
        {0.000123, 9, "0.000123", "0.000123"},
        {0.000015, 9, "0.000015", "0.000015"},
        {1e-7, 9, "0.0000001", "0.0000001"},
        {1e-10, 9, "0", "0"},
        {-1e-10, 9, "0", "0"},
        {1234.5678, 0, "1,235", "1235"},
        {123456789012345678.0, 9, "123,456,789,012,345,680", "123456789012345680"},
        {1e18, 9, "1E18", "1E18"},
        {1.5e20, 9, "1.5E20", "1.5E20"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Pattern(c.x, c.fraction, true, fs), L(c.grouped)) << Show(c.x) << " P1 " << c.fraction;
        EXPECT_EQ(Pattern(c.x, c.fraction, false, fs), L(c.plain)) << Show(c.x) << " P2 " << c.fraction;
    }
}

TEST_P(DecimalFormatIn, ExponentPattern) {
    struct Case {
        double x;
        int fraction;
        const char* text;
    };
    const Case cases[] = {
        {1234.5678, 9, "1.2345678E+3"},
        {-1234.5678, 9, "-1.2345678E+3"},
        {0.00012, 9, "1.2E-4"},
        {0.000015, 9, "1.5E-5"},
        {5, 9, "5E+0"},
        {2.0 / 3, 9, "6.666666667E-1"},
        {12345678901, 9, "1.23456789E+10"},
        {999.9999999999, 9, "1E+3"},
        {1.5e20, 9, "1.5E+20"},
        {1234.5678, 0, "1E+3"},
        {0, 9, "0E+0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExponentPattern(c.x, c.fraction, fs), L(c.text)) << Show(c.x) << " P3 " << c.fraction;
}

TEST(DecimalFormat, SpecialsInEveryForm) {
    struct Case {
        double x;
        const char* text;
    };
    const Case cases[] = {{kNaN, "NAN"}, {-kNaN, "-NAN"}, {kInf, "INF"}, {-kInf, "-INF"}};
    const TFormatSettings fs = TFormatSettings::Plain();
    for (const auto& c : cases) {
        const QString text = QString::fromLatin1(c.text);
        EXPECT_EQ(General(c.x, 10, 0, fs), text);
        EXPECT_EQ(Fixed(c.x, 2, fs), text);
        EXPECT_EQ(Grouped(c.x, 2, fs), text);
        EXPECT_EQ(Exponent(c.x, 3, fs), text);
        EXPECT_EQ(Pattern(c.x, 9, true, fs), text);
        EXPECT_EQ(Pattern(c.x, 9, false, fs), text);
        EXPECT_EQ(ExponentPattern(c.x, 9, fs), text);
    }
}

TEST_P(DecimalFormatIn, ReadsNumbersInEitherNotation) {
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"0", 0},
        {"2.5", 2.5},
        {"-1234.5678", -1234.5678},
        {"+7", 7},
        {".5", 0.5},
        {"5.", 5},
        {"1E3", 1000},
        {"1e3", 1000},
        {"1.5E-7", 1.5e-7},
        {"-1.5E+20", -1.5e20},
        {"1.23456789E10", 12345678900.0},
        {"0.1000000000000000055511151231257827", 0.1},
        {"123456789012345678901234567890", 1.2345678901234568e29},
        {"1.7976931348623157E308", DBL_MAX},
        {"4.9406564584124654E-324", 5e-324},
        {"1E-400", 0}, // too small for a double: zero
        {"0.000000000000000000000000000000000000000000000000001E-300", 0},
    };
    for (const auto& c : cases) {
        double value = -99;
        ASSERT_TRUE(Read(L(c.text), value, fs)) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

TEST_P(DecimalFormatIn, RefusesWhatIsNoNumber) {
    const char* const texts[] = {
        "",
        " ",
        "-",
        "+",
        ".",
        "E5",
        "1E",
        "1E+",
        "1.2.3",
        "1,5",
        "1,234.5",
        " 1",
        "1 ",
        "1.5x",
        "0x10",
        "INF",
        "NAN",
        "--1",
        "1E1.5",
        "1.5E-7E3",
        "1E400",
        "-1E400",
        "1E99999999999999999999",
    };
    for (const char* text : texts) {
        double value = 42;
        EXPECT_FALSE(Read(L(text), value, fs)) << text;
        EXPECT_EQ(value, 42) << text;
    }
    double value = 42;
    EXPECT_FALSE(Read(QString::fromUtf16(u"\uFF11"), value, fs)); // a full-width digit
}

TEST_P(DecimalFormatIn, WhatIsWrittenReadsBack) {
    const double values[] = {0.1,     1.0 / 3, M_PI,   -2.5e-310,  1e23,
                             DBL_MAX, DBL_MIN, 5e-324, 123456.789, -9e15};
    for (double x : values) {
        double back = 0;
        // 17 significant digits tell every double apart
        ASSERT_TRUE(Read(General(x, 17, 0, fs), back, fs)) << Show(x);
        EXPECT_EQ(back, x) << Show(x);
        // 15 digits keep their text, except where rounding up passes the largest double
        if (x == DBL_MAX) continue;
        ASSERT_TRUE(Read(General(x, 15, 0, fs), back, fs)) << Show(x);
        EXPECT_EQ(General(back, 15, 0, fs), General(x, 15, 0, fs)) << Show(x);
    }
    double back = 0;
    EXPECT_FALSE(Read(General(DBL_MAX, 15, 0, fs), back, fs));
}

TEST_P(DecimalFormatIn, ReadsExactDecimalDigits) {
    TDecimal d;
    ASSERT_TRUE(ReadDecimal(L("-001234.567800E-3"), d, fs));
    EXPECT_TRUE(d.Negative);
    EXPECT_EQ(d.Exponent, 1);
    ASSERT_EQ(d.Count, 8);
    EXPECT_EQ(General(d, 18, 0, fs), L("-1.2345678"));

    ASSERT_TRUE(ReadDecimal(L("-0.000"), d, fs));
    EXPECT_TRUE(d.IsZero());
    EXPECT_FALSE(d.Negative);

    // 18 significant digits at most; zeros around them do not count
    EXPECT_TRUE(ReadDecimal(L("0.000123456789012345678000"), d, fs));
    EXPECT_FALSE(ReadDecimal(L("1234567890123456789"), d, fs));
    EXPECT_FALSE(ReadDecimal(L("1,5"), d, fs));
}

TEST(DecimalFormat, UserSettingsAreReadOnce) {
    const TFormatSettings& user = TFormatSettings::User();
    EXPECT_EQ(&user, &TFormatSettings::User());
    EXPECT_NE(user.DecimalSeparator, user.GroupSeparator);
    EXPECT_FALSE(user.DecimalSeparator.isDigit());
}
