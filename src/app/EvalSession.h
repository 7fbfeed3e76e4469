#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

class TCalculator;

// `korvex --eval`: the calculator without a window. Each line is entered and
// confirmed with Enter as in the window, and what the result area then shows is
// printed, one line per line.
class TEvalSession {
public:
    explicit TEvalSession(TCalculator& Calculator) : FCalculator(Calculator) {}

    // Enters one line; returns what the result area shows. Ok is false when it
    // shows a message or a value that cannot be formatted.
    QString Enter(const QString& Line, bool* Ok = nullptr);

private:
    TCalculator& FCalculator;
};

// The command line: `korvex --eval [--] [LINE ...]`; without lines, standard
// input is read to its end. Returns the exit status: 0 when every line ended
// with a value on display, 1 when any did not, 2 for bad usage.
int RunEvalCommand(const QStringList& Arguments, std::FILE* In, std::FILE* Out, std::FILE* Err);

// The text `korvex --help` prints.
QString UsageText();
