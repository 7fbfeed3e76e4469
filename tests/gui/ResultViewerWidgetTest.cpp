#include "CalcResultViewer.h"
#include "CalcResultViewerWidget.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

QFont base(int pixels) {
    QFont f;
    f.setPixelSize(pixels);
    f.setBold(true);
    return f;
}

int advance(const TFittedText& t) {
    return QFontMetrics(t.Font).horizontalAdvance(t.Text);
}

// The darkest grey level the widget's text leaves on a white image.
int darkest(TCalcResultViewerWidget& w) {
    QImage image(w.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    w.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    int level = 255;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            level = std::min(level, qGray(image.pixel(x, y)));
    return level;
}

} // namespace

TEST(ResultViewerWidget, AWideTextShrinksUntilAllOfItShowsAndIsElidedOnlyAtTheSmallestSize) {
    const QString number = QStringLiteral("-1.234567890123456789E+300");
    const int full = QFontMetrics(base(18)).horizontalAdvance(number);
    const int smallest =
        QFontMetrics(base(TCalcResultViewerWidget::MinimumPixelSize)).horizontalAdvance(number);
    ASSERT_GT(full, smallest + 10);

    // wide enough: the text at the base size
    TFittedText t = FitResultText(base(18), number, full);
    EXPECT_EQ(t.Font.pixelSize(), 18);
    EXPECT_EQ(t.Text, number);

    // narrower: a smaller font with the whole text, as large as fits
    const int narrower = (full + smallest) / 2;
    t = FitResultText(base(18), number, narrower);
    EXPECT_LT(t.Font.pixelSize(), 18);
    EXPECT_GT(t.Font.pixelSize(), TCalcResultViewerWidget::MinimumPixelSize);
    EXPECT_EQ(t.Text, number);
    EXPECT_LE(advance(t), narrower);
    QFont bigger = t.Font;
    bigger.setPixelSize(t.Font.pixelSize() + 1);
    EXPECT_GT(QFontMetrics(bigger).horizontalAdvance(number), narrower);
    EXPECT_TRUE(t.Font.bold());

    // too narrow even at the smallest size: elided in the middle, sign and exponent kept
    t = FitResultText(base(18), number, smallest / 2);
    EXPECT_EQ(t.Font.pixelSize(), TCalcResultViewerWidget::MinimumPixelSize);
    EXPECT_LE(advance(t), smallest / 2);
    EXPECT_TRUE(t.Text.contains(QChar(0x2026)));
    EXPECT_TRUE(t.Text.startsWith(u'-'));
    EXPECT_TRUE(t.Text.endsWith(u'0'));
}

TEST(ResultViewerWidget, PaintsWhatTheViewerStateShows) {
    TCalcResultViewer viewer(TFormatSettings::Plain());
    TCalcResultViewerWidget w;
    w.resize(300, 35);
    w.SetViewer(&viewer);
    struct Case {
        const char* name;
        void (*set)(TCalcResultViewer&);
        const char* painted;
    };
    const Case cases[] = {
        {"a new viewer", [](TCalcResultViewer&) {}, "0"},
        {"an error", [](TCalcResultViewer& v) { v.Error(QStringLiteral("Syntax error")); }, "Syntax error"},
        {"a mode change leaves the message",
         [](TCalcResultViewer& v) {
             v.Error(QStringLiteral("Syntax error"));
             v.SetViewMode(vtFix);
         },
         "Syntax error"},
        {"a value after the message",
         [](TCalcResultViewer& v) {
             v.SetViewMode(vtNormal);
             v.SetValue(5);
         },
         "5"},
        {"an empty text", [](TCalcResultViewer& v) { v.SetText(QString()); }, ""},
        {"no display mode",
         [](TCalcResultViewer& v) {
             v.SetViewMode(vtNotView);
             v.SetValue(5);
         },
         ""},
        {"hex beyond 64 bits",
         [](TCalcResultViewer& v) {
             v.SetViewMode(vtHex);
             v.SetValue(1e30);
         },
         "Error"},
    };
    for (const Case& c : cases) {
        c.set(viewer);
        QImage image(w.size(), QImage::Format_ARGB32);
        w.render(&image);
        EXPECT_EQ(w.PaintedText(), QString::fromLatin1(c.painted)) << c.name;
    }
}

TEST(ResultViewerWidget, AStaleResultIsDrawnLighterThanACurrentOne) {
    TCalcResultViewer viewer(TFormatSettings::Plain());
    viewer.SetValue(88888);
    TCalcResultViewerWidget w;
    w.resize(300, 35);
    w.SetViewer(&viewer);
    const int current = darkest(w);
    EXPECT_LT(current, 40); // black text
    w.SetStale(true);
    const int stale = darkest(w);
    EXPECT_EQ(w.PaintedText(), "88888"); // the same text, only dimmed
    EXPECT_GT(stale, current + 40);
    EXPECT_LT(stale, 255); // but still drawn
    w.SetStale(false);
    EXPECT_EQ(darkest(w), current);
}

TEST(ResultViewerWidget, DrawsItsTextAsEveryResultViewerDoes) {
    // the widget keeps the newest text laid out and draws it again from there:
    // what it shows is still what DrawResultText draws for the history rows,
    // after every change of text, width and font
    TCalcResultViewer viewer(TFormatSettings::Plain());
    TCalcResultViewerWidget w;
    w.SetViewer(&viewer);
    const QString texts[] = {QStringLiteral("0"), QStringLiteral("-1.234567890123456789E+300"),
                             QStringLiteral("Syntax error"), QStringLiteral("12,345.6789")};
    // each step changes one thing: the text, its width or its font
    const struct {
        int width;
        bool bold;
    } steps[] = {{300, true}, {300, false}, {150, false}, {60, false}, {60, true}, {150, true}, {300, true}};
    for (const QString& text : texts)
        for (const auto [width, bold] : steps) {
            viewer.SetFontStyle(bold ? TFontStyles(fsBold) : TFontStyles());
            viewer.SetText(text);
            w.resize(width, 35);
            QImage widget(w.size(), QImage::Format_ARGB32);
            for (int twice = 0; twice < 2; ++twice) { // laid out, then from what was laid out
                widget.fill(Qt::white);
                w.render(&widget, QPoint(), QRegion(), QWidget::DrawChildren);
            }
            QImage direct(w.size(), QImage::Format_ARGB32);
            direct.fill(Qt::white);
            QPainter p(&direct);
            const int inset = TCalcResultViewerWidget::VerticalInset;
            const QString drawn =
                DrawResultText(p, QRect(0, inset, width, 35 - 2 * inset), text, ResultFont(viewer, w.font()),
                               w.palette().color(QPalette::WindowText));
            p.end();
            const std::string name =
                text.toStdString() + " at " + std::to_string(width) + (bold ? " bold" : "");
            EXPECT_EQ(w.PaintedText(), drawn) << name;
            EXPECT_EQ(widget, direct) << name;
        }
}
