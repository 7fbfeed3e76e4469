#include "EvalCheck.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <string>

using std::numbers::pi;

TEST(Functions, CircularInDegrees) {
    ExpectValues(
        {
            {"sin 180", 0}, // whole multiples of π are exactly 0
            {"cos 90", 0},
            {"cos 270", 0},
            {"sin 360000000", 0},
            {"sin 30", 0.5},
            {"cos 60", 0.5},
            {"sin 270", -1},
            {"sin - 30", -0.5},
            {"tan 45", 1},
            {"tan - 45", -1},
            {"asin 1", 90},
            {"acos 0", 90},
            {"acos - 1", 180},
            {"atan 1", 45},
            // the argument runs over implied products and powers, up to × ÷ + −
            {"sin 30 * 2", 1},
            {"sin 30 ²", 0},
            {"sin 30 cos 60", std::sin(15 * pi / 180)},
            {"sin ( 30 ) 2", std::sin(pi / 3)},
            {"sin 15 + 15", std::sin(pi / 12) + 15},
        },
        In(atDeg));
    ExpectErrors(
        {
            {"tan 90", enInfinityError},
            {"tan 270", enInfinityError},
            {"asin 2", enMathError},
            {"acos - 1.5", enMathError},
            {"sin 2 E 10", enNanError}, // beyond 2E8 radians
            {"sin", enSyntaxError},
        },
        In(atDeg));
}

TEST(Functions, CircularInRadians) {
    ExpectValues(
        {
            {"sin π", 0},
            {"cos ( π / 2 )", 0},
            {"sin 1", std::sin(1.0)},
            {"cos 1", std::cos(1.0)},
            {"tan ( π / 4 )", 1},
            {"asin 1", pi / 2},
            {"atan 1", pi / 4},
            {"sin 2 E 8", std::sin(2E8)},
            {"sin 1 E - 20", 1E-20}, // only a sine below 1E-99 snaps to 0
            {"cos ( π / 2 + 1 E - 15 )", 0},
            {"tan 1 E - 15", 0},
        },
        In(atRad));
    ExpectErrors({{"sin 3 E 8", enNanError}, {"tan ( π / 2 )", enInfinityError}}, In(atRad));
}

TEST(Functions, CircularInGrads) {
    ExpectValues(
        {
            {"sin 200", 0},
            {"sin 100", 1},
            {"cos 100", 0},
            {"tan 50", 1},
            {"asin 1", 100},
            {"acos 0", 100},
            {"atan 1", 50},
        },
        In(atGrad));
    ExpectErrors({{"tan 100", enInfinityError}, {"asin 1.5", enMathError}}, In(atGrad));
}

TEST(Functions, HyperbolicIgnoreTheAngleUnit) {
    for (TAngleType mode : {atDeg, atRad, atGrad}) {
        ExpectValues(
            {
                {"sinh 0", 0},
                {"cosh 0", 1},
                {"tanh 1 E - 15", 0}, // snapped
                {"sinh 1", std::sinh(1.0)},
                {"tanh 1", std::tanh(1.0)},
                {"asinh 1", std::asinh(1.0)},
                {"acosh 1", 0},
                {"acosh 2", std::acosh(2.0)},
                {"atanh .5", std::atanh(0.5)},
            },
            In(mode));
        ExpectErrors(
            {
                {"atanh 1", enInfinityError},
                {"atanh - 1", enInfinityError},
                {"atanh 2", enMathError},
                {"acosh .5", enMathError},
                {"sinh 1000", enNanError},
                {"cosh - 1000", enNanError},
            },
            In(mode));
    }
}

TEST(Functions, RootsLogarithmsAndExponentials) {
    ExpectValues(
        {
            {"√ 16", 4},
            {"√ √ 16", 2},
            {"√ 2 ( 8 )", 4},
            {"log 1000", 3},
            {"ln 1", 0},
            {"loge ( exp 2 )", 2},
            {"log2 8", 3},
            {"logxy ( 2 , 8 )", 3},
            {"logxy ( 2 , ( 8 ) )", 3}, // nothing of the second argument joins the first
            {"logxy ( 2 , π )", std::log2(pi)},
            {"logxy ( 2 * 5 , 10 * 10 )", 2},
            {"logxy ( 2 , 8 ) 3", 9},
            {"logxy ( 2 , 8", 3},
            {"logn 2 , 8", 3},
            {"exp 1", std::numbers::e},
            {"exp - 1000", 0}, // underflow is silent
            {"exp10 2", 100},
            {"exp10 - 2", 0.01},
        },
        In(atDeg));
    ExpectErrors(
        {
            {"√ - 4", enMathError},
            {"ln 0", enInfinityError},
            {"log 0", enInfinityError},
            {"ln - 1", enMathError},
            {"log2 - 8", enMathError},
            {"logxy ( 1 , 8 )", enInfinityError},
            {"logxy ( 2 , 0 )", enInfinityError},
            {"logxy ( 1 , 1 )", enMathError},
            {"logxy ( 2 , - 8 )", enMathError},
            {"logxy 2 , 8", enSyntaxError},
            {"logxy ( 2 )", enSyntaxError},
            {"logxy ( 2 8 )", enSyntaxError},
            {"exp 710", enNanError},
            {"exp10 400", enNanError},
        },
        In(atDeg));
}

