#pragma once

#include "AngleType.h"
#include "ExpressionKey.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

// What went wrong in an evaluation; stored by ordinal.
enum TExpressionErrorNumber : std::uint8_t {
    enNotError,
    enSyntaxError,
    enPowerError, // never raised by the evaluator
    enInfinityError,
    enNanError,
    enMathError,
};

// An evaluation error with its kind and the position, in the normalised key
// list, of the key that began the offending token (at least 1).
class EExpressionError : public std::runtime_error {
public:
    EExpressionError(TExpressionErrorNumber AErrorNumber, int AErrorIndex);

    TExpressionErrorNumber ErrorNumber() const { return FErrorNumber; }
    int ErrorIndex() const { return FErrorIndex; }

private:
    TExpressionErrorNumber FErrorNumber;
    int FErrorIndex;
};

enum TMathFaultKind : std::uint8_t {
    mfZeroDivide,
    mfOverflow,
    mfInvalidOp,
};

// A floating-point fault, classified from the operands and the result of the
// operation that caused it. Inside a primary it becomes an EExpressionError; a
// fault of the outermost expression reaches the caller as it is.
class EMathFault : public std::runtime_error {
public:
    explicit EMathFault(TMathFaultKind AKind);

    TMathFaultKind Kind() const { return FKind; }

private:
    TMathFaultKind FKind;
};

// Evaluates a list of expression keys to a double by recursive descent,
// computing while it parses. Assigning a key list copies and normalises it;
// Calc can then be called any number of times. One object serves one thread.
class TExpression {
public:
    // Deepest nesting of parentheses and function arguments that Calc takes;
    // deeper raises enSyntaxError. The longest text the converter accepts nests
    // 1,024 deep; the limit keeps a hand-made key list from exhausting the stack.
    static constexpr int MaxNestingDepth = 4096;

    // Stack a thread needs to evaluate an expression nested MaxNestingDepth
    // deep, with room to spare. A level takes 250 to 370 bytes in an optimised
    // build and up to 850 with AddressSanitizer, so the limit needs at most
    // 3.5 MiB. A worker pool that evaluates gives its threads this much.
    static constexpr std::size_t ThreadStackSize = 8 * 1024 * 1024;

    TExpression() = default;
    virtual ~TExpression() = default;
    TExpression(const TExpression&) = delete;
    TExpression& operator=(const TExpression&) = delete;

    // Keeps a pointer to the caller's list, which must outlive this object, and
    // works on a normalised copy of it.
    void SetKeyList(const TKeyList& List);
    void SetKeyList(TKeyList&&) = delete; // a temporary list would not outlive the pointer
    const TKeyList* KeyList() const { return FKeyList; }
    // The working copy: the keys after normalisation, ending in ekEnd.
    const TKeyList& NormalizedKeys() const { return FormulaKeys; }
    // For each key of the working copy made from Keys, ekEnd included, the
    // position in Keys of the key it stands for: a key that normalisation
    // inserts counts as the key it follows, ekEnd as Keys.size(). An error's
    // position is found this way among the caller's keys.
    static QList<int> KeyOrigins(const TKeyList& Keys);

    TAngleType AngleMode() const { return FAngleMode; }
    void SetAngleMode(TAngleType Value) { FAngleMode = Value; }
    bool IsHyp() const { return FIsHyp; }
    void SetIsHyp(bool Value) { FIsHyp = Value; }

    // The last error raised (enNotError and 0 once Calc has started afresh).
    TExpressionErrorNumber ErrorNumber() const { return FErrorNumber; }
    int ErrorIndex() const { return FErrorIndex; }

    // The value of the key list; 0 when no key list was ever assigned. Raises
    // EExpressionError, or EMathFault for a fault of the outermost expression.
    double Calc();

protected:
    virtual void NextToken();
    virtual double EvalPrimary();

    // C := the next key; passes the end of the list by no key.
    void Advance() {
        if (FormulaIndex >= FormulaKeys.size()) return;
        C = FormulaKeys.at(FormulaIndex);
        ++FormulaIndex;
    }
    [[noreturn]] void RaiseError(TExpressionErrorNumber AErrorNumber);
    double EvalSum();
    // NaN raises enNanError, an infinite value enInfinityError.
    void CheckValue(double X) {
        if (!std::isfinite(X)) [[unlikely]]
            RaiseNotFinite(X);
    }
    double Power(double Base, double Exponent);

    static constexpr double DegToRad = 0.017453292519943295769;
    static constexpr double GradToRad = 0.015707963267948966192;
    static constexpr double RadToDeg = 57.295779513082320877;
    static constexpr double RadToGrad = 63.661977236758134305;

    // Arithmetic that raises EMathFault where IEEE 754 signals a fault.
    static double Add(double A, double B);
    static double Subtract(double A, double B);
    static double Multiply(double A, double B);
    static double Divide(double A, double B);

    TExpressionKey C = ekExressionKeyStart;
    TExpressionKey Token = ekExressionKeyStart;
    int FormulaIndex = 0;
    TKeyList FormulaKeys;

private:
    [[noreturn]] void RaiseNotFinite(double X);
    void NormalizeKeyList();
    // Count copies of Key at Index, standing for the key before them.
    void InsertKeys(int Index, TExpressionKey Key, int Count = 1);
    bool IsInExponent(int Limit) const;
    void InsertImpliedMulAfter(TExpressionKey Key, int Index);
    void InsertImpliedMulBeforeNumber(TExpressionKey Key, int Index);
    void MarkUnarySign(int Index, TExpressionKey Binary, TExpressionKey Unary);
    void DropUnaryPlus(int Index);
    void ExpandUnaryMinus(int Index);
    void RestoreExponentPlus();

    void ReadNumber();
    void ReadDms(const QString& DegreesText);
    double ConvertNumber(const QString& Text);
    double ConvertNumber(const std::string& Text);

    double EvalProduct();
    double EvalImpliedProduct();
    double EvalPower();
    double EvalPostfix();
    double EvalSignedProduct();
    double EvalFunction(TExpressionKey Key);
    double EvalFirstArgument();
    double ApplyFunction(TExpressionKey Key, double X, double Y);
    double EvalLiteral(TExpressionKey Key);

    double Factorial(double X);
    double CalcTrigFunction(TExpressionKey Key, double X);
    bool ReadLiteralText(QString& Text);
    double ReadHexValue();
    double ReadBinValue();

    TExpressionKey Oprt = ekExressionKeyStart;
    double Value = 0;
    TExpressionErrorNumber FErrorNumber = enNotError;
    int FErrorIndex = 0;
    const TKeyList* FKeyList = nullptr;
    TAngleType FAngleMode = atDeg;
    bool FIsHyp = false;
    int Depth = 0;           // levels of nesting being evaluated
    std::string FNumberText; // the number being read, kept for the next one
    // filled by KeyOrigins alongside the working copy; absent in an evaluation
    QList<int>* FOrigins = nullptr;
};
