#include "EvaluateText.h"
#include "VariableDictionary.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <string>

using std::numbers::pi;

namespace {

// Ans 5, PreAns 4, M 3, GT 100, MCount 2, GTCount 7; variables A = 2.5, D = -2
// and RATE = 0.1.
struct Session {
    TVariableDictionary variables;
    TCalcValues values;

    explicit Session(TAngleType Mode = atDeg) {
        variables.AddOrSetValue("A", 2.5);
        variables.AddOrSetValue("D", -2);
        variables.AddOrSetValue("rate", 0.1);
        values.Ans = 5;
        values.PreAns = 4;
        values.VarM = 3;
        values.VarGT = 100;
        values.VarMCount = 2;
        values.VarGTCount = 7;
        values.AngleMode = Mode;
    }

    TEvalOutcome eval(const char16_t* Text) const {
        return EvaluateText(QString::fromUtf16(Text), variables, values);
    }
};

struct ValueRow {
    const char16_t* text;
    double value;
};

struct MessageRow {
    const char16_t* text;
    const char* message;
};

std::string Show(const char16_t* Text) {
    return QString::fromUtf16(Text).toStdString();
}

void ExpectValues(std::initializer_list<ValueRow> Rows, TAngleType Mode = atDeg) {
    const Session s(Mode);
    for (const ValueRow& row : Rows) {
        const TEvalOutcome o = s.eval(row.text);
        if (!o.Succeeded()) {
            ADD_FAILURE() << Show(row.text) << ": " << OutcomeMessage(o).toStdString();
            continue;
        }
        if (row.value == 0)
            EXPECT_EQ(o.Value, 0) << Show(row.text);
        else
            EXPECT_NEAR(o.Value, row.value, std::fabs(row.value) * 1E-14) << Show(row.text);
    }
}

void ExpectMessages(std::initializer_list<MessageRow> Rows, TAngleType Mode = atDeg) {
    const Session s(Mode);
    for (const MessageRow& row : Rows)
        EXPECT_EQ(OutcomeMessage(s.eval(row.text)).toStdString(), row.message) << Show(row.text);
}

} // namespace

TEST(EvaluateText, Arithmetic) {
    ExpectValues({
        {u"1+2*3", 7},
        {u"6÷2×3", 9},
        {u"\uFF11\uFF0B\uFF12", 3}, // full-width 1+2
        {u"2^3^2", 64},
        {u"6/2π", 0.954929658551372},
        {u"6/2pi", 0.954929658551372},
        {u"2(3)", 6},
        {u"(2)(3)", 6},
        {u"-2²", 4},
        {u"-π²", pi * pi},
        {u"3!²", 36},
        {u"2³", 8},
        {u"1e-5", 1E-5},
        {u"1E+5", 1E5},
        {u"E3", 1000},
        {u".5+5.", 5.5},
        {u"(2+3", 5},
        {u"√16+√(9)", 7},
        {u"  2 * ( 3 - 1 )  ", 4},
    });
}

