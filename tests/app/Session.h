#pragma once

#include "Calculator.h"

#include <QString>
#include <string>

// A fresh calculator with the defaults of `korvex --eval` and no settings file,
// driven the way a user drives the window.
class Session {
public:
    Session() { c.StartWithDefaults(); }

    // Types a whole line and presses Enter, as korvex --eval enters its lines.
    Session& enter(const QString& line) {
        c.EnterLine(line);
        return *this;
    }
    // Presses Enter on whatever the line holds.
    Session& press() {
        c.CalcExpression(true);
        return *this;
    }
    // Types characters one by one, as keys.
    Session& type(const QString& text) {
        c.TypeText(text);
        return *this;
    }

    QString shown() { return c.ResultText(); }
    QString input() const { return c.InputLine().Text; }

    TCalculator c;
};

inline std::string str(const QString& s) {
    return s.toStdString();
}
