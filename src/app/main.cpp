#include "EvalSession.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

#ifdef KORVEX_WITH_WINDOW
#include "KorvexMainWin.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QTimer>

#include <chrono>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

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

#ifdef Q_OS_UNIX
// SIGTERM and SIGINT close the window as the user does, so the state is saved:
// the handler only writes a byte into a pipe that the event loop watches. The
// pipe's write end is set once, before the handlers are installed.
int gTerminationPipe[2] = {-1, -1};

void NoteTermination(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(gTerminationPipe[1], &byte, 1);
}

void CloseOnTermination(QWidget& Window) {
    if (::pipe(gTerminationPipe) != 0) return; // then the signals end the program as usual
    for (int fd : gTerminationPipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
    }
    auto* notifier = new QSocketNotifier(gTerminationPipe[0], QSocketNotifier::Read, &Window);
    QObject::connect(notifier, &QSocketNotifier::activated, &Window, [&Window] {
        char bytes[16];
        while (::read(gTerminationPipe[0], bytes, sizeof bytes) > 0) {
        }
        // a dialog open at the time ends first, unanswered, so the program can end
        for (int open = 0; open < 8; ++open) {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == &Window) break;
            modal->close();
        }
        Window.close(); // saves
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = NoteTermination;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}
#endif

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
    // the desktop entry and the icon the desktop shows for the window
    QGuiApplication::setDesktopFileName(QStringLiteral("example.halvoren.Korvex"));
    const QIcon icon = QIcon::fromTheme(QStringLiteral("example.halvoren.Korvex"));
    if (!icon.isNull()) QApplication::setWindowIcon(icon);
    TMainForm form;
#ifdef Q_OS_UNIX
    CloseOnTermination(form);
#endif
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

    if (!args.isEmpty() && (args[0] == u"--help" || args[0] == u"-h")) return PrintUsage(stdout, stderr);
    if (!args.isEmpty() && args[0] == u"--eval") {
        HoldClosedStandardDescriptors(); // before the application opens any of its own
        QCoreApplication app(argc, argv);
        return RunEvalCommand(args.mid(1), stdin, stdout, stderr);
    }
#ifdef KORVEX_WITH_WINDOW
    if (args.isEmpty()) return RunWindow(argc, argv);
#endif
    std::fputs(UsageText().toUtf8().constData(), stderr);
    return 2;
}
