#include "CalculatorExpression.h"
#include "EvalCheck.h"
#include "KeyText.h"
#include "VariableDictionary.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace {

// A calculator expression with Ans 5, PreAns 4, M 3, X 1.5, Y -2, GT 100,
// MCount 6, GTCount 7 and the variables A = 2.5 (number 0) and B = 10 (1).
struct Calculator {
    TVariableDictionary variables;
    TKeyList keys;
    TCalculatorExpression e;

    explicit Calculator(TAngleType Mode = atDeg) {
        variables.AddOrSetValue("A", 2.5);
        variables.AddOrSetValue("B", 10);
        e.SetVariableDictionary(&variables);
        // each value differs from the others, so none can stand in for another
        e.SetValues({.Ans = 5,
                     .PreAns = 4,
                     .VarM = 3,
                     .VarX = 1.5,
                     .VarY = -2,
                     .VarGT = 100,
                     .VarMCount = 6,
                     .VarGTCount = 7,
                     .AngleMode = Mode});
    }

    TRun run(const std::string& Text) {
        keys = Keys(Text);
        e.SetKeyList(keys);
        return Calc(e);
    }
};

TRunner Using(TAngleType Mode = atDeg) {
    return [Mode](const std::string& Text) { return Calculator(Mode).run(Text); };
}

} // namespace

TEST(CalculatorExpression, NamedValuesAndVariables) {
    ExpectValues(
        {
            {"Ans * 2", 10},
            {"Ans 2", 10},
            {"2 Ans", 10},
            {"PreAns", 4},
            {"M + X + Y", 2.5},
            {"GT / GTCount", 100.0 / 7},
            {"MCount", 6},
            {"- Ans ²", 25},
            {"var ( 0 ) * 2", 5},
            {"- var ( 0 )", -2.5},
            {"2 var ( 0 )", 5},
            {"var ( 0 ) var ( 1 )", 25},
            {"var ( 1 ) 2", 20},
            {"roundoff ( 3.14159 , - var ( 0 ) )", 3.14}, // a variable position works
            {"logxy ( 2 , var ( 1 ) )", std::log2(10.0)},
            {"( Ans ) ( M )", 15},
        },
        Using());
    ExpectErrors(
        {
            {"Ans Ans (", enSyntaxError},
        },
        Using());
}

TEST(CalculatorExpression, VariableStoreErrors) {
    // a number the store does not hold ends Calc with the store's own error
    Calculator c;
    c.keys = Keys("var ( 7 )");
    c.e.SetKeyList(c.keys);
    EXPECT_THROW(c.e.Calc(), EListError);

    // a digit text that is no integer is a conversion error, not a crash
    EXPECT_EQ(Calculator().run("var ( 1.5 )").Kind, TRun::OtherError);
    EXPECT_EQ(Calculator().run("var ( )").Kind, TRun::OtherError);
    EXPECT_EQ(Calculator().run("var").Kind, TRun::OtherError);

    // without a store a user variable is a syntax error
    TCalculatorExpression bare;
    const TKeyList keys = Keys("2 * var ( 0 )");
    bare.SetKeyList(keys);
    EXPECT_EQ(Calc(bare).Describe(), "error 1 at 2");
}

TEST(CalculatorExpression, PolarConversion) {
    struct Case {
        const char* keys;
        TAngleType mode;
        double value, x, y;
    };
    const Case cases[] = {
        {"Pol 3 , 4 )", atDeg, 5, 5, 53.130102354156},
        {"Pol 3 , 4 )", atRad, 5, 5, 0.927295218001612},
        {"Pol 3 , 4 )", atGrad, 5, 5, std::atan2(4.0, 3.0) * 200 / std::numbers::pi},
        {"Pol 0 , 0 )", atDeg, 0, 0, 0},
        {"Pol - 1 , 0 )", atDeg, 1, 1, 180},
        {"Pol 3 , 4", atDeg, 5, 5, 53.130102354156}, // the closing parenthesis may be missing
        {"2 * Pol 3 , 4 )", atDeg, 10, 5, 53.130102354156},
        {"Pol ( 1 + 2 ) , 2 ² )", atDeg, 5, 5, 53.130102354156},
        {"Rec 2 , 90 )", atDeg, 2 * std::cos(std::numbers::pi / 2), 2 * std::cos(std::numbers::pi / 2), 2},
        {"Rec 2 , 0 )", atDeg, 2, 2, 0},
        {"Rec 2 , 100 )", atGrad, 2 * std::cos(std::numbers::pi / 2), 2 * std::cos(std::numbers::pi / 2), 2},
        {"Rec 1 , π )", atRad, -1, -1, std::sin(std::numbers::pi)},
    };
    for (const Case& c : cases) {
        Calculator calc(c.mode);
        const TRun r = calc.run(c.keys);
        ASSERT_EQ(r.Kind, TRun::Success) << c.keys << ": " << r.Describe();
        EXPECT_NEAR(r.Value, c.value, 1E-12) << c.keys;
        EXPECT_NEAR(calc.e.VarX(), c.x, 1E-12) << c.keys;
        EXPECT_NEAR(calc.e.VarY(), c.y, 1E-12) << c.keys;
    }
    // Rec does not snap: cos 90° is a tiny number, not 0
    EXPECT_NE(Calculator().run("Rec 2 , 90 )").Value, 0);
    // angles are rounded to 15 decimal places in degrees and radians, not in grads
    const struct {
        const char* keys;
        TAngleType mode;
        double y;
    } rounded[] = {
        {"Pol 1 , 3 )", atDeg, 71.565051177078},
        {"Pol 3 , 4 )", atRad, 0.9272952180016121},
        {"Pol - 1 , 0 )", atDeg, 180},
        {"Pol 1 , 3 )", atGrad, std::atan2(3.0, 1.0) * 63.661977236758134305},
    };
    for (const auto& r : rounded) {
        Calculator calc(r.mode);
        calc.run(r.keys);
        EXPECT_EQ(calc.e.VarY(), r.y) << r.keys;
    }
}

TEST(CalculatorExpression, PolarConversionErrors) {
    // the conversion must end the expression, but X and Y are already set
    Calculator c;
    EXPECT_EQ(c.run("Pol 3 , 4 ) + 1").Error, enSyntaxError);
    EXPECT_EQ(c.e.VarX(), 5);
    ExpectErrors(
        {
            {"Pol 3 , 4 ) !", enSyntaxError},
            {"Pol 3 , 4 ) 2", enSyntaxError},
            {"Pol 1 / 0 , 1 )", enMathError}, // a fault in the conversion's own arguments
            {"Pol ( 1 / 0 ) , 1 )", enInfinityError},
            {"Pol 1 E 200 , 1 )", enMathError},
            {"2 Pol 3 , 4 )", enSyntaxError},
        },
        Using());
}
