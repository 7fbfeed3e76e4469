#include "EvalSession.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

#ifdef KORVEX_WITH_WINDOW
#include "KorvexMainWin.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <chrono>

namespace {

// With KORVEX_FIRST_PAINT_PROBE set, the program prints the wall-clock time of
// its first painted window (nanoseconds since the epoch) and ends: the start-up
// benchmark measures from the process start to this moment.
class TFirstPaintProbe : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !FSeen) {
            FSeen = true;
            // the whole window is painted and flushed before the next turn of the loop
            QTimer::singleShot(0, qApp, [] {
                const auto now = std::chrono::system_clock::now().time_since_epoch();
                std::printf("%lld\n", static_cast<long long>(
                                          std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool FSeen = false;
};

int RunWindow(int argc, char* argv[]) {
    // Without a display the toolkit would abort; say what is missing instead.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs("korvex: no display to open the window on (DISPLAY is not set);\n"
                   "        korvex --eval calculates without one.\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    TMainForm form;
    TFirstPaintProbe probe;
    if (qEnvironmentVariableIsSet("KORVEX_FIRST_PAINT_PROBE")) form.installEventFilter(&probe);
    form.show();
    return app.exec();
}

} // namespace
#endif

int main(int argc, char* argv[]) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    if (!args.isEmpty() && (args[0] == u"--help" || args[0] == u"-h")) {
        std::fputs(UsageText().toUtf8().constData(), stdout);
        return 0;
    }
    if (!args.isEmpty() && args[0] == u"--eval") {
        QCoreApplication app(argc, argv);
        return RunEvalCommand(args.mid(1), stdin, stdout, stderr);
    }
#ifdef KORVEX_WITH_WINDOW
    if (args.isEmpty()) return RunWindow(argc, argv);
#endif
    std::fputs(UsageText().toUtf8().constData(), stderr);
    return 2;
}
