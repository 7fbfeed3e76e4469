#include "EvalCheck.h"
#include "KeyText.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using std::numbers::pi;

TEST(Expression, PrecedenceAndAssociativity) {
    ExpectValues(
        {
            {"1 + 2 * 3", 7},
            {"2 - 3 - 4", -5},
            {"8 / 4 / 2", 1},
            {"6 / 2 * 3", 9},
            {"2 ^ 3 ^ 2", 64}, // powers associate to the left
            {"6 / 2 π", 0.954929658551372},
            {"2 ( 3 )", 6},
            {"( 2 ) ( 3 )", 6},
            {"( 2 ) 3 sin 30", 3},
            {"2 * - 3", -6},
            {"2 ^ - 1", 0.5},
            {"2 ^ - π", std::pow(2, -pi)},
            {"3 ! ²", 36}, // postfix operators apply left to right
            {"- 2 ²", 4},  // the minus is read into the number
            {"- π ²", pi * pi},
            {"- ( 2 + 3 ) ²", 25}, // a unary minus binds tighter than every operator
            {"2 * - - 3", 6},
            {"( 2 + 3", 5}, // a parenthesis open at the end needs no closing key
        },
        In(atDeg));
}

TEST(Expression, NumberTexts) {
    ExpectValues(
        {
            {"E3", 1000},
            {"- E3", -1000},
            {"1 E + 5", 100000},
            {"2.5 E - 3", 0.0025},
            {".5", 0.5},
            {"5.", 5},
            {"1.7976931348623157 E 308", 1.7976931348623157E308},
            {"1 E - 400", 0}, // too small for a double: zero, not an error
            {"0 0 0 7", 7},
        },
        In(atDeg));
    ExpectErrors(
        {
            {"1 E 400", enSyntaxError},
            {"- 1 E 400", enSyntaxError},
            {"1.2.3", enSyntaxError},
            {"1 E - 5.5", enSyntaxError}, // an exponent takes no decimal point
            {"1 E", enSyntaxError},
            {"1 xA", enSyntaxError},
            {".", enSyntaxError},
        },
        In(atDeg));
}

TEST(Expression, DegreesMinutesSeconds) {
    ExpectValues(
        {
            {"12 ° 30 °", 12.5},
            {"12 ° 30", 12.5},
            {"12 ° ° 36", 12.01},
            {"- 12 ° 30 °", -11.5}, // the sign belongs to the degrees alone
            {"1 ° 2 ° 3 ° 4", 1 + 2.0 / 60 + 3.0 / 3600},
            {"° 30", 0.5},
            {"1.5 ° 30 ° 36", 2.01},
            {"12 ° 30 * 2", 25},
        },
        In(atDeg));
    ExpectErrors({{"12 ° 3.0.0", enSyntaxError}, {"12 ° 30 ° E", enSyntaxError}}, In(atDeg));
}

TEST(Expression, SyntaxErrorsAndTheirPositions) {
    // positions are in the normalised list
    ExpectErrors(
        {
            {"", enSyntaxError, 1},
            {"2 * )", enSyntaxError, 2},
            {"1 + ( 2 ) )", enSyntaxError, 5},
            {"( 2 , 3 )", enSyntaxError, 3},
            {"2 , 3", enSyntaxError, 1},
            {"2 *", enSyntaxError, 1},
            {"2 * -", enSyntaxError},
            {"( 2 * 3 ?", enSyntaxError},
            {"logn ( 2 ? 8", enSyntaxError}, // a parenthesis closed by neither ) nor ,
            {"? 2", enSyntaxError, 1},
            {"->A", enSyntaxError},
            {"2 MP3 3", enSyntaxError},
            {"= 2", enSyntaxError},
            {"END 2", enSyntaxError},
            // the calculator's named values and conversions are unknown here
            {"Ans", enSyntaxError, 1},
            {"2 M", enSyntaxError},
            {"var ( 0 )", enSyntaxError, 1},
            {"Pol 3 , 4 )", enSyntaxError},
        },
        In(atDeg));
}

TEST(Expression, FaultsOutsideEveryPrimaryReachTheCaller) {
    ExpectFaults(
        {
            {"1 / 0", mfZeroDivide},
            {"- 1 / 0", mfZeroDivide},
            {"0 / 0", mfInvalidOp},
            {"1 E 308 * 10", mfOverflow},
            {"1 E 308 + 1 E 308", mfOverflow},
            {"- 1 E 308 - 1 E 308", mfOverflow},
            {"0 ^ - 1", mfZeroDivide},
            {"2 ^ 1024", mfOverflow},
            {"1 E 200 ²", mfOverflow},
            {"( - 8 ) ^ ( 1 / 3 )", mfInvalidOp},
            {"0 ⁻¹", mfZeroDivide},
        },
        In(atDeg));
}

TEST(Expression, FaultsInsideAPrimaryBecomeErrors) {
    ExpectErrors(
        {
            {"( 1 / 0 )", enInfinityError},
            {"2 * ( 1 / 0 )", enInfinityError},
            {"( 0 / 0 )", enMathError},
            {"( 1 E 308 * 10 )", enNanError},
            {"( 1 E 308 + 1 E 308 )", enNanError},
            {"( 0 ^ - 1 )", enInfinityError},
            {"( ( - 8 ) ^ ( 1 / 3 ) )", enMathError},
            {"sin ( 1 / 0 )", enInfinityError},
            {"- ( 1 / 0 )", enInfinityError},
            // rejected before any power is taken
            {"0 ^ 0", enNanError},
            {".0000000000001 ^ 0", enNanError},
        },
        In(atDeg));
}

TEST(Expression, CalcProtocol) {
    TExpression fresh;
    EXPECT_EQ(fresh.Calc(), 0); // no key list was ever assigned

    const TKeyList bad = Keys("1 + ( 2 ) )");
    TExpression e;
    e.SetKeyList(bad);
    EXPECT_THROW(e.Calc(), EExpressionError);
    EXPECT_EQ(e.ErrorNumber(), enSyntaxError);
    EXPECT_EQ(e.ErrorIndex(), 5);
    EXPECT_THROW(e.Calc(), EExpressionError); // the same list, read again from its start

    const TKeyList good = Keys("2 ^ 3");
    e.SetKeyList(good);
    EXPECT_EQ(e.Calc(), 8);
    EXPECT_EQ(e.Calc(), 8);
    EXPECT_EQ(e.ErrorNumber(), enNotError);

    const EExpressionError error(enNanError, 4);
    EXPECT_STREQ(error.what(), "Error");
    EXPECT_EQ(error.ErrorIndex(), 4);
}
