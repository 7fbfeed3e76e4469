#include "KorvexMainWin.h"

#include "AboutWin.h"
#include "CalcResultViewerWidget.h"
#include "ExpressionRecordFrm.h"
#include "HistoryListFrm.h"
#include "SettingCommand.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QHash>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QScreen>
#include <QSplitter>
#include <QStyleFactory>
#include <QStyleOption>
#include <QToolButton>
#include <QTranslator>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#ifdef KORVEX_WITH_XCB
#include <QGuiApplication>
#include <qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif
#include <limits>

namespace {

// Sizes of the window, in the toolkit's units.
constexpr int kClientWidth = 374;
constexpr int kClientHeight = 382;
constexpr int kMenuPanelHeight = 20;
constexpr int kEditHeight = 30;
constexpr int kResultPanelHeight = 35;
constexpr int kButtonWidth = 45;
constexpr int kButtonHeight = 18;

// colours from the palette, so that a dark theme keeps the captions legible
const char* const kMenuButtonStyle =
    "QToolButton { border: 1px solid palette(mid); border-radius: 3px;"
    " background: palette(button); color: palette(button-text); padding: 0px; }"
    "QToolButton:hover { background: palette(midlight); }"
    "QToolButton:pressed { background: palette(mid); }";

QFont PixelFont(const QFont& Base, int Pixels) {
    QFont f = Base;
    f.setPixelSize(Pixels);
    return f;
}

QToolButton* NewMenuButton(QWidget* Parent, const char* Name, const QString& Caption,
                           int Width = kButtonWidth) {
    auto* b = new QToolButton(Parent);
    b->setObjectName(QString::fromLatin1(Name));
    b->setText(Caption);
    b->setFixedSize(Width, kButtonHeight);
    b->setFont(PixelFont(b->font(), 11));
    b->setFocusPolicy(Qt::NoFocus);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return b;
}

// A menu item or button shows "&" as a mnemonic marker unless it is doubled.
QString MenuText(QString Text) {
    return Text.replace(u'&', QStringLiteral("&&"));
}

bool IsEnter(const QKeyEvent* e) {
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

// A key that types its text: printable characters without Ctrl or Meta
// (Ctrl+Alt is AltGr on some keyboards and types too).
bool TypesText(const QKeyEvent* e) {
    const QString t = e->text();
    if (t.isEmpty()) return false;
    for (QChar c : t)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
    const Qt::KeyboardModifiers m = e->modifiers();
    if (m & Qt::MetaModifier) return false;
    if ((m & Qt::ControlModifier) && !(m & Qt::AltModifier)) return false;
    return true;
}

// room between a button's edge and its caption
constexpr int kCustomBtnPadding = 4;

// The input line repaints at every key, and with it the buttons inside it; the
// frame around the line (an antialiased rounded outline) costs more to draw than
// the text. This style draws the frame and each button once for each look they
// can have (size, state, palette, caption) and copies the picture from then on.
// Only styles whose drawing depends on nothing but the style option take it: one
// that animates would be frozen at the frame it was cached in.
class TCachedLookStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    static bool Suits(const QStyle* Style) {
        const QString name = Style->name();
        return name.compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0 ||
               name.compare(QLatin1String("windows"), Qt::CaseInsensitive) == 0;
    }

    void drawPrimitive(PrimitiveElement Element, const QStyleOption* Option, QPainter* Painter,
                       const QWidget* Widget) const override {
        const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(Option);
        if (Element != PE_PanelLineEdit || !frame || !Widget)
            return QProxyStyle::drawPrimitive(Element, Option, Painter, Widget);
        TLook look = Look(*Option, Painter);
        look.LineWidth = frame->lineWidth;
        look.Features = int(frame->features);
        DrawCached(look, *frame, Painter, Widget, [&](const QStyleOptionFrame& AtOrigin, QPainter* p) {
            QProxyStyle::drawPrimitive(Element, &AtOrigin, p, Widget);
        });
    }

    void drawComplexControl(ComplexControl Control, const QStyleOptionComplex* Option, QPainter* Painter,
                            const QWidget* Widget) const override {
        const auto* button = qstyleoption_cast<const QStyleOptionToolButton*>(Option);
        if (Control != CC_ToolButton || !button || !Widget || !button->icon.isNull())
            return QProxyStyle::drawComplexControl(Control, Option, Painter, Widget);
        TLook look = Look(*Option, Painter);
        look.Features = int(button->features);
        look.Arrow = int(button->arrowType);
        look.ButtonStyle = int(button->toolButtonStyle);
        look.SubControls = int(button->subControls);
        look.ActiveSubControls = int(button->activeSubControls);
        look.Text = button->text;
        look.Font = button->font;
        DrawCached(look, *button, Painter, Widget, [&](const QStyleOptionToolButton& AtOrigin, QPainter* p) {
            QProxyStyle::drawComplexControl(Control, &AtOrigin, p, Widget);
        });
    }

private:
    // everything a cached picture was drawn from
    struct TLook {
        QSize Size;
        qreal Ratio = 1;
        uint State = 0;
        qint64 Palette = 0;
        Qt::LayoutDirection Direction = Qt::LeftToRight;
        int LineWidth = 0; // of a frame
        int Features = 0;
        int Arrow = 0; // of a button from here on
        int ButtonStyle = 0;
        int SubControls = 0;
        int ActiveSubControls = 0;
        QString Text;
        QFont Font;
        bool operator==(const TLook&) const = default;
    };
    struct TPicture {
        TLook Look;
        QPixmap Pixmap;
    };

    static TLook Look(const QStyleOption& Option, const QPainter* Painter) {
        TLook look;
        look.Size = Option.rect.size();
        look.Ratio = Painter->device()->devicePixelRatio();
        look.State = uint(Option.state);
        look.Palette = Option.palette.cacheKey();
        look.Direction = Option.direction;
        return look;
    }

    template <class Option, class Draw>
    void DrawCached(const TLook& Look, const Option& Given, QPainter* Painter, const QWidget* Widget,
                    Draw DrawLook) const {
        if (Look.Size.isEmpty()) return;
        if (Look.Ratio != std::floor(Look.Ratio)) {
            // a fractional scale would blur a copied picture: drawn anew each time
            DrawLook(Given, Painter);
            return;
        }
        TPicture& picture = FPictures[Widget]; // one picture for each widget: its newest look
        if (picture.Pixmap.isNull() || !(picture.Look == Look)) {
            picture.Look = Look;
            picture.Pixmap = QPixmap(Look.Size * Look.Ratio);
            picture.Pixmap.setDevicePixelRatio(Look.Ratio);
            picture.Pixmap.fill(Qt::transparent);
            Option atOrigin(Given);
            atOrigin.rect.moveTo(0, 0);
            QPainter p(&picture.Pixmap);
            DrawLook(atOrigin, &p);
        }
        Painter->drawPixmap(Given.rect.topLeft(), picture.Pixmap);
    }

    mutable QHash<const QWidget*, TPicture> FPictures;
};

} // namespace

