// The window's response to typing, on the offscreen platform:
//   BM_KeystrokeToPreview  from a key event to the live preview's value assigned to
//                          the result viewer on the UI thread (target: < 0.1 ms)
//   BM_KeystrokeUiThread   what the key event itself costs the UI thread while the
//                          line holds a long formula, next to BM_EvaluateLongLine,
//                          what evaluating that formula costs: the key must not wait
// Each reports the median and the 95th percentile of its samples.
#include "EvaluateText.h"
#include "KorvexMainWin.h"
#include "VariableDictionary.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void Report(benchmark::State& state, std::vector<double> ms) {
    if (ms.empty()) return;
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p95_ms"] = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
}

struct Window {
    Window() {
        form.show();
        form.activateWindow();
        if (!QTest::qWaitForWindowActive(&form)) qFatal("the window did not become active");
    }
    TCalculator& calc() { return form.Calculator(); }
    // Puts Text into the line with the preview off, so that no preview of it
    // is under way when the measured key comes (waiting for the pool to finish
    // would make it start new threads, which typing never does).
    void prepare(const QString& Text) {
        calc().SetIsRealTimeCalc(false);
        calc().AllClear(); // shows 0, so the value waited for is new
        calc().SetInputText(Text);
        calc().SetIsRealTimeCalc(true);
    }
    // Waits for the preview's value; the event loop sleeps until it comes.
    void waitFor(double Value) {
        QDeadlineTimer deadline(5000);
        while (calc().CalcResultViewer().Value() != Value) {
            if (deadline.hasExpired()) qFatal("the preview's value did not come");
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        }
    }
    TCalculator calculator;
    TMainForm form{calculator};
};

double Ms(Clock::time_point From, Clock::time_point To) {
    return std::chrono::duration<double, std::milli>(To - From).count();
}

// A line as long as the converter takes, nested as deep as it goes: the
// slowest preview a user can start.
QString LongLine() {
    return QString(1000, u'(') + QStringLiteral("1+sin(30)");
}

void BM_KeystrokeToPreview(benchmark::State& state) {
    Window w;
    std::vector<double> samples;
    for (auto _ : state) {
        w.prepare(QStringLiteral("12*3+sin(30)*"));
        const auto start = Clock::now();
        QTest::keyClick(w.form.ExpressionEdit, Qt::Key_4);
        w.waitFor(38);
        const double ms = Ms(start, Clock::now());
        samples.push_back(ms);
        state.SetIterationTime(ms / 1000);
    }
    Report(state, samples);
}
BENCHMARK(BM_KeystrokeToPreview)->UseManualTime()->Iterations(500)->Unit(benchmark::kMillisecond);

void BM_KeystrokeUiThread(benchmark::State& state) {
    Window w;
    const QString line = LongLine();
    std::vector<double> samples;
    for (auto _ : state) {
        w.prepare(line);
        const auto start = Clock::now();
        QTest::keyClick(w.form.ExpressionEdit, Qt::Key_1);
        const double ms = Ms(start, Clock::now());
        samples.push_back(ms);
        state.SetIterationTime(ms / 1000);
        w.waitFor(1.5); // 1+sin(30)1 in degrees
    }
    Report(state, samples);
}
BENCHMARK(BM_KeystrokeUiThread)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);

void BM_EvaluateLongLine(benchmark::State& state) {
    const QString line = LongLine() + QStringLiteral("1");
    const TVariableDictionary variables;
    if (!EvaluateText(line, variables, TCalcValues{}).Succeeded())
        state.SkipWithError("the line does not evaluate");
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = Clock::now();
        benchmark::DoNotOptimize(EvaluateText(line, variables, TCalcValues{}));
        const double ms = Ms(start, Clock::now());
        samples.push_back(ms);
        state.SetIterationTime(ms / 1000);
    }
    Report(state, samples);
}
BENCHMARK(BM_EvaluateLongLine)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
