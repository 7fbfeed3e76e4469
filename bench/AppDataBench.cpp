// Reading and writing the settings file at start-up and exit: a full history of
// 1,000 entries, 20 variables and 10 recorded expressions, in a temporary
// configuration folder.
#include "AppDataFixture.h"

#include <benchmark/benchmark.h>

namespace {

void BM_Read(benchmark::State& state) {
    TempConfig cfg;
    Settings s;
    fillSample(s, 0, int(state.range(0)));
    s.write();
    state.counters["bytes"] = double(cfg.bytes().size());
    for (auto _ : state) {
        Settings t;
        t.read();
        benchmark::DoNotOptimize(t.History.size());
    }
}
BENCHMARK(BM_Read)->Arg(1000)->Unit(benchmark::kMillisecond);

// Each write replaces the file through a synced temporary file and syncs the
// folder; the file holds nothing else, so it is not read again.
void BM_Write(benchmark::State& state) {
    TempConfig cfg;
    Settings s;
    fillSample(s, 0, int(state.range(0)));
    s.write();
    for (auto _ : state)
        s.write();
}
BENCHMARK(BM_Write)->Arg(1000)->Unit(benchmark::kMillisecond);

// A damaged file: 8 MB of lines of garbage with a count far beyond them.
void BM_ReadGarbage(benchmark::State& state) {
    TempConfig cfg;
    QByteArray file =
        "[Expression]\nHistory=1\nRecordCount=2147483647\n[Variable]\nRecord=1\nCount=99999999\n";
    for (int i = 0; file.size() < (8 << 20); ++i)
        file += "x" + QByteArray::number(i % 997) + "\n";
    cfg.put(file);
    for (auto _ : state) {
        Settings t;
        t.read();
        benchmark::DoNotOptimize(t.History.size());
    }
}
BENCHMARK(BM_ReadGarbage)->Unit(benchmark::kMillisecond);

// A damaged count, RecordCount=1000000, over a megabyte of empty lines or as
// many as a file may hold; the entries present are all that is read.
void BM_ReadDamagedCount(benchmark::State& state) {
    TempConfig cfg;
    cfg.put("[Expression]\nHistory=1\nRecordCount=1000000\n" + QByteArray(state.range(0), '\n'));
    for (auto _ : state) {
        Settings t;
        t.read();
        benchmark::DoNotOptimize(t.History.size());
    }
}
BENCHMARK(BM_ReadDamagedCount)->Arg(1 << 20)->Arg((32 << 20) - 64)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
