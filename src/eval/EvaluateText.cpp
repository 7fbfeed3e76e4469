#include "EvaluateText.h"

#include "CalculatorExpression.h"
#include "ExpressionTextConvert.h"
#include "VariableDictionary.h"

#include <algorithm>
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
    expression.SetValues(Values);
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

namespace {

// A key of a number as typed: a digit, the point, the exponent mark or the sign
// right after it.
bool IsNumberPart(const TKeyList& Keys, int Index) {
    const TExpressionKey k = Keys.at(Index);
    return IsNumberKey(k) || ((k == ekAdd || k == ekSub) && Index > 0 && Keys.at(Index - 1) == ekE);
}

// The keys, First to Last, that stand for the failing key At. A number counts
// as a whole. A value error of a bracket is found on the key after the bracket
// (or on its closing parenthesis when that ends the keys): it counts as the
// whole bracket with the function word before it, unless a postfix operator
// there failed itself.
std::pair<int, int> FailingKeys(const TKeyList& Keys, const TKeySourceList& Sources, int At,
                                TExpressionErrorNumber Number) {
    const auto typedClose = [&](int i) { return Keys.at(i) == ekRParen && Sources.at(i).Length == 1; };
    if (Number != enSyntaxError) {
        const TExpressionKey k = Keys.at(At);
        const int close = typedClose(At) ? At
                          : At > 0 && typedClose(At - 1) && k != ekFactorial && k != ekSquare && k != ekCube
                              ? At - 1
                              : -1;
        // a variable's own parentheses pair up inside its keys
        for (int i = close, depth = 0; i >= 0; --i) {
            if (Keys.at(i) == ekRParen) {
                ++depth;
            } else if (Keys.at(i) == ekLParen && --depth == 0) {
                return {i > 0 && IsFunctionKey(Keys.at(i - 1)) ? i - 1 : i, close};
            }
        }
    }
    int first = At, last = At;
    if (IsNumberPart(Keys, At)) {
        while (first > 0 && IsNumberPart(Keys, first - 1))
            --first;
        while (last + 1 < Keys.size() && IsNumberPart(Keys, last + 1))
            ++last;
    }
    return {first, last};
}

} // namespace

TTextRange FindErrorPlace(const QString& Text, const TVariableDictionary& Variables,
                          const TEvalOutcome& Outcome) {
    if (Outcome.Kind != eoConvertFailed && Outcome.Kind != eoExpressionError) return {};
    // only the errors with a message of their own point at a place
    if (Outcome.Kind == eoExpressionError && Outcome.ErrorNumber != enSyntaxError &&
        Outcome.ErrorNumber != enInfinityError && Outcome.ErrorNumber != enNanError)
        return {};
    // the same text and store give the same keys again, now with their places
    TKeyList keys;
    TKeySourceList sources;
    TExpressionTextConvert convert(&keys, &Variables);
    convert.SetKeySourceList(&sources);
    const bool converted = convert.Convert(Text);
    if (Outcome.Kind == eoConvertFailed) return converted ? TTextRange{} : convert.ErrorRange();
    if (!converted || keys.isEmpty()) return {};
    const QList<int> origins = TExpression::KeyOrigins(keys);
    const int at = Outcome.ErrorIndex;
    const int key = at >= 0 && at < origins.size() ? origins.at(at) : int(keys.size());
    // running out of keys is the last key's fault
    const auto [first, last] =
        FailingKeys(keys, sources, std::min(key, int(keys.size()) - 1), Outcome.ErrorNumber);
    return {sources.at(first).Start, sources.at(last).End() - sources.at(first).Start};
}
