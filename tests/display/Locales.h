#pragma once

#include <cstdio>
#include <limits>
#include <string>

#include "DecimalFormat.h"
#include "QtPrinters.h"

#include <QString>
#include <gtest/gtest.h>
#include <ostream>
#include <string>

// The separator sets every table runs under: the tables are written with "." and ","
// and translated into the set at hand.
inline const double kNaN = std::numeric_limits<double>::quiet_NaN();
inline const double kInf = std::numeric_limits<double>::infinity();

// A double with every digit it has, for failure messages.
inline std::string Show(double x) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", x);
    return buffer;
}

struct TLocaleCase {
    const char* Name;
    TFormatSettings Settings;
};

inline const TLocaleCase kLocales[] = {
    {"PointComma", {u'.', u','}},
    {"CommaPoint", {u',', u'.'}},
    {"CommaSpace", {u',', u' '}},
};

inline std::string LocaleName(const testing::TestParamInfo<TLocaleCase>& info) {
    return info.param.Name;
}

// A text written with "." as decimal and "," as group separator, in fs's separators.
inline QString Local(const QString& text, const TFormatSettings& fs) {
    QString out = text;
    for (QChar& c : out) {
        if (c == u'.')
            c = fs.DecimalSeparator;
        else if (c == u',')
            c = fs.GroupSeparator;
    }
    return out;
}
