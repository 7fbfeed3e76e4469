#pragma once

#include "Expression.h"

class TVariableDictionary;

// The calculator's values an evaluation reads: Ans, PreAns, memory, X, Y, the
// grand total, the counts and the angle unit.
struct TCalcValues {
    double Ans = 0;
    double PreAns = 0;
    double VarM = 0;
    double VarX = 0;
    double VarY = 0;
    double VarGT = 0;
    int VarMCount = 0;
    int VarGTCount = 0;
    TAngleType AngleMode = atDeg;
};

// The evaluator the calculator uses: the expression language plus Ans, PreAns,
// the memory, the grand total and their counts, the registers X and Y, the
// user variables and the coordinate conversions Pol and Rec.
//
// The values are a snapshot the caller fills in before Calc; the evaluator
// writes only X and Y (through Pol and Rec), and the caller reads them back
// after a successful Calc. The variable store is lent and only read.
class TCalculatorExpression : public TExpression {
public:
    double LastValue() const { return FLastValue; }
    void SetLastValue(double Value) { FLastValue = Value; }
    double VarM() const { return FVarM; }
    void SetVarM(double Value) { FVarM = Value; }
    double VarGT() const { return FVarGT; }
    void SetVarGT(double Value) { FVarGT = Value; }
    double PreLastValue() const { return FPreLastValue; }
    void SetPreLastValue(double Value) { FPreLastValue = Value; }
    int VarMCount() const { return FVarMCount; }
    void SetVarMCount(int Value) { FVarMCount = Value; }
    int VarGTCount() const { return FVarGTCount; }
    void SetVarGTCount(int Value) { FVarGTCount = Value; }
    double VarX() const { return FVarX; }
    void SetVarX(double Value) { FVarX = Value; }
    double VarY() const { return FVarY; }
    void SetVarY(double Value) { FVarY = Value; }
    void SetVariableDictionary(const TVariableDictionary* Value) { FVariableDictionary = Value; }
    // All the values and the angle unit at once.
    void SetValues(const TCalcValues& Values);

protected:
    void NextToken() override;
    double EvalPrimary() override;

private:
    double ReadVariable();
    double EvalCoordinates(TExpressionKey Key);
    double CalcPol(double X, double Y);
    double CalcRec(double R, double A);

    double FLastValue = 0;
    double FVarM = 0;
    double FVarGT = 0;
    double FPreLastValue = 0;
    int FVarMCount = 0;
    int FVarGTCount = 0;
    double FVarX = 0;
    double FVarY = 0;
    const TVariableDictionary* FVariableDictionary = nullptr;
};