// ---------------------------------------------------------------------------------
// Placement at start

TWindowPlacement RestoredPlacement(const TWindowPlacement& Design, const TWindowPlacement& Stored,
                                   const QRect& Desktop) {
    if (Stored.Width <= 0 || Stored.Height <= 0) return Design;
    TWindowPlacement p = Design;
    p.Width = Stored.Width;
    p.Height = Stored.Height;
    if (Desktop.isValid()) {
        p.Width = std::min(p.Width, Desktop.width());
        p.Height = std::min(p.Height, Desktop.height());
    }
    // the right and bottom edges lie just outside the desktop; 64 bits, as
    // stored numbers may be anything
    const qint64 left = Desktop.left(), top = Desktop.top();
    const qint64 right = left + Desktop.width(), bottom = top + Desktop.height();
    if (left - p.Width <= Stored.Left && Stored.Left <= right) p.Left = Stored.Left;
    if (top <= Stored.Top && Stored.Top <= bottom) p.Top = Stored.Top;
    return p;
}

void InstallToolkitTranslation() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

QRect DesktopRect() {
    QRect r;
    for (const QScreen* screen : QGuiApplication::screens())
        r = r.united(screen->geometry());
    return r;
}

// ---------------------------------------------------------------------------------
// The input line

TExpressionEdit::TExpressionEdit(TMainForm& Form, QWidget* parent) : QLineEdit(parent), FForm(Form) {
    if (TCachedLookStyle::Suits(style())) {
        if (QStyle* base = QStyleFactory::create(style()->name())) {
            FCachedLook = new TCachedLookStyle(base); // takes the base style
            FCachedLook->setParent(this);
            setStyle(FCachedLook);
        }
    }
}

void TExpressionEdit::AddEmbeddedButton(QToolButton* Button) {
    Button->setParent(this);
    if (FCachedLook) Button->setStyle(FCachedLook);
    Button->setFocusPolicy(Qt::NoFocus);
    Button->setAutoRaise(true);
    Button->setCursor(Qt::ArrowCursor);
    FButtons << Button;
    LayoutButtons();
}

void TExpressionEdit::LayoutButtons() {
    // from the right edge leftwards, in the order they were added
    const int inset = 2;
    int right = width() - inset;
    for (QToolButton* b : FButtons) {
        if (b->isHidden()) continue;
        const int w = b->minimumWidth();
        right -= w;
        b->setGeometry(right, inset, w, std::max(0, height() - 2 * inset));
    }
    setTextMargins(0, 0, width() - inset - right, 0);
}

void TExpressionEdit::resizeEvent(QResizeEvent* e) {
    QLineEdit::resizeEvent(e);
    LayoutButtons();
}

bool TExpressionEdit::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride) {
        // A plain character is typed, never taken by a shortcut: the line edit
        // would say so too, but only after comparing the key with every standard
        // key sequence of the platform, at each keystroke.
        auto* k = static_cast<QKeyEvent*>(e);
        const Qt::KeyboardModifiers m = k->modifiers();
        if (k->key() < Qt::Key_Escape &&
            (m == Qt::NoModifier || m == Qt::ShiftModifier || m == Qt::KeypadModifier)) {
            k->accept();
            return true;
        }
    }
    return QLineEdit::event(e);
}

void TExpressionEdit::keyPressEvent(QKeyEvent* e) {
    if (FForm.ExpressionEditKeyDown(e)) return;
    QLineEdit::keyPressEvent(e);
}

void TExpressionEdit::inputMethodEvent(QInputMethodEvent* e) {
    const QString commit = e->commitString();
    if (commit.isEmpty()) {
        QLineEdit::inputMethodEvent(e);
        return;
    }
    // the line edit shows the composition; what is committed is typed
    QInputMethodEvent preedit(e->preeditString(), e->attributes());
    QLineEdit::inputMethodEvent(&preedit);
    FForm.ExpressionEditInputMethod(commit);
    e->accept();
}

void TExpressionEdit::mousePressEvent(QMouseEvent* e) {
    FForm.ExpressionEditMouseDown();
    QLineEdit::mousePressEvent(e);
}

void TMenuPanel::mouseDoubleClickEvent(QMouseEvent* e) {
    emit DoubleClicked();
    QWidget::mouseDoubleClickEvent(e);
}

// ---------------------------------------------------------------------------------
// Construction

