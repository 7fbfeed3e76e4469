#include "CalcResultViewerWidget.h"

#include "CalcResultViewer.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

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

TLaidOutResult::TLaidOutResult(const QString& Text, const QFont& Base, int Width)
    : FText(Text), FBase(Base), FWidth(Width), FFitted(FitResultText(Base, Text, Width)),
      FLayout(FFitted.Text, FFitted.Font) {
    FLayout.setCacheEnabled(true); // shaped once, drawn as often as asked
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    FLayout.setTextOption(option);
    FLayout.beginLayout();
    QTextLine line = FLayout.createLine();
    if (line.isValid()) line.setLineWidth(0x01000000); // one line, as long as the text
    FLayout.endLayout();
}

bool TLaidOutResult::IsFor(const QString& Text, const QFont& Base, int Width) const {
    return Width == FWidth && Text == FText && Base == FBase;
}

void TLaidOutResult::Draw(QPainter& Painter, const QRect& Rect, const QColor& Color) const {
    if (FLayout.lineCount() == 0) return;
    const QTextLine line = FLayout.lineAt(0);
    Painter.setPen(Color);
    // at the right edge, the line centred in height
    FLayout.draw(&Painter, QPointF(Rect.x() + Rect.width() - line.horizontalAdvance(),
                                   Rect.y() + (Rect.height() - line.height()) / 2));
}

QString DrawResultText(QPainter& Painter, const QRect& Rect, const QString& Text, const QFont& Base,
                       const QColor& Color) {
    const TLaidOutResult laidOut(Text, Base, Rect.width());
    laidOut.Draw(Painter, Rect, Color);
    return laidOut.Fitted().Text;
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
    const QFont base = ResultFont(*FViewer, font());
    // the same text again (dimmed, or uncovered) is drawn as it was shaped
    if (!FLaidOut || !FLaidOut->IsFor(text, base, r.width()))
        FLaidOut = std::make_unique<TLaidOutResult>(text, base, r.width());
    FLaidOut->Draw(p, r, color);
    FPaintedText = FLaidOut->Fitted().Text;
}
