// What one keystroke of the live preview and one Enter cost: converting and
// evaluating a text, typical and as long or as deep as the input line allows;
// and how much stack a level of nesting takes.
#include "CalculatorExpression.h"
#include "EvaluateText.h"
#include "VariableDictionary.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <pthread.h>
#include <sys/mman.h>

namespace {

const QString& Text(int Which) {
    static const QString texts[] = {
        QStringLiteral("1+2*3"),
        QStringLiteral("2sin30+log(1000)*3^2-roundoff(RATE*1.08,-2)"),
        QStringLiteral("1+").repeated(511) + u'1', // the longest flat text
        QString(1023, u'(') + u'1',                // the deepest text
        QStringLiteral("-(").repeated(511) + u'1', // negations, each a product
    };
    return texts[Which];
}

void BM_EvaluateText(benchmark::State& State) {
    TVariableDictionary variables;
    variables.AddOrSetValue("RATE", 0.1);
    const QString& text = Text(int(State.range(0)));
    TCalcValues values;
    for (auto _ : State)
        benchmark::DoNotOptimize(EvaluateText(text, variables, values).Value);
    State.SetLabel(text.left(24).toStdString());
}
BENCHMARK(BM_EvaluateText)->DenseRange(0, 4);

// Evaluates Keys on a thread whose stack is pre-filled with a pattern and
// returns how many bytes of it were touched.
std::size_t StackUsed(const TKeyList& Keys) {
    constexpr std::size_t size = 16 << 20;
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return 0;
    auto* bytes = static_cast<unsigned char*>(memory);
    std::memset(bytes, 0xA5, size);
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstack(&attributes, memory, size);
    pthread_t thread;
    const auto body = [](void* List) -> void* {
        TCalculatorExpression e;
        e.SetKeyList(*static_cast<const TKeyList*>(List));
        try {
            e.Calc();
        } catch (const std::exception&) {
        }
        return nullptr;
    };
    pthread_create(&thread, &attributes, body, const_cast<TKeyList*>(&Keys));
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    std::size_t untouched = 0;
    while (untouched < size && bytes[untouched] == 0xA5)
        ++untouched;
    munmap(memory, size);
    return size - untouched;
}

TKeyList Nested(std::initializer_list<TExpressionKey> Unit, int Levels) {
    TKeyList keys;
    for (int i = 0; i < Levels; ++i)
        keys.append(Unit);
    keys.append(ek1);
    return keys;
}

// Reports the stack one level of nesting takes (parentheses, a root, or a
// two-argument function) and the stack the deepest allowed expression takes.
void BM_StackPerNestingLevel(benchmark::State& State) {
    const std::initializer_list<TExpressionKey> units[] = {
        {ekLParen}, {ekSqrt}, {ekRoundOff, ekLParen, ek2, ekComma}};
    const auto unit = units[State.range(0)];
    double perLevel = 0;
    double atLimit = 0;
    for (auto _ : State) {
        const double shallow = double(StackUsed(Nested(unit, 100)));
        const double deep = double(StackUsed(Nested(unit, 1100)));
        perLevel = (deep - shallow) / 1000;
        atLimit = double(StackUsed(Nested(unit, TExpression::MaxNestingDepth - 1)));
    }
    State.counters["bytes_per_level"] = perLevel;
    State.counters["KiB_at_limit"] = atLimit / 1024;
    State.SetLabel(State.range(0) == 0 ? "(" : State.range(0) == 1 ? "sqrt" : "roundoff(2,");
}
BENCHMARK(BM_StackPerNestingLevel)->DenseRange(0, 2)->Iterations(1);

} // namespace
