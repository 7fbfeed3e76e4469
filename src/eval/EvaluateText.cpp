#include "EvaluateText.h"

#include "CalculatorExpression.h"
#include "ExpressionTextConvert.h"
#include "VariableDictionary.h"

#include <exception>

TTextEvaluator::TTextEvaluator() {
    FConvert.SetKeyList(&FKeys);
}

TEvalOutcome TTextEvaluator::Evaluate(const QString& Text, const TVariableDictionary& Variables,
                                      const TCalcValues& Values) {
    TEvalOutcome outcome;
    TExpressionTextConvert& convert = FConvert;
    convert.SetVariableDictionary(&Variables);
    if (!convert.Convert(Text)) {
        outcome.Kind = eoConvertFailed;
        outcome.ErrorIndex = convert.ErrorIndex();
        return outcome;
    }
    TCalculatorExpression& expression = FExpression;
    expression.SetKeyList(FKeys);
    expression.SetVariableDictionary(&Variables);
    expression.SetVarM(Values.VarM);
    expression.SetVarX(Values.VarX);
    expression.SetVarY(Values.VarY);
    expression.SetVarGT(Values.VarGT);
    expression.SetVarMCount(Values.VarMCount);
    expression.SetVarGTCount(Values.VarGTCount);
    expression.SetLastValue(Values.Ans);
    expression.SetPreLastValue(Values.PreAns);
    expression.SetAngleMode(Values.AngleMode);
    try {
        outcome.Value = expression.Calc();
        outcome.VarX = expression.VarX();
        outcome.VarY = expression.VarY();
    } catch (const EExpressionError& error) {
        outcome.Kind = eoExpressionError;
        outcome.ErrorNumber = error.ErrorNumber();
        outcome.ErrorIndex = error.ErrorIndex();
    } catch (const EMathFault& fault) {
        outcome.Kind = eoMathFault;
        outcome.FaultKind = fault.Kind();
    } catch (const std::exception&) {
        // the store's lookup error, a variable number that does not convert
        outcome.Kind = eoOtherError;
    }
    return outcome;
}

TEvalOutcome EvaluateText(const QString& Text, const TVariableDictionary& Variables,
                          const TCalcValues& Values) {
    TTextEvaluator evaluator;
    return evaluator.Evaluate(Text, Variables, Values);
}

QString OutcomeMessage(const TEvalOutcome& Outcome) {
    switch (Outcome.Kind) {
    case eoValue:
        return {};
    case eoConvertFailed:
        return QStringLiteral("Syntax error");
    case eoExpressionError:
        switch (Outcome.ErrorNumber) {
        case enSyntaxError:
            return QStringLiteral("Syntax error");
        case enInfinityError:
            return QStringLiteral("Infinity error");
        case enNanError:
            return QStringLiteral("Domain error");
        default:
            break;
        }
        break;
    case eoMathFault:
    case eoOtherError:
        break;
    }
    return QStringLiteral("Error");
}
