#pragma once

#include "AngleType.h"
#include "ResultViewType.h"

#include <QString>

#include <deque>
#include <memory>

// One entry of the input history: a confirmed expression with the calculator
// state that belongs to it, so that the history list can show it with its own
// display settings and the calculator can recall it. It computes nothing.
class TExpressionHistory {
public:
    double Ans() const { return FAns; }
    void SetAns(double Value) { FAns = Value; }
    TAngleType AngleMode() const { return FAngleMode; }
    void SetAngleMode(TAngleType Value) { FAngleMode = Value; }
    TResultViewType ViewMode() const { return FViewMode; }
    void SetViewMode(TResultViewType Value) { FViewMode = Value; }
    double Value() const { return FValue; }
    void SetValue(double Value) { FValue = Value; }
    double VarM() const { return FVarM; }
    void SetVarM(double Value) { FVarM = Value; }
    double VarGT() const { return FVarGT; }
    void SetVarGT(double Value) { FVarGT = Value; }
    int DigitNumber() const { return FDigitNumber; }
    void SetDigitNumber(int Value) { FDigitNumber = Value; }
    bool IsGroupingSeparator() const { return FIsGroupingSeparator; }
    void SetIsGroupingSeparator(bool Value) { FIsGroupingSeparator = Value; }
    double PreAns() const { return FPreAns; }
    void SetPreAns(double Value) { FPreAns = Value; }
    const QString& ExpressionText() const { return FExpressionText; }
    void SetExpressionText(const QString& Value) { FExpressionText = Value; }

    void Clear();

private:
    double FAns = 0;
    TAngleType FAngleMode = atDeg;
    TResultViewType FViewMode = vtNormal;
    double FValue = 0;
    double FVarM = 0;
    double FVarGT = 0;
    int FDigitNumber = 0;
    bool FIsGroupingSeparator = false;
    double FPreAns = 0;
    QString FExpressionText;
};

// The calculator's history, oldest first. Records are held by pointer so that a
// history list item can keep referring to its record while older entries are
// dropped from the front, and dropping the oldest costs the same however long
// the history is: a full history takes each new record in constant time.
class TExpressionHistoryList : public std::deque<std::unique_ptr<TExpressionHistory>> {
public:
    using std::deque<std::unique_ptr<TExpressionHistory>>::deque;
    // records are appended without moving the others: there is nothing to reserve
    void reserve(size_type) {}
};
