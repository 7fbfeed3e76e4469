// One Enter through the calculator: convert, evaluate, format, record.
#include "Calculator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void Enter(benchmark::State& state, const QString& text, int historyCount = 0) {
    TCalculator c;
    c.StartWithDefaults();
    if (historyCount > 0) {
        // a history already at its limit: every Enter records one and drops one
        c.SettingDialogAppData().HistoryCount = historyCount;
        c.ApplyHistoryCount();
        for (int i = 0; i < historyCount; ++i) {
            c.SetInputText(QString::number(i));
            c.CalcExpression(true);
        }
    }
    c.SetInputText("A=2.5");
    c.CalcExpression(true);
    for (auto _ : state) {
        c.SetInputText(text);
        benchmark::DoNotOptimize(c.CalcExpression(true));
    }
    if (c.CalcResultViewer().IsError()) state.SkipWithError("the formula failed");
}

void BM_EnterShortFormula(benchmark::State& state) {
    Enter(state, QStringLiteral("sin(30)*2+A^2"));
}
BENCHMARK(BM_EnterShortFormula);

// The same with 100,000 records kept: recording and trimming cost what they cost
// with the default ten.
void BM_EnterShortFormulaFullHistory(benchmark::State& state) {
    Enter(state, QStringLiteral("sin(30)*2+A^2"), 100000);
}
BENCHMARK(BM_EnterShortFormulaFullHistory);

// The longest line the converter takes: 1,024 characters of mixed arithmetic.
void BM_EnterLongFormula(benchmark::State& state) {
    QString text;
    const QString piece = QStringLiteral("(12.5*3-4/2)+");
    while (text.size() + piece.size() < 1022)
        text += piece;
    text += QStringLiteral("1");
    while (text.size() < 1024)
        text.prepend(u'+');
    Enter(state, text);
}
BENCHMARK(BM_EnterLongFormula);

// The calculator's start from a settings file with a damaged count,
// RecordCount=1000000 over a megabyte of empty lines, and a history limit as
// large: reading it and applying the limit.
void BM_StartDamagedCount(benchmark::State& state) {
    const QString file = TAppData::FileName();
    QDir().mkpath(QFileInfo(file).absolutePath());
    {
        QFile f(file);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write("[Expression]\nHistory=1\nCount=1000000\nRecordCount=1000000\n[Expression999999]\nExpression="
                "1+1\n" +
                QByteArray(1 << 20, '\n'));
    }
    for (auto _ : state) {
        TCalculator c;
        c.FormShow();
        benchmark::DoNotOptimize(c.GetHistoryCount());
    }
    QFile::remove(file);
}
BENCHMARK(BM_StartDamagedCount)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir config; // never touch a real settings file
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
