#include "CalculatorExpression.h"
#include "EvalCheck.h"
#include "EvaluateText.h"
#include "KeyText.h"
#include "VariableDictionary.h"

#include <QThreadPool>
#include <functional>
#include <gtest/gtest.h>

namespace {

TKeyList Repeated(std::initializer_list<TExpressionKey> Unit, int Count,
                  std::initializer_list<TExpressionKey> Tail) {
    TKeyList keys;
    for (int i = 0; i < Count; ++i)
        keys.append(Unit);
    keys.append(Tail);
    return keys;
}

TRun Evaluate(const TKeyList& Keys) {
    TCalculatorExpression e;
    e.SetKeyList(Keys);
    return Calc(e);
}

// Runs Work on a pool thread with the stack the evaluator asks for, as the live
// preview does.
void OnWorkerThread(const std::function<void()>& Work) {
    QThreadPool pool;
    pool.setStackSize(uint(TExpression::ThreadStackSize));
    pool.start(Work);
    pool.waitForDone();
}

const int Limit = TExpression::MaxNestingDepth;

} // namespace

TEST(Nesting, TheDeepestTypedTextsEvaluate) {
    // 1,023 opening parentheses or roots before a 1: the longest text that converts
    const TVariableDictionary variables;
    struct Row {
        QString text;
        double value;
    };
    const Row rows[] = {
        {QString(1023, u'(') + u'1', 1},
        {QString(1023, QChar(0x221A)) + u'1', 1},
        {QStringLiteral("-(").repeated(511) + u'1', -1},
        {QStringLiteral("abs(").repeated(255) + QStringLiteral("-2"), 2},
    };
    for (const Row& row : rows) {
        const TEvalOutcome here = EvaluateText(row.text, variables, {});
        TEvalOutcome worker;
        OnWorkerThread([&] { worker = EvaluateText(row.text, variables, {}); });
        for (const TEvalOutcome& o : {here, worker}) {
            EXPECT_EQ(o.Kind, eoValue)
                << row.text.left(8).toStdString() << ": " << OutcomeMessage(o).toStdString();
            EXPECT_NEAR(o.Value, row.value, 1E-15) << row.text.left(8).toStdString();
        }
    }
}

TEST(Nesting, DepthLimitStopsHostileKeyLists) {
    // just inside the limit on both kinds of thread, every kind of nesting
    const TKeyList deepest[] = {
        Repeated({ekLParen}, Limit - 1, {ek1}),
        Repeated({ekSqrt}, Limit - 1, {ek1}),
        Repeated({ekRoundOff, ekLParen, ek2, ekComma}, Limit - 1, {ek1}),
        Repeated({ek2, ekPowerRoot}, Limit - 1, {ek1}),
    };
    for (const TKeyList& keys : deepest) {
        TRun worker;
        OnWorkerThread([&] { worker = Evaluate(keys); });
        for (const TRun& r : {Evaluate(keys), worker})
            EXPECT_EQ(r.Kind, TRun::Success) << KeysText(keys.first(4)) << ": " << r.Describe();
    }
    // beyond it a syntax error, not a crash
    const TKeyList tooDeep[] = {
        Repeated({ekLParen}, Limit, {ek1}),
        Repeated({ekSqrt}, Limit, {ek1}),
        Repeated({ekMinus, ekLParen}, 4 * Limit, {ek1}),
        Repeated({ekLParen}, 50 * Limit, {}),
    };
    for (const TKeyList& keys : tooDeep) {
        TRun worker;
        OnWorkerThread([&] { worker = Evaluate(keys); });
        for (const TRun& r : {Evaluate(keys), worker})
            EXPECT_TRUE(r.Kind == TRun::ExpressionError && r.Error == enSyntaxError)
                << KeysText(keys.first(4)) << ": " << r.Describe();
    }
}