TEST(Functions, WholeAndFractionalParts) {
    ExpectValues(
        {
            {"abs - 3", 3},
            {"int - 2.7", -2},
            {"frac - 2.75", -0.75},
            {"ceil 2.1", 3},
            {"ceil - 2.1", -2},
            {"floor - 2.1", -3},
            {"floor 2.9", 2},
            {"ceil 5", 5},
            // exact beyond the 32-bit range
            {"floor 1 E 10", 1E10},
            {"ceil 4294967296.5", 4294967297},
            {"floor - 3000000000.5", -3000000001},
            {"ceil 1 E 300", 1E300},
            {"roundoff ( 1250 , 2 )", 1300}, // halves go away from zero
            {"roundoff ( - 1250 , 2 )", -1300},
            {"roundoff ( 3.14159 , - 2 )", 3.14},
            {"roundoff ( 2.5 , 0 )", 3},
            {"roundoff ( - 2.5 , 0 )", -3},
            {"roundoff ( 1234 , 2 )", 1200},
            {"roundoff ( 1234 , 2.9 )", 1200}, // the position is truncated
            {"roundoff ( 1.5 , - 37 )", 1.5},
            {"roundoff ( 2 , π )", 0},
        },
        In(atDeg));
    EXPECT_FALSE(std::signbit(RunKeys("ceil - .5").Value));
    EXPECT_FALSE(std::signbit(RunKeys("floor .5").Value));
    // a position whose power of ten leaves the double range is a domain error
    ExpectErrors(
        {
            {"roundoff ( 1 , 400 )", enNanError},
            {"roundoff ( 1 , - 400 )", enNanError},
            {"roundoff ( 1 E 300 , - 10 )", enNanError},
            {"roundoff 3.14 , 1", enSyntaxError},
        },
        In(atDeg));
}

TEST(Functions, PowersRootsAndFactorials) {
    ExpectValues(
        {
            {"2 ^ 10", 1024},
            {"2 ^ - 1", 0.5},
            {"0 ^ 2", 0},
            {"0 ^ .5", 0},
            {"4 ^ .5", 2},
            {"( - 2 ) ^ 3", -8},
            {"2 ^ .5", std::sqrt(2.0)},
            {"2 ^ 1000", 1.0715086071862673E301}, // no overflow on the way
            {".5 ^ 2000", 0},
            {"1 ^ 1 E 10", 1},
            {"3 ²", 9},
            {"2 ³", 8},
            {"4 ⁻¹", 0.25},
            {"3 root 8", 2},
            {"2 root 9 + 1", 4},
            {"0 !", 1},
            {"5 !", 120},
            {"3 ! !", 720},
            {"69 !", 1.7112245242814131E98},
        },
        In(atDeg));
    ExpectErrors(
        {
            {"( 2 ^ 1024 )", enNanError},
            {"( 10 ^ - 400 )", enNanError},
            {"( ( - 8 ) ^ ( 1 / 3 ) )", enMathError},
            {"( ( - 2 ) ^ 1 E 10 )", enMathError},
            {"( 0 ⁻¹ )", enInfinityError},
            {"( 0 root 8 )", enInfinityError},
            {"70 !", enNanError},
            {"( - 1 ) !", enNanError},
            {"2.5 !", enNanError},
        },
        In(atDeg));
}

TEST(Functions, HexAndBinLiterals) {
    ExpectValues(
        {
            {"hex ( xF xF )", 255},
            {"hex xF xF", 255},
            {"hex ( xF xF xF xF xF xF xF xF )", -1},
            {"hex ( 7 xF xF xF xF xF xF xF )", 2147483647},
            {"hex ( 8 0 0 0 0 0 0 0 )", -2147483648.0},
            {"hex ( 0 0 0 1 2 3 4 5 6 7 8 )", 0x12345678}, // leading zeros do not count
            {"hex ( 1 E )", 30},
            {"hex ( )", 0},
            {"hex", 0},
            {"hex ( xF xF ) + 1", 256},
            {"2 hex xF", 30},
            {"bin ( 1 0 1 )", 5},
            {"bin 101", 5},
            {"bin ( 11111111111111111111111111111111 )", -1},
            {"bin ( 111111111111111111111111111111111 )", -1},
            {"bin ( 000000000000000000000000000000000000000000000000000000000000000000001 )", 1},
            {"bin ( )", 0},
        },
        In(atDeg));
    ExpectErrors(
        {
            {"hex ( 1 2 3 4 5 6 7 8 9 )", enSyntaxError},
            {"hex ( 1.5 )", enSyntaxError},
            {"bin ( 1 0 2 )", enSyntaxError},
            {"bin ( 1.1 )", enSyntaxError},
            // a one at bit 63 does not fit the 64-bit sum
            {"bin ( 1000000000000000000000000000000000000000000000000000000000000000 )", enMathError},
        },
        In(atDeg));
}
