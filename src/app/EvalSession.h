#pragma once

#include "TextRange.h"

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
    // After a line that failed at a place: the line and the carets under the
    // place (ExplainFailure); empty otherwise.
    QStringList Explanation() const;

private:
    TCalculator& FCalculator;
};

// The exit statuses of `korvex --eval` (and of `korvex --help`, which can only
// fail to write).
enum TEvalStatus : int {
    esValues = 0,     // every line ended with a value on display
    esMessage = 1,    // a line ended with a message or a value that cannot be shown
    esUsage = 2,      // an unknown option
    esReadError = 2,  // standard input could not be read
    esWriteError = 3, // the answers could not be written
};

// What `korvex --eval --explain` prints after the result of a line that failed
// at a place: the line as it stands in the input line, then a row of "^" under
// the place. Both begin with two spaces, which no result does. The carets stand
// under the place's characters in a terminal: a wide or full-width character
// takes two columns, a combining mark none, and a tab before the place is kept
// so that it lands on the same tab stop. Empty when Place is empty.
QStringList ExplainFailure(const QString& Line, TTextRange Place);

// The longest line of standard input, in bytes, that is entered. An expression
// that long is far past what the calculator takes, so a longer line is not kept:
// it is answered "Syntax error" and leaves the calculator as it was.
constexpr qsizetype EvalMaxLineBytes = 1024 * 1024;

// The command line: `korvex --eval [--explain] [--] [LINE ...]`; without lines,
// standard input is read to its end. With --explain a failed line with a place
// is followed by its ExplainFailure lines. Returns a TEvalStatus. After a write error nothing
// more is read; it and a read error are reported on Err.
int RunEvalCommand(const QStringList& Arguments, std::FILE* In, std::FILE* Out, std::FILE* Err);

// A standard descriptor (0, 1, 2) closed at start would be the first one the
// application object opens, and the answers would then be read from or written
// into the toolkit's own file. Each closed one is held by /dev/null opened the
// other way round, so that using it still fails with "Bad file descriptor".
// Called before the application object exists.
void HoldClosedStandardDescriptors();

// The text `korvex --help` prints.
QString UsageText();

// Prints UsageText on Out; returns esValues, or esWriteError after saying why on Err.
int PrintUsage(std::FILE* Out, std::FILE* Err);
