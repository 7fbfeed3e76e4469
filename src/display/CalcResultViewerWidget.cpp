#include "CalcResultViewerWidget.h"

#include "CalcResultViewer.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

TFittedText FitResultText(const QFont& Base, const QString& Text, int Width) {
    TFittedText fitted{Base, Text};
    if (Text.isEmpty() || Width <= 0) return fitted;
    if (QFontMetrics(Base).horizontalAdvance(Text) <= Width) return fitted;

    // Step down from the base size; a size given in points is converted once so
    // that every step is a whole pixel.
    int pixels = QFontInfo(Base).pixelSize();
    QFont f = Base;
    while (pixels > TCalcResultViewerWidget::MinimumPixelSize) {
        --pixels;
        f.setPixelSize(pixels);
        if (QFontMetrics(f).horizontalAdvance(Text) <= Width) {
            fitted.Font = f;
            return fitted;
        }
    }
    f.setPixelSize(std::min(pixels, TCalcResultViewerWidget::MinimumPixelSize));
    fitted.Font = f;
    fitted.Text = QFontMetrics(f).elidedText(Text, Qt::ElideMiddle, Width);
    return fitted;
}

QString DrawResultText(QPainter& Painter, const QRect& Rect, const QString& Text, const QFont& Base,
                       const QColor& Color) {
    const TFittedText fitted = FitResultText(Base, Text, Rect.width());
    Painter.setFont(fitted.Font);
    Painter.setPen(Color);
    Painter.drawText(Rect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, fitted.Text);
    return fitted.Text;
}

QFont ResultFont(const TCalcResultViewer& Viewer, const QFont& Family) {
    QFont f = Family;
    f.setPixelSize(std::max(1, int(Viewer.FontSize() + 0.5f)));
    const TFontStyles style = Viewer.FontStyle();
    f.setBold(style.testFlag(fsBold));
    f.setItalic(style.testFlag(fsItalic));
    f.setUnderline(style.testFlag(fsUnderline));
    f.setStrikeOut(style.testFlag(fsStrikeOut));
    return f;
}

TCalcResultViewerWidget::TCalcResultViewerWidget(QWidget* parent) : QWidget(parent) {
    // the viewer draws no background of its own: the panel shows through
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TCalcResultViewerWidget::SetViewer(TCalcResultViewer* Viewer) {
    FViewer = Viewer;
    update();
}

void TCalcResultViewerWidget::SetStale(bool Stale) {
    if (Stale == FStale) return;
    FStale = Stale;
    update();
}

void TCalcResultViewerWidget::paintEvent(QPaintEvent*) {
    if (!FViewer) return;
    const QString text = FViewer->DisplayText();
    const QRect r(0, VerticalInset, width(), std::max(0, height() - 2 * VerticalInset));
    QPainter p(this);
    // the panel's colours, light or dark; a stale value in the placeholder colour
    const QColor ink = palette().color(QPalette::WindowText);
    QColor color = ink;
    if (FStale) {
        color = palette().color(QPalette::PlaceholderText);
        // a palette whose placeholder is the ink itself still has to mark the value
        if (color == ink) color.setAlpha(128);
    }
    FPaintedText = DrawResultText(p, r, text, ResultFont(*FViewer, font()), color);
}
