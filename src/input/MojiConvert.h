#pragma once

#include <QString>

// Replaces operator look-alikes (×, ÷, the minus sign and three dash-like marks)
// by ASCII operators, one code unit for one, so positions stay the same.
QString ConvertOperatorSigns(const QString& Text);

// Folds full-width forms to their narrow forms (full-width ASCII to ASCII, the
// ideographic space to a space, full-width katakana to half-width), then upper-
// cases the ASCII letters a-z and nothing else. Safe on any thread.
QString ConvertHalfWidthUpper(const QString& Text);
