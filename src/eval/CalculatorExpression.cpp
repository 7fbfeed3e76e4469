#include "CalculatorExpression.h"

#include "IntegerText.h"
#include "VariableDictionary.h"

#include <cmath>
#include <stdexcept>

namespace {

// ties go to the even neighbour
double RoundHalfEven(double X) {
    const double r = std::round(X);
    if (std::fabs(X - std::trunc(X)) != 0.5) return r;
    return 2 * std::round(X / 2);
}

} // namespace

void TCalculatorExpression::SetValues(const TCalcValues& Values) {
    FLastValue = Values.Ans;
    FPreLastValue = Values.PreAns;
    FVarM = Values.VarM;
    FVarX = Values.VarX;
    FVarY = Values.VarY;
    FVarGT = Values.VarGT;
    FVarMCount = Values.VarMCount;
    FVarGTCount = Values.VarGTCount;
    SetAngleMode(Values.AngleMode);
}

void TCalculatorExpression::NextToken() {
    // Pol( and Rec( are tokens here, while the plain evaluator rejects them
    if (FormulaIndex < FormulaKeys.size() && (C == ekPol || C == ekRec)) {
        Token = C;
        Advance();
        return;
    }
    TExpression::NextToken();
}

double TCalculatorExpression::EvalPrimary() {
    double r = 0;
    try {
        switch (Token) {
        case ekAns:
            r = FLastValue;
            break;
        case ekPreAns:
            r = FPreLastValue;
            break;
        case ekVarM:
            r = FVarM;
            break;
        case ekVarX:
            r = FVarX;
            break;
        case ekVarY:
            r = FVarY;
            break;
        case ekVarGT:
            r = FVarGT;
            break;
        case ekVarMCount:
            r = FVarMCount;
            break;
        case ekVarGTCount:
            r = FVarGTCount;
            break;
        case ekVariable:
            r = ReadVariable();
            CheckValue(r);
            return r;
        case ekPol:
        case ekRec:
            r = EvalCoordinates(Token);
            CheckValue(r);
            return r;
        default:
            return TExpression::EvalPrimary();
        }
        NextToken();
    } catch (const EMathFault&) {
        RaiseError(enMathError);
    }
    CheckValue(r);
    return r;
}

// ekVariable ( digits of the variable's number ), as the text converter writes
// a user variable
double TCalculatorExpression::ReadVariable() {
    if (!FVariableDictionary) RaiseError(enSyntaxError);
    NextToken(); // the parenthesis; C is the first digit
    // the number is read from the keys in place; only keys that are not a plain
    // number of up to 9 digits are spelled out and given to the full conversion
    const int first = FormulaIndex - 1;
    int number = 0;
    bool plain = true;
    do {
        plain = plain && IsDigitKey(C) && FormulaIndex - first <= 9;
        if (plain) number = number * 10 + (C - ek0);
        Advance();
    } while (FormulaIndex < FormulaKeys.size() && IsNumberKey(C));
    if (!plain) {
        QString text;
        for (int i = first; i < FormulaIndex - 1; ++i)
            text += KeyToText(FormulaKeys.at(i));
        if (!TextToInt(text, number))
            throw std::invalid_argument("'" + text.toStdString() + "' is not a valid integer value");
    }
    const double r = FVariableDictionary->GetValueItems(number);
    Advance(); // the closing parenthesis is no token of its own
    NextToken();
    return r;
}

// Pol(a, b and Rec(a, b; the key stands for the name with its parenthesis.
double TCalculatorExpression::EvalCoordinates(TExpressionKey Key) {
    NextToken();
    const double a = EvalSum();
    NextToken(); // whatever follows a, normally the comma
    const double b = EvalSum();
    if (Token == ekRParen) NextToken();
    const double r = Key == ekPol ? CalcPol(a, b) : CalcRec(a, b);
    // a conversion ends the expression: 2×Pol(3,4) is one, Pol(3,4)+1 is not
    if (Token != ekNewLine) RaiseError(enSyntaxError);
    return r;
}

double TCalculatorExpression::CalcPol(double X, double Y) {
    const double r = std::sqrt(Add(Power(X, 2), Power(Y, 2)));
    CheckValue(r);
    FVarX = r;
    double theta = std::atan2(Y, X);
    CheckValue(theta);
    if (AngleMode() == atDeg)
        theta = Multiply(theta, RadToDeg);
    else if (AngleMode() == atGrad)
        theta = Multiply(theta, RadToGrad);
    // to 15 decimal places, so that Pol(-1, 0) gives exactly 180
    if (AngleMode() != atGrad) theta = Multiply(RoundHalfEven(Multiply(theta, 1E15)), 1E-15);
    FVarY = theta;
    return r;
}

// Unlike sin and cos, Rec neither snaps tiny results to 0 nor tests for whole
// multiples of π.
double TCalculatorExpression::CalcRec(double R, double A) {
    if (AngleMode() == atDeg)
        A = Multiply(A, DegToRad);
    else if (AngleMode() == atGrad)
        A = Multiply(A, GradToRad);
    const double x = Multiply(std::cos(A), R);
    CheckValue(x);
    FVarX = x;
    const double y = Multiply(std::sin(A), R);
    CheckValue(y);
    FVarY = y;
    return x;
}