TMainForm::TMainForm(TCalculator& Calculator, QWidget* parent) : QWidget(parent), FCalculator(Calculator) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Korvex"));
    CreateActions();
    CreateControls();
    CreatePopups();
    resize(kClientWidth, kClientHeight);

    connect(&FCalculator, &TCalculator::Changed, this, &TMainForm::Render);
    connect(&FCalculator, &TCalculator::HistoryChanged, this, [this] {
        if (HistoryListFrame->Model()->rowCount() != FCalculator.HistoryListRowCount())
            HistoryListFrame->CreateListBox(FCalculator.HistoryListRowCount());
        else
            HistoryListFrame->UpdateHistory();
    });
    connect(&FCalculator, &TCalculator::FocusInputRequested, this, [this] { ExpressionEdit->setFocus(); });
    connect(&FCalculator, &TCalculator::InputRefused, this, [] { QApplication::beep(); });
    connect(&FCalculator, &TCalculator::TopMostChanged, this, &TMainForm::ApplyTopMost);
    // the double-click on the menu bar and "@TRANSPARENCY"
    connect(&FCalculator, &TCalculator::TransparencyToggled, this, [this] {
        if (FCalculator.Transparency())
            SetBorderless(true); // the opacity stays as it is
        else
            ApplyTransparencyValue(0);
    });
    connect(&FCalculator, &TCalculator::SaveFailed, this,
            [this](const QString& Reason) { ShowSaveFailure(Reason, false); });

    HistoryListFrame->SetExpressionHistorys(&FCalculator.ExpressionHistorys());
    HistoryListFrame->SetOnClickList([this](int Index) { FCalculator.HistoryListClick(Index); });
    CalcResultViewer->SetViewer(&FCalculator.CalcResultViewer());
    setFocusProxy(ExpressionEdit);
    Render();
}

TMainForm::~TMainForm() {
    // The controls still send signals while they go (the input line loses the
    // focus), and the calculator lives on: from here on neither may reach this
    // window, nor the calculator hear of controls that are going.
    disconnect(&FCalculator, nullptr, this, nullptr);
    for (QWidget* w : findChildren<QWidget*>())
        w->removeEventFilter(this);
    HistoryListFrame->SetOnClickList(nullptr);
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

QAction* TMainForm::NewAction(const char* Name, const QString& Category, const QString& Text,
                              const QKeySequence& Shortcut) {
    auto* a = new QAction(Text, this);
    a->setObjectName(QString::fromLatin1(Name));
    a->setProperty("category", Category);
    if (!Shortcut.isEmpty()) a->setShortcut(Shortcut);
    addAction(a); // the window's actions answer their shortcuts wherever the focus is
    return a;
}

void TMainForm::CreateActions() {
    TCalculator& c = FCalculator;
    const QString key = QStringLiteral("Key"), mainMenu = QStringLiteral("MainMenu"),
                  angle = QStringLiteral("Angle"), result = QStringLiteral("Result"),
                  button = QStringLiteral("Button");

    UpKeyAction = NewAction("UpKeyAction", key, QStringLiteral("UpKeyAction"), QKeySequence(Qt::Key_Up));
    connect(UpKeyAction, &QAction::triggered, this, [&c] { c.UpKeyActionExecute(); });
    DownKeyAction =
        NewAction("DownKeyAction", key, QStringLiteral("DownKeyAction"), QKeySequence(Qt::Key_Down));
    connect(DownKeyAction, &QAction::triggered, this, [&c] { c.DownKeyActionExecute(); });
    AboutAction = NewAction("AboutAction", mainMenu, QStringLiteral("バージョン情報"));
    connect(AboutAction, &QAction::triggered, this, &TMainForm::AboutActionExecute);

    DegAction = NewAction("DegAction", angle, QStringLiteral("Deg"));
    RadAction = NewAction("RadAction", angle, QStringLiteral("Rad"));
    GradAction = NewAction("GradAction", angle, QStringLiteral("Grad"));
    connect(DegAction, &QAction::triggered, this, [&c] { c.DegActionExecute(); });
    connect(RadAction, &QAction::triggered, this, [&c] { c.RadActionExecute(); });
    connect(GradAction, &QAction::triggered, this, [&c] { c.GradActionExecute(); });

    NormalAction = NewAction("NormalAction", result, QStringLiteral("Norm"));
    NormalAction->setData(0);
    connect(NormalAction, &QAction::triggered, this, [&c] { c.NormalActionExecute(); });
    for (int d = 0; d <= 9; ++d) {
        const QByteArray name = "Fix" + QByteArray::number(d) + "Action";
        QAction* a = NewAction(name.constData(), result, QString::number(d));
        a->setData(d); // the tag: the number of decimals
        connect(a, &QAction::triggered, this, [&c, a] { c.FixActionExecute(a->data().toInt()); });
        FixActions[std::size_t(d)] = a;
    }
    for (int d = 2; d <= 9; ++d) {
        const QByteArray name = "Sci" + QByteArray::number(d) + "Action";
        QAction* a = NewAction(name.constData(), result, QString::number(d));
        a->setData(d); // the tag: the number of significant digits
        connect(a, &QAction::triggered, this, [&c, a] { c.SciActionExecute(a->data().toInt()); });
        SciActions[std::size_t(d - 2)] = a;
    }
    for (QAction* a : {DegAction, RadAction, GradAction, NormalAction})
        a->setCheckable(true);
    for (QAction* a : FixActions)
        a->setCheckable(true);
    for (QAction* a : SciActions)
        a->setCheckable(true);

    TopMostAction = NewAction("TopMostAction", mainMenu, QStringLiteral("最前面に表示"));
    TopMostAction->setCheckable(true);
    connect(TopMostAction, &QAction::triggered, this, [&c] { c.TopMostActionExecute(); });
    AcAction = NewAction("AcAction", button, QStringLiteral("AcAction"));
    connect(AcAction, &QAction::triggered, this, [&c] { c.AllClear(); });
    CalcAction = NewAction("CalcAction", QString(), QStringLiteral("CalcAction"));
    connect(CalcAction, &QAction::triggered, this, [&c] { c.CalcExpression(true); });
    CustomBtnAction = NewAction("CustomBtnAction", button, QString());
    CustomBtnAction->setVisible(false);
    connect(CustomBtnAction, &QAction::triggered, this, [&c] { c.CustomBtnActionExecute(); });
    HistoryBtnAction = NewAction("HistoryBtnAction", button, QStringLiteral("入力履歴"),
                                 QKeySequence(Qt::CTRL | Qt::Key_Down));
    connect(HistoryBtnAction, &QAction::triggered, this, &TMainForm::HistoryBtnActionExecute);
    CopyAction = NewAction("CopyAction", button, QStringLiteral("Copy"),
                           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    connect(CopyAction, &QAction::triggered, this, &TMainForm::CopyActionExecute);
    DigitGroupingSeparatorAction =
        NewAction("DigitGroupingSeparatorAction", result, QStringLiteral("桁区切り"));
    DigitGroupingSeparatorAction->setCheckable(true);
    connect(DigitGroupingSeparatorAction, &QAction::triggered, this,
            [&c] { c.DigitGroupingSeparatorActionExecute(); });

    MAction = NewAction("MAction", button, QStringLiteral("M"));
    MAction->setVisible(false);
    connect(MAction, &QAction::triggered, this, [&c] { c.MActionExecute(); });
    MPlusAction =
        NewAction("MPlusAction", key, QStringLiteral("MPlusAction"), QKeySequence(Qt::CTRL | Qt::Key_M));
    connect(MPlusAction, &QAction::triggered, this, [&c] { c.MPlusActionExecute(); });
    MMinusAction = NewAction("MMinusAction", key, QStringLiteral("MMinusAction"),
                             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M));
    connect(MMinusAction, &QAction::triggered, this, [&c] { c.MMinusActionExecute(); });
    MCLAction = NewAction("MCLAction", key, QStringLiteral("MCLAction"),
                          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::ALT | Qt::Key_M));
    connect(MCLAction, &QAction::triggered, this, [&c] { c.MCLActionExecute(); });

    HomePageAction = NewAction("HomePageAction", mainMenu, QStringLiteral("Korvex ホームページ(&H)"));
    connect(HomePageAction, &QAction::triggered, this, &TMainForm::HomePageActionExecute);
    // a key that is taken and does nothing
    CalcCheckScriptAction =
        NewAction("CalcCheckScriptAction", key, QString(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F8));
    SettingAction = NewAction("SettingAction", mainMenu, QStringLiteral("設定..."),
                              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F12));
    connect(SettingAction, &QAction::triggered, this, &TMainForm::SettingActionExecute);
    WindowPosBottomAction = NewAction("WindowPosBottomAction", mainMenu, QStringLiteral("背面に移動"),
                                      QKeySequence(Qt::CTRL | Qt::Key_B));
    connect(WindowPosBottomAction, &QAction::triggered, this, &TMainForm::WindowPosBottomActionExecute);
    RecordExpressionAction = NewAction("RecordExpressionAction", mainMenu, QStringLiteral("式記録"),
                                       QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(RecordExpressionAction, &QAction::triggered, this, [&c] { c.RecordExpressionActionExecute(); });
    DelRecordExpressionAction = NewAction("DelRecordExpressionAction", mainMenu, QStringLiteral("式記録削除"),
                                          QKeySequence(Qt::CTRL | Qt::Key_D));
    connect(DelRecordExpressionAction, &QAction::triggered, this,
            [&c] { c.DelRecordExpressionActionExecute(); });
    VariableListAction = NewAction("VariableListAction", mainMenu, QStringLiteral("変数一覧"));
    connect(VariableListAction, &QAction::triggered, this, &TMainForm::VariableListActionExecute);
}

