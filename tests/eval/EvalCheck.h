#pragma once

#include "Expression.h"

#include <functional>
#include <initializer_list>
#include <string>

// What one Calc gave: a value, an expression error, a math fault or another
// exception.
struct TRun {
    enum TKind { Success, ExpressionError, MathFault, OtherError } Kind = Success;
    double Value = 0;
    TExpressionErrorNumber Error = enNotError;
    int Index = 0;
    TMathFaultKind Fault = mfInvalidOp;

    std::string Describe() const;
};

TRun Calc(TExpression& Expression);
// Evaluates a key list (written as KeyText.h describes) with a plain TExpression.
TRun RunKeys(const std::string& Keys, TAngleType Mode = atDeg);

struct ValueCase {
    const char* keys;
    double value; // compared to 15 significant digits; 0 must be exactly 0
};

struct ErrorCase {
    const char* keys;
    TExpressionErrorNumber error;
    int index = -1; // -1: any position
};

struct FaultCase {
    const char* keys;
    TMathFaultKind fault;
};

using TRunner = std::function<TRun(const std::string&)>;

void ExpectValues(std::initializer_list<ValueCase> Cases, const TRunner& Runner);
void ExpectErrors(std::initializer_list<ErrorCase> Cases, const TRunner& Runner);
void ExpectFaults(std::initializer_list<FaultCase> Cases, const TRunner& Runner);

inline TRunner In(TAngleType Mode) {
    return [Mode](const std::string& Keys) { return RunKeys(Keys, Mode); };
}
