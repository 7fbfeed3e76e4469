#include "CalcResultViewer.h"
#include "Locales.h"

#include <cfloat>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

class ViewerIn : public testing::TestWithParam<TLocaleCase> {
protected:
    const TFormatSettings& fs = GetParam().Settings;

    QString L(const char* text) const { return Local(QString::fromUtf8(text), fs); }

    TCalcResultViewer Make(TResultViewType mode, int digits = -1, bool grouping = false) const {
        TCalcResultViewer v(fs);
        v.SetViewMode(mode);
        v.SetDigitNumber(digits);
        v.SetIsGroupingSeparator(grouping);
        return v;
    }
    // The text a fresh viewer in that mode gives for x.
    QString Text(double x, TResultViewType mode, int digits = -1, bool grouping = false) const {
        TCalcResultViewer v = Make(mode, digits, grouping);
        v.SetValue(x);
        return v.ValueText();
    }
    QString EngText(double x, int eng) const {
        TCalcResultViewer v = Make(vtEng);
        v.SetEng(eng);
        v.SetValue(x);
        return v.ValueText();
    }
};

INSTANTIATE_TEST_SUITE_P(Locales, ViewerIn, testing::ValuesIn(kLocales), LocaleName);

} // namespace

TEST_P(ViewerIn, NormalFixAndSciOfTheWorkedExamples) {
    struct Case {
        double x;
        const char *normal, *grouped, *fix2, *fix2Grouped, *sci3, *sci;
    };
    const Case cases[] = {
        {0, "0", "0", "0.00", "0.00", "0.00E+000", "0"},
        {-0.0, "0", "0", "0.00", "0.00", "0.00E+000", "0"},
        {2.5, "2.5", "2.5", "2.50", "2.50", "2.50E+000", "2.5E0"},
        {1234.5678, "1234.5678", "1,234.5678", "1234.57", "1,234.57", "1.23E+003", "1.2345678E3"},
        {-1234.5678, "-1234.5678", "-1,234.5678", "-1234.57", "-1,234.57", "-1.23E+003", "-1.2345678E3"},
        {999.9999999999, "1000", "1,000", "1000.00", "1,000.00", "1.00E+003", "1E3"},
        {12345678901, "1.23456789E10", "12,345,678,901", "12345678901.00", "12,345,678,901.00", "1.23E+010",
         "1.23456789E10"},
        {2.0 / 3, "0.666666667", "0.666666667", "0.67", "0.67", "6.67E-001", "6.666666667E-1"},
        {0.000123, "0.000123", "0.000123", "0.00", "0.00", "1.23E-004", "1.23E-4"},
        {0.000015, "1.5E-5", "0.000015", "0.00", "0.00", "1.50E-005", "1.5E-5"},
        {1.5e20, "1.5E20", "1.5E20", "1.5E20", "1.5E20", "1.50E+020", "1.5E20"},
        {9999999999.5, "1E10", "9,999,999,999.5", "9999999999.50", "9,999,999,999.50", "1.00E+010", "1E10"},
        {0.0001, "0.0001", "0.0001", "0.00", "0.00", "1.00E-004", "1E-4"},
        {0.00009, "9E-5", "0.00009", "0.00", "0.00", "9.00E-005", "9E-5"},
        {1e-7, "1E-7", "0.0000001", "0.00", "0.00", "1.00E-007", "1E-7"},
        {1e-10, "1E-10", "0", "0.00", "0.00", "1.00E-010", "1E-10"},
        {kNaN, "NAN", "NAN", "NAN", "NAN", "NAN", "NAN"},
        {-kInf, "-INF", "-INF", "-INF", "-INF", "-INF", "-INF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text(c.x, vtNormal), L(c.normal)) << Show(c.x);
        EXPECT_EQ(Text(c.x, vtNormal, -1, true), L(c.grouped)) << Show(c.x);
        EXPECT_EQ(Text(c.x, vtFix, 2), L(c.fix2)) << Show(c.x);
        EXPECT_EQ(Text(c.x, vtFix, 2, true), L(c.fix2Grouped)) << Show(c.x);
        EXPECT_EQ(Text(c.x, vtSci, 3), L(c.sci3)) << Show(c.x);
        EXPECT_EQ(Text(c.x, vtSci, 3, true), L(c.sci3)) << Show(c.x) << " grouping never applies to Sci";
        EXPECT_EQ(Text(c.x, vtSci, -1), L(c.sci)) << Show(c.x);
    }
}

TEST_P(ViewerIn, FixAndSciDigitRules) {
    struct Case {
        double x;
        TResultViewType mode;
        int digits;
        const char* text;
    };
    const Case cases[] = {
        {1234.5678, vtFix, -1, "1234.57"}, // not set: two decimals
        {0.5, vtFix, 0, "1"},
        {2.5, vtFix, 0, "3"},
        {-2.5, vtFix, 0, "-3"},
        {-0.0001, vtFix, 2, "0.00"},
        {1.5e20, vtFix, 3, "1.5E020"},
        {1.5e20, vtFix, 5, "1.5E20"},
        {2.0 / 3, vtFix, 9, "0.666666667"},
        {1234.5678, vtSci, 0, "1.2E+003"}, // fewer than 2 digits behave as 2
        {1234.5678, vtSci, 9, "1.23456780E+003"},
        {5, vtSci, -1, "5E0"},
        {0.00012, vtSci, -1, "1.2E-4"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(c.x, c.mode, c.digits), L(c.text)) << Show(c.x) << " " << c.digits;
}

TEST_P(ViewerIn, EngOfTheWorkedExamples) {
    struct Case {
        double x;
        const char *eng0, *eng3, *engMinus3;
    };
    const Case cases[] = {
        {255, "255E0", "0.255E3", "255000E-3"},
        {1234.5678, "1234.5678E0", "1.2345678E3", "1234567.8E-3"},
        {12345678901, "12.3456789E9", "0.012345679E12", "12345.6789E6"},
        {0.000015, "0.015E-3", "0.015E-3", "15E-6"},
        {1.5e20, "150E18", "0.15E21", "150000E15"},
        {12.5125, "12.5125E0", "0.0125125E3", "12512.5E-3"},
        {-1234.5678, "-1234.5678E0", "-1.2345678E3", "-1234567.8E-3"},
        {0, "0E0", "0E3", "0E-3"}, // zero is no failure
        {-0.0, "0E0", "0E3", "0E-3"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EngText(c.x, 0), L(c.eng0)) << Show(c.x);
        EXPECT_EQ(EngText(c.x, 3), L(c.eng3)) << Show(c.x);
        EXPECT_EQ(EngText(c.x, -3), L(c.engMinus3)) << Show(c.x);
    }
}

TEST_P(ViewerIn, EngShiftsTheDigitsExactly) {
    struct Case {
        double x;
        int eng;
        const char* text;
    };
    const Case cases[] = {
        // too large for fixed notation after the shift: the exponent is taken again from x's digits
        {123456789, -9, "123456789E0"},
        {123456789, -6, "123456789E0"},
        {0.000123456789, -9, "123456.789E-9"},
        {1e-300, 0, "1E-300"},
        {DBL_MAX, 0, "179.7693135E306"},
        {0.1, 0, "0.1E0"},
        {0.1, 3, "0.0001E3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EngText(c.x, c.eng), L(c.text)) << Show(c.x) << " Eng " << c.eng;

    // digits read back are not range-checked as doubles: 1.8E308 rounds past the largest double
    TCalcResultViewer v = Make(vtEng);
    v.SetSignificantDigits(2);
    v.SetValue(DBL_MAX);
    EXPECT_EQ(v.ValueText(), L("180E306"));
    EXPECT_FALSE(v.EngError());
}

TEST_P(ViewerIn, EngIgnoresGrouping) {
    for (double x : {1234.5678, 12345678901.0, 1.5e20, 0.000015}) {
        TCalcResultViewer plain = Make(vtEng), grouped = Make(vtEng, -1, true);
        plain.SetValue(x);
        grouped.SetValue(x);
        EXPECT_EQ(grouped.ValueText(), plain.ValueText()) << Show(x);
    }
}

TEST_P(ViewerIn, EngFailureKeepsThePreviousText) {
    struct Case {
        double x;
        int eng;
    };
    const Case failing[] = {
        {-1234.5678, 6},  // -0.001234568 is longer than 11 characters
        {0.0001, 6},      // no significant digit left: 0E6
        {1234.5678, -30}, // too large a mantissa even after the second try
        {kNaN, 0},
        {kInf, 0},
        {1.5e20, 2000000000}, // a shift far out of range fails instead of overflowing
    };
    for (const auto& c : failing) {
        TCalcResultViewer fresh = Make(vtEng);
        fresh.SetEng(c.eng);
        fresh.SetValue(c.x);
        EXPECT_EQ(fresh.ValueText(), QString()) << Show(c.x) << " Eng " << c.eng;
        EXPECT_TRUE(fresh.EngError()) << Show(c.x) << " Eng " << c.eng;

        TCalcResultViewer v = Make(vtEng);
        v.SetEng(c.eng);
        v.SetValue(1.5e20);
        const QString before = v.ValueText();
        v.SetValue(c.x);
        EXPECT_EQ(v.ValueText(), before) << Show(c.x) << " Eng " << c.eng;
        EXPECT_EQ(v.DigitText(), before);
        EXPECT_EQ(v.DisplayText(), before);
        EXPECT_TRUE(v.EngError());
    }
}

TEST_P(ViewerIn, OnlyANewEngShiftClearsTheEngError) {
    TCalcResultViewer v = Make(vtEng);
    v.SetEng(6);
    v.SetValue(-1234.5678);
    v.ValueText();
    ASSERT_TRUE(v.EngError());

    v.SetValue(255); // succeeds, but the flag stays
    EXPECT_EQ(v.ValueText(), L("0.000255E6"));
    EXPECT_TRUE(v.EngError());
    v.SetViewMode(vtNormal);
    EXPECT_TRUE(v.EngError());
    v.SetEng(6);
    EXPECT_FALSE(v.EngError());
}

TEST_P(ViewerIn, DegreesMinutesSeconds) {
    struct Case {
        double x;
        const char* text;
    };
    const Case cases[] = {
        {255, "255°0′0″"},
        {1234.5678, "1234°34′4.08″"},
        {0.000015, "0°0′0.05″"},
        {12.5125, "12°30′45″"},
        {-0.001, "-0°0′3.6″"},
        {0.9999999, "1°0′0″"}, // seconds reach 60 and carry into the degrees
        {59.99999999, "60°0′0″"},
        {-12.5125, "-12°30′45″"},
        {0, "0°0′0″"},
        {-0.0, "0°0′0″"},
        {-1e-7, "0°0′0″"}, // rounds to nothing: no minus sign
        {9999999999.5, "9999999999°30′0″"},
        {kNaN, "Error"},
        {kInf, "Error"},
        {-kInf, "Error"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(c.x, vtDms), L(c.text)) << Show(c.x);
}

TEST_P(ViewerIn, LargeDegreesSwitchToNormalForGood) {
    TCalcResultViewer v = Make(vtDms);
    v.SetValue(12345678901);
    EXPECT_EQ(v.ValueText(), L("1.23456789E10"));
    EXPECT_EQ(v.ViewMode(), vtNormal);
    v.SetValue(1.5e20);
    EXPECT_EQ(v.ValueText(), L("1.5E20"));
    v.SetValue(12.5125);
    EXPECT_EQ(v.ValueText(), L("12.5125"));

    // the second pass adds the percent sign as Normal does
    TCalcResultViewer percent = Make(vtDms);
    percent.SetIsPercent(true);
    percent.SetValue(1.5e18);
    EXPECT_EQ(percent.ValueText(), L("1.5E20%"));
}

TEST(Viewer, HexAndBin) {
    struct Case {
        double x;
        const char *hex, *bin;
    };
    const Case cases[] = {
        {255, "0xFF", "0b11111111"},
        {1234.5678, "0x4D3", "0b10011010011"},
        {12345678901, "0x2DFDC1C35", "0b1011011111110111000001110000110101"},
        {0.000015, "0x0", "0b0"},
        {12.5125, "0xD", "0b1101"},
        {0, "0x0", "0b0"},
        {-0.5, "0x0", "0b0"},
        {2.5, "0x2", "0b10"}, // ties to even
        {3.5, "0x4", "0b100"},
        {-2.5, "0xFFFFFFFFFFFFFFFE", "0b1111111111111111111111111111111111111111111111111111111111111110"},
        {-1, "0xFFFFFFFFFFFFFFFF", "0b1111111111111111111111111111111111111111111111111111111111111111"},
        {-9223372036854775808.0, "0x8000000000000000",
         "0b1000000000000000000000000000000000000000000000000000000000000000"},
        {9223372036854774784.0, "0x7FFFFFFFFFFFFC00",
         "0b111111111111111111111111111111111111111111111111111110000000000"},
    };
    for (const auto& c : cases) {
        TCalcResultViewer v;
        v.SetValue(c.x);
        v.SetViewMode(vtHex);
        EXPECT_EQ(v.ValueText(), QString::fromLatin1(c.hex)) << Show(c.x);
        v.SetViewMode(vtBin);
        EXPECT_EQ(v.ValueText(), QString::fromLatin1(c.bin)) << Show(c.x);
    }
}

TEST(Viewer, HexAndBinBeyondTheIntegerRangeRaise) {
    for (double x : {9223372036854775808.0, -9223372036854777856.0, 1.5e20, kNaN, kInf, -kInf}) {
        for (TResultViewType mode : {vtHex, vtBin}) {
            TCalcResultViewer v;
            v.SetValue(255);
            v.SetViewMode(mode);
            const QString before = v.ValueText();
            v.SetValue(x);
            EXPECT_THROW(v.ValueText(), EFormatError) << Show(x);
            EXPECT_EQ(v.DisplayText(), QStringLiteral("Error")) << Show(x);
            EXPECT_EQ(v.DigitText(), before);
            EXPECT_FALSE(v.IsError());
            EXPECT_EQ(std::isnan(v.Value()), std::isnan(x));
            // another mode shows the number again
            v.SetViewMode(vtNormal);
            EXPECT_NE(v.DisplayText(), QStringLiteral("Error"));
        }
    }
}

TEST_P(ViewerIn, DirectedRounding) {
    struct Case {
        double x;
        TResultViewType mode;
        int digits;
        TRoundSelector round;
        const char* text;
    };
    const Case cases[] = {
        {-1.25, vtFix, 1, rsCut, "-1.3"},
        {-1.25, vtFix, 1, rsUp, "-1.2"},
        {-1.25, vtFix, 1, rs54, "-1.3"},
        {1.25, vtFix, 1, rsCut, "1.2"},
        {1.25, vtFix, 1, rsUp, "1.3"},
        {2.0 / 3, vtFix, 2, rsCut, "0.66"},
        {2.0 / 3, vtFix, 2, rsUp, "0.67"},
        // decimals the value already has are kept, though their binary neighbours lie across the line
        {0.29, vtFix, 2, rsCut, "0.29"},
        {1.1, vtFix, 1, rsUp, "1.1"},
        {1.15, vtFix, 2, rsCut, "1.15"},
        {-0.3, vtFix, 0, rsUp, "0"},
        {-0.3, vtFix, 0, rsCut, "-1"},
        {1e-20, vtFix, 2, rsUp, "0.01"},
        {1234.5678, vtFix, -1, rsCut, "1230.00"}, // a negative count rounds to tens
        {1234.5678, vtFix, -1, rsUp, "1240.00"},
        {1234567.891, vtFix, 2, rsCut, "1234567.89"},
        {0.0012345, vtSci, 3, rsUp, "2.00E-003"},
        {0.0012345, vtSci, 3, rsCut, "1.00E-003"},
        {9.2e16, vtFix, 2, rsCut, "92000000000000000.00"}, // 9.2E18 still fits in 64 bits,
    };
    for (const auto& c : cases) {
        TCalcResultViewer v = Make(c.mode, c.digits);
        v.SetRoundSelector(c.round);
        v.SetValue(c.x);
        EXPECT_EQ(v.ValueText(), L(c.text)) << Show(c.x) << " " << c.digits << " rs" << int(c.round);
        EXPECT_EQ(v.Value(), c.x);
    }

    TCalcResultViewer grouped = Make(vtFix, 2, true);
    grouped.SetRoundSelector(rsCut);
    grouped.SetValue(1234567.891);
    EXPECT_EQ(grouped.ValueText(), L("1,234,567.89"));
}

TEST(Viewer, OverflowingDirectedRoundingRaises) {
    struct Case {
        double x;
        TResultViewType mode;
        int digits;
        TRoundSelector round;
    };
    const Case cases[] = {
        {1e17, vtFix, 2, rsCut}, // 10^19 is past 2^63
        {-1e17, vtSci, 2, rsUp},       {9.3e16, vtFix, 2, rsUp},     {kNaN, vtFix, 2, rsCut},
        {kInf, vtSci, 3, rsUp},        {DBL_MAX, vtFix, -308, rsUp}, // 2E308 is no double
        {5, vtFix, 2000000000, rsCut},
    };
    for (const auto& c : cases) {
        TCalcResultViewer v;
        v.SetViewMode(c.mode);
        v.SetDigitNumber(c.digits);
        v.SetRoundSelector(c.round);
        v.SetValue(c.x);
        EXPECT_THROW(v.ValueText(), EFormatError) << Show(c.x);
        EXPECT_EQ(v.DisplayText(), QStringLiteral("Error")) << Show(c.x);
        v.SetRoundSelector(rs54);
        EXPECT_NE(v.DisplayText(), QStringLiteral("Error")) << Show(c.x);
    }
}

TEST_P(ViewerIn, PercentScalesOnlyTheText) {
    struct Case {
        TResultViewType mode;
        int digits;
        const char* text;
    };
    const Case cases[] = {
        {vtNormal, -1, "12.5%"}, {vtFix, 2, "12.50%"},  {vtSci, 3, "1.25E+001%"},
        {vtSci, -1, "1.25E1%"},  {vtEng, -1, "12.5E0"}, {vtDms, -1, "12°30′0″"},
        {vtHex, -1, "0xC"},      {vtBin, -1, "0b1100"}, {vtNotView, -1, ""},
    };
    for (const auto& c : cases) {
        TCalcResultViewer v = Make(c.mode, c.digits);
        v.SetIsPercent(true);
        v.SetValue(0.125);
        EXPECT_EQ(v.ValueText(), L(c.text)) << int(c.mode);
        EXPECT_EQ(v.ValueText(), L(c.text)) << int(c.mode);
        EXPECT_EQ(v.Value(), 0.125);
    }
    TCalcResultViewer grouped = Make(vtNormal, -1, true);
    grouped.SetIsPercent(true);
    grouped.SetValue(12.345);
    EXPECT_EQ(grouped.ValueText(), L("1,234.5%"));
}

TEST_P(ViewerIn, SignificantDigits) {
    TCalcResultViewer v(fs);
    v.SetSignificantDigits(4);
    v.SetValue(1234.5678);
    EXPECT_EQ(v.ValueText(), L("1235"));
    v.SetIsGroupingSeparator(true);
    EXPECT_EQ(v.ValueText(), L("1,234.568"));
    v.SetViewMode(vtSci);
    EXPECT_EQ(v.ValueText(), L("1.235E3"));
    v.SetViewMode(vtEng);
    v.SetEng(3);
    EXPECT_EQ(v.ValueText(), L("1.235E3"));
    v.SetViewMode(vtDms);
    v.SetValue(12345.5);
    EXPECT_EQ(v.ValueText(), L("12,345.5")); // four digits cannot hold the degrees
    EXPECT_EQ(v.ViewMode(), vtNormal);
}

TEST(Viewer, StartsShowingZeroInNormalMode) {
    TCalcResultViewer v;
    EXPECT_EQ(v.ViewMode(), vtNormal);
    EXPECT_EQ(v.DigitNumber(), -1);
    EXPECT_EQ(v.SignificantDigits(), 10);
    EXPECT_EQ(v.RoundSelector(), rs54);
    EXPECT_EQ(v.Eng(), 0);
    EXPECT_EQ(v.FontSize(), 18.0f);
    EXPECT_EQ(v.FontStyle(), TFontStyles(fsBold));
    EXPECT_FALSE(v.IsError());
    EXPECT_FALSE(v.IsText());
    EXPECT_FALSE(v.IsGroupingSeparator());
    EXPECT_FALSE(v.IsPercent());
    EXPECT_FALSE(v.EngError());
    EXPECT_TRUE(v.DigitText().isEmpty());
    EXPECT_EQ(v.DisplayText(), QStringLiteral("0"));
    EXPECT_EQ(v.DigitText(), QStringLiteral("0"));
}

TEST(Viewer, StateTransitions) {
    TCalcResultViewer v(TFormatSettings::Plain());
    v.Error(QStringLiteral("Syntax error"));
    EXPECT_TRUE(v.IsError());
    EXPECT_EQ(v.DisplayText(), QStringLiteral("Syntax error"));
    v.SetViewMode(vtFix); // a setting does not leave the error state
    EXPECT_EQ(v.DisplayText(), QStringLiteral("Syntax error"));
    EXPECT_EQ(v.ValueText(), QStringLiteral("0.00")); // the value is still there to copy
    EXPECT_EQ(v.ErrorMessage(), QStringLiteral("Syntax error"));

    v.SetValue(5);
    EXPECT_FALSE(v.IsError());
    EXPECT_EQ(v.DisplayText(), QStringLiteral("5.00"));

    v.SetText(QString());
    EXPECT_TRUE(v.IsText());
    EXPECT_EQ(v.DisplayText(), QString()); // an empty text shows nothing
    EXPECT_EQ(v.ValueText(), QStringLiteral("5.00"));

    v.SetText(QStringLiteral("a=5"));
    v.Error(QStringLiteral("Domain error"));
    EXPECT_TRUE(v.IsError());
    EXPECT_FALSE(v.IsText());
    EXPECT_EQ(v.DisplayText(), QStringLiteral("Domain error"));
    EXPECT_EQ(v.Text(), QStringLiteral("a=5"));

    v.SetText(QStringLiteral("b"));
    EXPECT_FALSE(v.IsError());
    EXPECT_EQ(v.DisplayText(), QStringLiteral("b"));

    v.SetValue(7);
    EXPECT_FALSE(v.IsText());
    v.SetViewMode(vtNotView);
    EXPECT_EQ(v.DisplayText(), QString());
    EXPECT_EQ(v.DigitText(), QString());
}

TEST(Viewer, ReadingTheValueTextHasFormattingSideEffects) {
    TCalcResultViewer v(TFormatSettings::Plain());
    v.SetValue(12345678901);
    v.SetViewMode(vtDms);
    v.Error(QStringLiteral("Error"));
    // the copy command formats while a message is shown; the DMS fallback happens all the same
    EXPECT_EQ(v.ValueText(), QStringLiteral("1.23456789E10"));
    EXPECT_EQ(v.ViewMode(), vtNormal);
    EXPECT_EQ(v.DigitText(), QStringLiteral("1.23456789E10"));
    EXPECT_EQ(v.DisplayText(), QStringLiteral("Error"));
}