void TMainForm::CreateControls() {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // row 0: the menu bar
    MenuPanel = new TMenuPanel(this);
    MenuPanel->setObjectName(QStringLiteral("MenuPanel"));
    MenuPanel->setFixedHeight(kMenuPanelHeight);
    MenuPanel->setStyleSheet(QString::fromLatin1(kMenuButtonStyle));
    auto* bar = new QHBoxLayout(MenuPanel);
    bar->setContentsMargins(1, 1, 1, 1);
    bar->setSpacing(2);
    AngleModeBtn = NewMenuButton(MenuPanel, "AngleModeBtn", QStringLiteral("Deg"));
    ResultModeBtn = NewMenuButton(MenuPanel, "ResultModeBtn", QStringLiteral("Norm"));
    MBtn = NewMenuButton(MenuPanel, "MBtn", QStringLiteral("M"), 98);
    // the M button grows with its caption, from 45 up to 100
    MBtn->setMinimumWidth(kButtonWidth);
    MBtn->setMaximumWidth(100);
    MBtn->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    MBtn->hide();
    CopyBtn = NewMenuButton(MenuPanel, "CopyBtn", QStringLiteral("Copy"));
    MenuBtn = NewMenuButton(MenuPanel, "MenuBtn", QStringLiteral("Menu"));
    bar->addWidget(AngleModeBtn);
    bar->addWidget(ResultModeBtn);
    bar->addWidget(MBtn);
    bar->addStretch(1);
    bar->addWidget(CopyBtn);
    bar->addWidget(MenuBtn);
    connect(AngleModeBtn, &QToolButton::clicked, this, &TMainForm::AngleModeBtnClick);
    connect(ResultModeBtn, &QToolButton::clicked, this, &TMainForm::ResultModeBtnClick);
    connect(MBtn, &QToolButton::clicked, MAction, &QAction::trigger);
    connect(CopyBtn, &QToolButton::clicked, CopyAction, &QAction::trigger);
    connect(MenuBtn, &QToolButton::clicked, this, &TMainForm::MenuBtnClick);
    connect(MenuPanel, &TMenuPanel::DoubleClicked, this, &TMainForm::MenuPanelDblClick);
    column->addWidget(MenuPanel);

    // row 1: the input line with its buttons
    ExpressionEdit = new TExpressionEdit(*this, this);
    ExpressionEdit->setObjectName(QStringLiteral("ExpressionEdit"));
    ExpressionEdit->setFixedHeight(kEditHeight);
    ExpressionEdit->setFont(PixelFont(ExpressionEdit->font(), 18));
    // the line holds whatever the calculator holds: a cut text would be lost on the next edit
    ExpressionEdit->setMaxLength(std::numeric_limits<int>::max());
    HistoryBtn = new QToolButton;
    HistoryBtn->setObjectName(QStringLiteral("HistoryBtn"));
    HistoryBtn->setArrowType(Qt::DownArrow);
    HistoryBtn->setMinimumWidth(48);
    AcBtn = new QToolButton;
    AcBtn->setObjectName(QStringLiteral("AcBtn"));
    AcBtn->setText(QStringLiteral("AC"));
    AcBtn->setMinimumWidth(28);
    CustomBtn = new QToolButton;
    CustomBtn->setObjectName(QStringLiteral("CustomBtn"));
    CustomBtn->setMinimumWidth(55);
    CustomBtn->hide();
    for (QToolButton* b : {HistoryBtn, AcBtn, CustomBtn}) {
        b->setFont(PixelFont(b->font(), 12));
        ExpressionEdit->AddEmbeddedButton(b);
    }
    connect(HistoryBtn, &QToolButton::clicked, HistoryBtnAction, &QAction::trigger);
    connect(AcBtn, &QToolButton::clicked, AcAction, &QAction::trigger);
    connect(CustomBtn, &QToolButton::clicked, CustomBtnAction, &QAction::trigger);
    connect(ExpressionEdit, &QLineEdit::textChanged, this, &TMainForm::SyncInputLine);
    connect(ExpressionEdit, &QLineEdit::cursorPositionChanged, this, &TMainForm::SyncInputLine);
    connect(ExpressionEdit, &QLineEdit::selectionChanged, this, &TMainForm::SyncInputLine);
    ExpressionEdit->installEventFilter(this);
    column->addWidget(ExpressionEdit);

    // row 2: the result
    CalcResultPanel = new QWidget(this);
    CalcResultPanel->setObjectName(QStringLiteral("CalcResultPanel"));
    CalcResultPanel->setFixedHeight(kResultPanelHeight);
    auto* resultRow = new QHBoxLayout(CalcResultPanel);
    resultRow->setContentsMargins(5, 0, 5, 0);
    CalcResultViewer = new TCalcResultViewerWidget(CalcResultPanel);
    CalcResultViewer->setObjectName(QStringLiteral("CalcResultViewer"));
    resultRow->addWidget(CalcResultViewer);
    CalcModeLabel = new QLabel(QStringLiteral("CALC"), CalcResultPanel);
    CalcModeLabel->setObjectName(QStringLiteral("CalcModeLabel"));
    CalcModeLabel->setFont(PixelFont(CalcModeLabel->font(), 9));
    CalcModeLabel->setGeometry(2, 1, 40, 17);
    CalcModeLabel->hide();
    column->addWidget(CalcResultPanel);

    // row 3 is empty; row 4: recorded expressions over the history
    HistoryPanel = new QWidget(this);
    HistoryPanel->setObjectName(QStringLiteral("HistoryPanel"));
    auto* historyColumn = new QVBoxLayout(HistoryPanel);
    historyColumn->setContentsMargins(0, 0, 0, 0);
    HistorySplitter = new QSplitter(Qt::Vertical, HistoryPanel);
    HistorySplitter->setObjectName(QStringLiteral("HistorySplitter"));
    HistorySplitter->setHandleWidth(5);
    HistorySplitter->setChildrenCollapsible(false);
    ExpressionRecordFrame = new TExpressionRecordFrame(HistorySplitter);
    ExpressionRecordFrame->setObjectName(QStringLiteral("ExpressionRecordFrame"));
    ExpressionRecordFrame->setMinimumHeight(ExpressionRecordFrame->ListBox()->MinimumHeight() +
                                            2 * ExpressionRecordFrame->frameWidth());
    ExpressionRecordFrame->hide();
    HistoryListFrame = new THistoryListFrame(HistorySplitter);
    HistoryListFrame->setObjectName(QStringLiteral("HistoryListFrame"));
    HistoryListFrame->setMinimumHeight(20);
    HistorySplitter->addWidget(ExpressionRecordFrame);
    HistorySplitter->addWidget(HistoryListFrame);
    HistorySplitter->setStretchFactor(0, 0);
    HistorySplitter->setStretchFactor(1, 1);
    historyColumn->addWidget(HistorySplitter);
    column->addWidget(HistoryPanel, 1);

    connect(HistorySplitter, &QSplitter::splitterMoved, this, [this] {
        StoreRecordFrameHeight();
        FCalculator.NoteStateChanged();
    });
    TCalculator& c = FCalculator;
    connect(ExpressionRecordFrame, &TExpressionRecordFrame::SelectionChanged, this,
            [&c](int Row) { c.SelectRecordExpression(Row); });
    connect(ExpressionRecordFrame, &TExpressionRecordFrame::MoveRequested, this,
            [&c](int Delta) { c.MoveRecordExpression(Delta); });
    connect(ExpressionRecordFrame, &TExpressionRecordFrame::DoubleClicked, this,
            [&c] { c.ExpressionRecordFrameListBoxDblClick(); });
    // Enter, Esc and typed text do what they do in the input line wherever the
    // focus is in the window
    for (QWidget* w : findChildren<QWidget*>())
        if (w != ExpressionEdit && w->focusPolicy() != Qt::NoFocus) w->installEventFilter(this);
}