TEST(EvaluateText, FunctionsInEachAngleUnit) {
    ExpectValues(
        {
            {u"sin30", 0.5},
            {u"cos(60)", 0.5},
            {u"sin 180", 0},
            {u"tan45", 1},
            {u"arcsin 1", 90},
            {u"arctan(1)", 45},
            {u"2sin30cos60", 2 * std::sin(15 * pi / 180)}, // 2 sin(30 cos 60)
        },
        atDeg);
    ExpectValues(
        {
            {u"sin(π/2)", 1},
            {u"cos π", -1},
            {u"arccos(-1)", pi},
            {u"arctan 1", pi / 4},
            {u"2sin30cos60", 2 * std::sin(30 * std::cos(60.0))},
        },
        atRad);
    ExpectValues(
        {
            {u"sin 100", 1},
            {u"cos 200", -1},
            {u"arctan 1", 50},
            {u"arcsin(1)", 100},
        },
        atGrad);
    for (TAngleType mode : {atDeg, atRad, atGrad})
        ExpectValues(
            {
                {u"sinh 0+cosh 0", 1},
                {u"tanh(1)", std::tanh(1.0)},
                {u"arcsinh 1", std::asinh(1.0)},
                {u"arccosh(2)", std::acosh(2.0)},
                {u"arctanh 0.5", std::atanh(0.5)},
                {u"sqrt 16", 4},
                {u"ln(exp(2))", 2},
                {u"log 1000", 3},
                {u"exp(1)", std::numbers::e},
                {u"loge(exp(2))", 2},
                {u"LOG2(8)", std::log10(16.0)}, // no binary logarithm is typed: log(2(8))
                {u"logxy(2,8)", 3},
                {u"logxy(2,(8))", 3},
                {u"logxy(2,π)", std::log2(pi)},
                {u"abs(-3)+int(2.7)+frac(0.25)", 5.25},
                {u"ceil(2.1)+floor(-2.1)", 0},
                {u"floor(1E10)", 1E10},
                {u"roundoff(3.14159,-2)", 3.14},
                {u"roundoff(3.14159,D)", 3.14},
                {u"hex(FF)", 255},
                {u"HEX FF", 255},
                {u"hex(FFFFFFFF)", -1},
                {u"bin(101)", 5},
                {u"5!", 120},
                {u"2^1000", 1.0715086071862673E301},
            },
            mode);
}

TEST(EvaluateText, CalculatorValuesAndVariables) {
    ExpectValues({
        {u"Ans*2", 10},
        {u"ans2", 10},
        {u"2Ans", 10},
        {u"PreAns+M", 7},
        {u"GT/GTCOUNT", 100.0 / 7},
        {u"MCOUNT", 2},
        {u"A*2", 5},
        {u"2A", 5},
        {u"-A", -2.5},
        {u"A²", 6.25},
        {u"RATE*100", 10},
        {u"\uFF32\uFF21\uFF34\uFF25*100", 10},
    });
}

TEST(EvaluateText, FailuresAndTheirMessages) {
    ExpectMessages({
        {u"", "Syntax error"},
        {u"1+", "Syntax error"},
        {u"(2+3))", "Syntax error"},
        {u"2,3", "Syntax error"},
        {u"1E400", "Syntax error"},
        {u"1.2.3", "Syntax error"},
        {u"1+XYZ", "Syntax error"},
        {u"logxy 2,8", "Syntax error"},
        {u"ln(e)", "Syntax error"}, // e is the exponent mark, not a constant
        {u"hex(123456789)", "Syntax error"},
        {u"bin(102)", "Syntax error"},
        {u"(1/0)", "Infinity error"},
        {u"ln 0", "Infinity error"},
        {u"tan 90", "Infinity error"},
        {u"0^0", "Domain error"},
        {u"70!", "Domain error"},
        {u"(1E308*10)", "Domain error"},
        {u"exp(710)", "Domain error"},
        {u"(0/0)", "Error"},
        {u"ln(-1)", "Error"},
        {u"arcsin 2", "Error"},
        {u"1/0", "Error"}, // a fault of the outermost expression
        {u"1E308*10", "Error"},
        {u"5", ""},
    });
}

TEST(EvaluateText, OutcomeCarriesPositionsKindsAndRegisters) {
    const Session s;
    TEvalOutcome o = s.eval(u"1+XYZ*2");
    EXPECT_EQ(o.Kind, eoConvertFailed);
    EXPECT_EQ(o.ErrorIndex, 2);

    o = s.eval(u"2*)");
    EXPECT_EQ(o.Kind, eoExpressionError);
    EXPECT_EQ(o.ErrorNumber, enSyntaxError);
    EXPECT_EQ(o.ErrorIndex, 2);

    o = s.eval(u"1/0");
    EXPECT_EQ(o.Kind, eoMathFault);
    EXPECT_EQ(o.FaultKind, mfZeroDivide);
    EXPECT_EQ(s.eval(u"0/0").FaultKind, mfInvalidOp);
    EXPECT_EQ(s.eval(u"1E308*10").FaultKind, mfOverflow);

    // X and Y come back as the evaluator left them
    TCalcValues values;
    values.VarX = 7;
    values.VarY = 8;
    o = EvaluateText("1", s.variables, values);
    EXPECT_EQ(o.VarX, 7);
    EXPECT_EQ(o.VarY, 8);

    // the message for each error number
    for (auto [number, message] : {std::pair{enNotError, "Error"},
                                   {enSyntaxError, "Syntax error"},
                                   {enPowerError, "Error"},
                                   {enInfinityError, "Infinity error"},
                                   {enNanError, "Domain error"},
                                   {enMathError, "Error"}}) {
        TEvalOutcome failed;
        failed.Kind = eoExpressionError;
        failed.ErrorNumber = number;
        EXPECT_EQ(OutcomeMessage(failed).toStdString(), message);
    }
    TEvalOutcome other;
    other.Kind = eoOtherError;
    EXPECT_EQ(OutcomeMessage(other), "Error");
}

