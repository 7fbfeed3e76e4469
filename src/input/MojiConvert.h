#pragma once

#include "TextRange.h"

#include <QList>
#include <QString>

// Replaces operator look-alikes (×, ÷, the minus sign and three dash-like marks)
// by ASCII operators, one code unit for one, so positions stay the same.
QString ConvertOperatorSigns(const QString& Text);

// Folds full-width forms to their narrow forms (full-width ASCII to ASCII, the
// ideographic space to a space, full-width katakana to half-width), then upper-
// cases the ASCII letters a-z and nothing else. Safe on any thread.
QString ConvertHalfWidthUpper(const QString& Text);

// Where the code units of a folded text came from in the text it was folded
// from. Folding keeps one code unit for one except where a full-width character
// has a longer narrow form (a voiced katakana becomes two half-width units), so
// a position in the folded text is found again in the typed one through this map.
class TFoldedPositions {
public:
    // Folded is ConvertHalfWidthUpper(ConvertOperatorSigns(Text)), or either fold alone.
    TFoldedPositions(const QString& Text, const QString& Folded);

    // The typed characters a range of the folded text came from; a range that
    // ends inside a character's narrow form takes the whole character.
    TTextRange Source(TTextRange Folded) const;

private:
    QList<int> FStarts; // per folded code unit, where its typed character starts; empty when both line up
    int FTextLength;
};

// Columns a terminal gives the character: 2 for a wide or full-width one, 0 for
// a combining mark or a format character, 1 for the others.
int TerminalColumns(char32_t Character);