void TMainForm::CreatePopups() {
    AnglePopup = new QMenu(this);
    AnglePopup->setObjectName(QStringLiteral("AnglePopup"));
    AnglePopup->addActions({DegAction, RadAction, GradAction});
    connect(AnglePopup, &QMenu::aboutToShow, this, &TMainForm::AnglePopupPopup);

    ResultPopup = new QMenu(this);
    ResultPopup->setObjectName(QStringLiteral("ResultPopup"));
    ResultPopup->addAction(NormalAction);
    QMenu* fix = ResultPopup->addMenu(QStringLiteral("Fix"));
    fix->setObjectName(QStringLiteral("FixMenu"));
    for (QAction* a : FixActions)
        fix->addAction(a);
    QMenu* sci = ResultPopup->addMenu(QStringLiteral("Sci"));
    sci->setObjectName(QStringLiteral("SciMenu"));
    for (QAction* a : SciActions)
        sci->addAction(a);
    ResultPopup->addSeparator();
    ResultPopup->addAction(DigitGroupingSeparatorAction);
    connect(ResultPopup, &QMenu::aboutToShow, this, &TMainForm::ResultPopupPopup);

    MainPopup = new QMenu(this);
    MainPopup->setObjectName(QStringLiteral("MainPopup"));
    MainPopup->addActions(
        {TopMostAction, RecordExpressionAction, DelRecordExpressionAction, VariableListAction});
    MainPopup->addSeparator();
    MainPopup->addAction(SettingAction);
    MainPopup->addAction(HomePageAction);
    MainPopup->addSeparator();
    MainPopup->addAction(AboutAction);
    connect(MainPopup, &QMenu::aboutToShow, this, &TMainForm::MainPopupPopup);

    HistoryPopup = new QMenu(this);
    HistoryPopup->setObjectName(QStringLiteral("HistoryPopup"));

    VariablePopup = new QMenu(this);
    VariablePopup->setObjectName(QStringLiteral("VariablePopup"));
}

