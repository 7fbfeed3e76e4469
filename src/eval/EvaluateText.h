#pragma once

#include "AngleType.h"
#include "CalculatorExpression.h"
#include "Expression.h"
#include "ExpressionTextConvert.h"
#include "TextRange.h"

#include <QString>
#include <cstdint>

class TVariableDictionary;

enum TEvalOutcomeKind : std::uint8_t {
    eoValue,           // Value, VarX and VarY hold the result
    eoConvertFailed,   // the text does not turn into keys; ErrorIndex is the position in the text
    eoExpressionError, // ErrorNumber, and ErrorIndex in the normalised keys
    eoMathFault,       // a fault of the outermost expression; FaultKind
    eoOtherError,      // any other error, such as a variable the store does not hold
};

struct TEvalOutcome {
    TEvalOutcomeKind Kind = eoValue;
    double Value = 0;
    // the registers as the evaluator left them; Pol and Rec write them
    double VarX = 0;
    double VarY = 0;
    int ErrorIndex = 0;
    TExpressionErrorNumber ErrorNumber = enNotError;
    TMathFaultKind FaultKind = mfInvalidOp;

    bool Succeeded() const { return Kind == eoValue; }
};

// Evaluates typed texts with a snapshot of the calculator's values, as Enter and
// the live preview do: a text is converted with the variable store and evaluated
// by a calculator expression. The key list, the converter and the expression are
// kept from one text to the next, so a calculator that evaluates line after line
// reuses their storage instead of allocating it anew. Never throws for bad
// input; the store is only read. One object serves one thread.
class TTextEvaluator {
public:
    TTextEvaluator();
    TTextEvaluator(const TTextEvaluator&) = delete;
    TTextEvaluator& operator=(const TTextEvaluator&) = delete;

    TEvalOutcome Evaluate(const QString& Text, const TVariableDictionary& Variables,
                          const TCalcValues& Values);

private:
    TKeyList FKeys;
    TExpressionTextConvert FConvert;
    TCalculatorExpression FExpression;
};

// One text evaluated by an evaluator of its own.
TEvalOutcome EvaluateText(const QString& Text, const TVariableDictionary& Variables,
                          const TCalcValues& Values);

// The message the result area shows for a failed outcome ("Syntax error",
// "Infinity error", "Domain error" or "Error"); empty for a value.
QString OutcomeMessage(const TEvalOutcome& Outcome);

// Where in Text the evaluation that gave a failed Outcome went wrong: the typed
// characters of the key the evaluator stopped at (the last key when the text
// ended too early), or of the character or name the conversion stopped at. Empty
// for a value and for a failure that has no place: a refused text, a fault of
// the whole expression, any other error. Variables must be the store the
// outcome was evaluated with.
TTextRange FindErrorPlace(const QString& Text, const TVariableDictionary& Variables,
                          const TEvalOutcome& Outcome);
