#include "CalcResultViewer.h"

#include <benchmark/benchmark.h>
#include <cmath>

namespace {

// Results as a session produces them: integers, fractions, large and small magnitudes.
const double kValues[] = {1234.5678, 2.0 / 3, 12345678901.0, 0.000015, -98.765, M_PI, 255, 1e-7, 42, -0.5};

void FormatIn(benchmark::State& state, TResultViewType mode, int digits, bool grouping) {
    TCalcResultViewer viewer(TFormatSettings::Plain());
    viewer.SetDigitNumber(digits);
    viewer.SetIsGroupingSeparator(grouping);
    std::size_t i = 0;
    for (auto _ : state) {
        viewer.SetViewMode(mode); // DMS of 10^10 and more switches to Normal
        viewer.SetValue(kValues[i]);
        benchmark::DoNotOptimize(viewer.FormatValue());
        i = (i + 1) % std::size(kValues);
    }
}

} // namespace

BENCHMARK_CAPTURE(FormatIn, Normal, vtNormal, -1, false);
BENCHMARK_CAPTURE(FormatIn, NormalGrouped, vtNormal, -1, true);
BENCHMARK_CAPTURE(FormatIn, Fix2, vtFix, 2, false);
BENCHMARK_CAPTURE(FormatIn, Sci3, vtSci, 3, false);
BENCHMARK_CAPTURE(FormatIn, SciMinus1, vtSci, -1, false);
BENCHMARK_CAPTURE(FormatIn, Eng, vtEng, -1, false);
BENCHMARK_CAPTURE(FormatIn, Dms, vtDms, -1, false);
BENCHMARK_CAPTURE(FormatIn, Hex, vtHex, -1, false);
BENCHMARK_CAPTURE(FormatIn, Bin, vtBin, -1, false);