// ---------------------------------------------------------------------------------
// Drawing the calculator's state

void TMainForm::Render() {
    const TCalculator& c = FCalculator;
    RenderInputLine();

    AngleModeBtn->setText(c.AngleModeCaption());
    ResultModeBtn->setText(c.ResultModeCaption());

    MAction->setText(c.MButtonCaption());
    MAction->setVisible(c.MButtonVisible());
    MBtn->setText(c.MButtonCaption());
    MBtn->setVisible(c.MButtonVisible());

    CustomBtnAction->setText(MenuText(c.CustomButtonCaption()));
    CustomBtnAction->setVisible(c.CustomButtonVisible());
    // a long caption shows its start, the whole of it as the tooltip
    const QString caption = c.CustomButtonCaption();
    CustomBtn->setText(MenuText(CustomBtn->fontMetrics().elidedText(
        caption, Qt::ElideRight, CustomBtn->minimumWidth() - 2 * kCustomBtnPadding)));
    CustomBtn->setToolTip(caption);
    if (CustomBtn->isHidden() == c.CustomButtonVisible()) {
        CustomBtn->setVisible(c.CustomButtonVisible());
        ExpressionEdit->LayoutButtons();
    }

    CalcModeLabel->setVisible(c.CalcModeLabelVisible());
    VariableListAction->setEnabled(c.HasVariablePopupItems());
    CalcResultViewer->SetStale(c.IsResultStale());
    CalcResultViewer->update();

    if (HistoryListFrame->Model()->rowCount() != c.HistoryListRowCount())
        HistoryListFrame->CreateListBox(c.HistoryListRowCount());
    HistoryListFrame->SetSelectedRow(c.HistoryListSelectedRow());

    RenderRecordFrame();
}

void TMainForm::RenderInputLine() {
    const TInputLine& l = FCalculator.InputLine();
    TExpressionEdit* e = ExpressionEdit;
    const bool selected = l.SelLength > 0;
    const bool same = e->text() == l.Text && e->cursorPosition() == l.Caret &&
                      (selected ? e->selectionStart() == l.SelStart && e->selectionLength() == l.SelLength
                                : !e->hasSelectedText());
    if (same) return;
    FRendering = true;
    if (e->text() != l.Text) e->setText(l.Text);
    if (selected) {
        // the caret stands at the end of the selection it was made from
        if (l.Caret == l.SelStart)
            e->setSelection(l.SelStart + l.SelLength, -l.SelLength);
        else
            e->setSelection(l.SelStart, l.SelLength);
    } else {
        e->deselect();
        e->setCursorPosition(l.Caret);
    }
    FRendering = false;
}

void TMainForm::RenderRecordFrame() {
    const TCalculator& c = FCalculator;
    FRendering = true;
    ExpressionRecordFrame->SetItems(c.RecordExpressions());
    ExpressionRecordFrame->SetSelectedRow(c.RecordExpressionSelected());
    FRendering = false;
    const bool visible = c.RecordExpressionFrameVisible();
    if (visible != FRecordFrameWasVisible) {
        ExpressionRecordFrame->setVisible(visible);
        if (visible) {
            // at least three rows, so that the list and its scroll arrows can be used
            const int h =
                std::max(ExpressionRecordFrame->minimumHeight(), int(c.RecordExpressionFrameHeight() + 0.5f));
            const int total = HistorySplitter->height();
            HistorySplitter->setSizes({h, std::max(total - h - HistorySplitter->handleWidth(), 20)});
        }
        FRecordFrameWasVisible = visible;
    }
}

void TMainForm::SyncInputLine() {
    if (FRendering) return;
    const TExpressionEdit* e = ExpressionEdit;
    TInputLine l;
    l.Text = e->text();
    l.Caret = e->cursorPosition();
    if (e->hasSelectedText()) {
        l.SelStart = e->selectionStart();
        l.SelLength = e->selectionLength();
    }
    const TInputLine& now = FCalculator.InputLine();
    if (l.Text == now.Text && l.Caret == now.Caret && l.SelStart == now.SelStart &&
        l.SelLength == now.SelLength)
        return;
    FCalculator.SetInputState(l);
}

void TMainForm::ApplyTopMost() {
    const bool on = FCalculator.IsTopMost();
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) return;
    const bool visible = isVisible();
    const QRect client = geometry();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    // a changed flag takes the window down; it comes back where it was
    if (visible) {
        setGeometry(client);
        QWidget::setVisible(true);
    }
    if (on) raise();
}