// A number is read as the C library reads its text, to the last bit: the short
// decimals that skip the full conversion and the long ones that take it.
TEST(EvaluateText, NumbersReadAsTheLibraryReadsTheirText) {
    const Session s;
    const auto expectRead = [&s](const std::string& text) {
        const TEvalOutcome o = EvaluateText(QString::fromStdString(text), s.variables, s.values);
        ASSERT_TRUE(o.Succeeded()) << text;
        const double expected = std::strtod(text.c_str(), nullptr);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(o.Value), std::bit_cast<std::uint64_t>(expected)) << text;
    };
    for (const char* text :
         {"0", "-0", "007", ".5", "5.", "-.5", "0.1", "0.30000000000000004", "123456789012345",
          "1234567890123456", "999999999999999.9", "9007199254740993", "0.000000000000001",
          "4.9406564584124654E-324", "2.5E-3", "1E+5", "1E-400", "-1.7976931348623157E308"})
        expectRead(text);

    std::mt19937_64 random(17);
    for (int i = 0; i < 20000; ++i) {
        std::string text = i % 3 == 0 ? "-" : "";
        const int digits = 1 + int(random() % 18);
        const int point = int(random() % (digits + 2)) - 1; // -1: no point
        for (int d = 0; d < digits; ++d) {
            if (d == point) text += '.';
            text += char('0' + random() % 10);
        }
        expectRead(text);
    }
}

// One evaluator used line after line gives each line the outcome a fresh one
// gives it: nothing of an earlier, longer or failed line is left behind.
TEST(EvaluateText, AnEvaluatorKeptForTheNextLineAnswersLikeAFreshOne) {
    Session s;
    TTextEvaluator kept;
    const char16_t* lines[] = {
        u"1+2+3+4+5+6+7+8+9+10",
        u"7",
        u"2(3",
        u"(2+3",
        u"1/0",
        u"4",
        u"A*2",
        u"1+",
        u"2.5",
        u"-A",
        u"12°30",
        u"E3",
        u"sin",
        u"pol(3,4)",
        u"X",
        u"HEX(1F)",
        u"bin 101",
        u"5!",
        u"2E-3",
        u"1.2.3",
        u"ZZ",
        u"3",
        u"1E400",
        u"-(2)",
        u"2^3^2",
        u"(1)(2)(3)",
    };
    for (int round = 0; round < 2; ++round) {
        for (const char16_t* line : lines) {
            const TEvalOutcome fresh = s.eval(line);
            const TEvalOutcome reused = kept.Evaluate(QString::fromUtf16(line), s.variables, s.values);
            EXPECT_EQ(reused.Kind, fresh.Kind) << Show(line);
            EXPECT_EQ(std::bit_cast<std::uint64_t>(reused.Value), std::bit_cast<std::uint64_t>(fresh.Value))
                << Show(line);
            EXPECT_EQ(reused.ErrorIndex, fresh.ErrorIndex) << Show(line);
            EXPECT_EQ(reused.ErrorNumber, fresh.ErrorNumber) << Show(line);
            EXPECT_EQ(reused.VarX, fresh.VarX) << Show(line);
            EXPECT_EQ(reused.VarY, fresh.VarY) << Show(line);
        }
        s.variables.AddOrSetValue("ZZ", 9); // a name that failed now converts
    }
}
