#include "EvalCheck.h"

#include "KeyText.h"

#include <cmath>
#include <gtest/gtest.h>
#include <sstream>

std::string TRun::Describe() const {
    std::ostringstream s;
    s.precision(17);
    switch (Kind) {
    case Success:
        s << "value " << Value;
        break;
    case ExpressionError:
        s << "error " << int(Error) << " at " << Index;
        break;
    case MathFault:
        s << "math fault " << int(Fault);
        break;
    case OtherError:
        s << "other error";
        break;
    }
    return s.str();
}

TRun Calc(TExpression& Expression) {
    TRun r;
    try {
        r.Value = Expression.Calc();
    } catch (const EExpressionError& e) {
        r.Kind = TRun::ExpressionError;
        r.Error = e.ErrorNumber();
        r.Index = e.ErrorIndex();
    } catch (const EMathFault& e) {
        r.Kind = TRun::MathFault;
        r.Fault = e.Kind();
    } catch (const std::exception&) {
        r.Kind = TRun::OtherError;
    }
    return r;
}

TRun RunKeys(const std::string& Keys, TAngleType Mode) {
    const TKeyList keys = ::Keys(Keys);
    TExpression e;
    e.SetKeyList(keys);
    e.SetAngleMode(Mode);
    return Calc(e);
}

void ExpectValues(std::initializer_list<ValueCase> Cases, const TRunner& Runner) {
    for (const ValueCase& c : Cases) {
        const TRun r = Runner(c.keys);
        if (r.Kind != TRun::Success) {
            ADD_FAILURE() << c.keys << ": " << r.Describe() << ", expected " << c.value;
            continue;
        }
        if (c.value == 0)
            EXPECT_EQ(r.Value, 0) << c.keys;
        else
            EXPECT_NEAR(r.Value, c.value, std::fabs(c.value) * 1E-14) << c.keys;
    }
}

void ExpectErrors(std::initializer_list<ErrorCase> Cases, const TRunner& Runner) {
    for (const ErrorCase& c : Cases) {
        const TRun r = Runner(c.keys);
        EXPECT_TRUE(r.Kind == TRun::ExpressionError && r.Error == c.error &&
                    (c.index < 0 || r.Index == c.index))
            << c.keys << ": " << r.Describe() << ", expected error " << int(c.error) << " at " << c.index;
    }
}

void ExpectFaults(std::initializer_list<FaultCase> Cases, const TRunner& Runner) {
    for (const FaultCase& c : Cases) {
        const TRun r = Runner(c.keys);
        EXPECT_TRUE(r.Kind == TRun::MathFault && r.Fault == c.fault)
            << c.keys << ": " << r.Describe() << ", expected math fault " << int(c.fault);
    }
}