bool CompositorRunning() {
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return true;
#ifdef KORVEX_WITH_XCB
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    // (the offscreen platform answers too, without a connection)
    if (x11 && x11->connection() && QGuiApplication::platformName() == QLatin1String("xcb")) {
        // a compositing manager owns the selection _NET_WM_CM_S<screen>
        xcb_connection_t* c = x11->connection();
        const char name[] = "_NET_WM_CM_S0";
        xcb_intern_atom_reply_t* atom =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
        if (!atom) return false;
        xcb_get_selection_owner_reply_t* owner =
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
        const bool running = owner && owner->owner != XCB_NONE;
        std::free(owner);
        std::free(atom);
        return running;
    }
#endif
    return false;
}

void TMainForm::SetBorderless(bool On) {
    // where a compositor runs, the borderless window's background is drawn at
    // the controls' opacity and the desktop shows through it
    const bool seeThrough = On && CompositorRunning();
    if (windowFlags().testFlag(Qt::FramelessWindowHint) == On &&
        testAttribute(Qt::WA_TranslucentBackground) == seeThrough)
        return;
    const bool visible = isVisible();
    // On the screen the frame moves by the border's width and height, so that
    // the client area keeps its place whether the border goes or comes back; a
    // window not yet shown just takes the style.
    const QRect client = geometry();
    // the new flag makes the window anew, with an alpha channel when it is see-through
    setAttribute(Qt::WA_TranslucentBackground, seeThrough);
    setWindowFlag(Qt::FramelessWindowHint, On);
    if (visible) {
        setGeometry(client);
        QWidget::setVisible(true);
    }
}

QList<QWidget*> TMainForm::VisualControls() const {
    // the rows of the window; the popups are windows of their own
    QList<QWidget*> controls;
    for (QWidget* w : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (!w->isWindow()) controls << w;
    return controls;
}

void TMainForm::ApplyTransparencyValue(int Value) {
    FCalculator.SetTransparencyValue(Value);
    SetBorderless(FCalculator.Transparency());
    const double opacity = FCalculator.ControlOpacity();
    for (QWidget* w : VisualControls()) {
        auto* effect = qobject_cast<QGraphicsOpacityEffect*>(w->graphicsEffect());
        if (opacity == 1) {
            // an opaque control is drawn directly, without an effect's buffer
            if (effect) w->setGraphicsEffect(nullptr);
            continue;
        }
        if (!effect) {
            effect = new QGraphicsOpacityEffect(w);
            w->setGraphicsEffect(effect);
        }
        if (effect->opacity() != opacity) effect->setOpacity(opacity);
    }
    update(); // the see-through background takes the opacity too
}

void TMainForm::paintEvent(QPaintEvent* e) {
    if (!testAttribute(Qt::WA_TranslucentBackground)) return QWidget::paintEvent(e);
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    QColor background = palette().color(QPalette::Window);
    background.setAlphaF(float(FCalculator.ControlOpacity()));
    p.fillRect(rect(), background);
}

void TMainForm::MenuPanelDblClick() {
    FCalculator.ToggleTransparency();
}

void TMainForm::RestorePlacement() {
    const TWindowPlacement design{pos().x(), pos().y(), width(), height()};
    const TWindowPlacement p = RestoredPlacement(design, FCalculator.Placement(), DesktopRect());
    if (p.Left != design.Left || p.Top != design.Top) move(p.Left, p.Top);
    if (p.Width != design.Width || p.Height != design.Height) resize(p.Width, p.Height);
}

void TMainForm::setVisible(bool visible) {
    if (visible && !FShown) {
        FShown = true;
        FCalculator.FormShow();
        RestorePlacement();
        ApplyTopMost();
        // the stored switch as it is, then the level, which may change it again
        SetBorderless(FCalculator.Transparency());
        ApplyTransparencyValue(FCalculator.TransparencyValue());
        Render();
        // from now on every change reaches the file a second later
        FCalculator.SetAutoSave(true);
    }
    QWidget::setVisible(visible);
    if (visible) ExpressionEdit->setFocus();
}

// ---------------------------------------------------------------------------------
// Keys and mouse

bool TMainForm::FormKeyDown(QKeyEvent* e) {
    if (IsEnter(e)) {
        if (e->modifiers() & Qt::ControlModifier)
            FCalculator.CustomBtnActionExecute();
        else
            FCalculator.CalcExpression(true);
        return true;
    }
    if (e->key() == Qt::Key_Escape) {
        FCalculator.AllClear();
        return true;
    }
    return false;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return QWidget::eventFilter(watched, event);
    auto* e = static_cast<QKeyEvent*>(event);
    if (FormKeyDown(e)) return true;
    // Text typed while another control has the focus belongs to the input line:
    // it goes there, and so does the focus, so that nothing typed is lost.
    if (watched != ExpressionEdit && TypesText(e)) {
        ExpressionEdit->setFocus(Qt::OtherFocusReason);
        ExpressionEditKeyDown(e);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TMainForm::keyPressEvent(QKeyEvent* e) {
    if (!FormKeyDown(e)) QWidget::keyPressEvent(e);
}

bool TMainForm::ExpressionEditKeyDown(QKeyEvent* e) {
    TCalculator::TCaretKey caret;
    switch (e->key()) {
    case Qt::Key_End:
        caret = TCalculator::ckEnd;
        break;
    case Qt::Key_Home:
        caret = TCalculator::ckHome;
        break;
    case Qt::Key_Left:
        caret = TCalculator::ckLeft;
        break;
    case Qt::Key_Right:
        caret = TCalculator::ckRight;
        break;
    default:
        if (!TypesText(e)) return false;
        FCalculator.TypeText(e->text());
        return true;
    }
    // only right after a calculation; otherwise the line edit moves the caret
    return FCalculator.CaretKey(caret);
}

void TMainForm::ExpressionEditInputMethod(const QString& Commit) {
    FCalculator.TypeText(Commit);
}

void TMainForm::ExpressionEditMouseDown() {
    FCalculator.ExpressionEditMouseDown();
}

// ---------------------------------------------------------------------------------
// Popups

void TMainForm::PopupBelow(QMenu* Menu, QWidget* Anchor) {
    Menu->popup(Anchor->mapToGlobal(QPoint(0, Anchor->height())));
}

void TMainForm::AngleModeBtnClick() {
    PopupBelow(AnglePopup, AngleModeBtn);
}

void TMainForm::ResultModeBtnClick() {
    PopupBelow(ResultPopup, ResultModeBtn);
}

void TMainForm::MenuBtnClick() {
    PopupBelow(MainPopup, MenuBtn);
}

void TMainForm::AnglePopupPopup() {
    const TAngleType a = FCalculator.AnglePopupCheck();
    DegAction->setChecked(a == atDeg);
    RadAction->setChecked(a == atRad);
    GradAction->setChecked(a == atGrad);
}

void TMainForm::ResultPopupPopup() {
    const TResultPopupChecks checks = FCalculator.ResultPopupChecks();
    NormalAction->setChecked(checks.Normal);
    for (QAction* a : FixActions)
        a->setChecked(a->data().toInt() == checks.Fix);
    for (QAction* a : SciActions)
        a->setChecked(a->data().toInt() == checks.Sci);
    DigitGroupingSeparatorAction->setChecked(checks.Grouping);
}

void TMainForm::MainPopupPopup() {
    TopMostAction->setChecked(FCalculator.IsTopMost());
    VariableListAction->setEnabled(FCalculator.HasVariablePopupItems());
}

void TMainForm::VariableListActionExecute() {
    const QList<TCalculator::TVariableItem> items = FCalculator.VariablePopupItems();
    if (items.isEmpty()) return;
    VariablePopup->clear();
    for (int p = 0; p < items.size(); ++p) {
        QAction* a = VariablePopup->addAction(MenuText(items[p].Caption));
        connect(a, &QAction::triggered, this, [this, p] { FCalculator.VariablePopupItemClick(p); });
    }
    // under the line its names go into, as the history popup
    PopupBelow(VariablePopup, ExpressionEdit);
}

void TMainForm::HistoryBtnActionExecute() {
    const QStringList& items = FCalculator.HistoryPopupItems();
    if (items.isEmpty()) return;
    HistoryPopup->clear();
    for (int p = 0; p < items.size(); ++p) {
        QAction* a = HistoryPopup->addAction(MenuText(items[p]));
        // the calculator's list may change before a click: the position is read then
        connect(a, &QAction::triggered, this, [this, p] { FCalculator.HistoryMenuItemClick(p); });
    }
    PopupBelow(HistoryPopup, ExpressionEdit);
}

// ---------------------------------------------------------------------------------
// Commands

void TMainForm::CopyActionExecute() {
    QString text;
    if (!FCalculator.CopyActionExecute(text)) {
        QApplication::beep(); // no answer on display, or one this mode cannot write: nothing is copied
        return;
    }
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(text);
}

void TMainForm::WindowPosBottomActionExecute() {
    FCalculator.SetTopMost(false);
    lower();
}

void TMainForm::HomePageActionExecute() {
    QDesktopServices::openUrl(QUrl(QStringLiteral(KORVEX_HOMEPAGE)));
}

void TMainForm::SettingActionExecute() {
    RunSettingDialog(this, FCalculator, [this](int Value) { ApplyTransparencyValue(Value); });
}

void TMainForm::AboutActionExecute() {
    TAboutForm about(this);
    about.exec();
}

// ---------------------------------------------------------------------------------
// Placement and closing

void TMainForm::StoreRecordFrameHeight() {
    // a frame that never showed has no height of its own yet
    if (ExpressionRecordFrame->isVisible())
        FCalculator.SetRecordExpressionFrameHeight(float(ExpressionRecordFrame->height()));
}

void TMainForm::StorePlacement() {
    // the frame's position and the client's size: what moving and resizing the
    // window take back
    FCalculator.SetPlacement({pos().x(), pos().y(), width(), height()});
}

void TMainForm::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    if (!FShown || FSaved) return;
    StorePlacement();
    FCalculator.NoteStateChanged();
}

void TMainForm::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (!FShown || FSaved) return;
    StorePlacement();
    FCalculator.NoteStateChanged();
}

void TMainForm::closeEvent(QCloseEvent* e) {
    FormSaveState();
    QWidget::closeEvent(e);
}

void TMainForm::FormSaveState() {
    if (FSaved) return;
    FSaved = true;
    FCalculator.SetAutoSave(false);
    StorePlacement();
    StoreRecordFrameHeight();
    try {
        FCalculator.FormSaveState();
    } catch (const EInOutError& error) {
        FSaveFailedAtClose = true;
        ShowSaveFailure(QString::fromLocal8Bit(error.what()), true);
    }
}

void TMainForm::BringToFront() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void TMainForm::CloseUnattended() {
    FUnattended = true;
    close();
}

void TMainForm::ShowSaveFailure(const QString& Reason, bool Closing) {
    if (FUnattended) {
        std::fprintf(stderr, "korvex: the settings could not be saved: %s\n",
                     Reason.toLocal8Bit().constData());
        return;
    }
    const QString text = QStringLiteral("設定を保存できませんでした。\n") + Reason;
    if (Closing) {
        // the last chance to tell: the window waits for the user
        QMessageBox::warning(this, QStringLiteral("Korvex"), text);
        return;
    }
    // an automatic save retries with the next change; one notice at a time
    if (FSaveFailureBox) return;
    FSaveFailureBox =
        new QMessageBox(QMessageBox::Warning, QStringLiteral("Korvex"), text, QMessageBox::Ok, this);
    FSaveFailureBox->setAttribute(Qt::WA_DeleteOnClose);
    FSaveFailureBox->setWindowModality(Qt::NonModal);
    FSaveFailureBox->show();
}
