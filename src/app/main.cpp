#include "EvalSession.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

#ifdef KORVEX_WITH_WINDOW
#include "AboutWin.h"
#include "AppData.h"
#include "KorvexMainWin.h"
#include "SingleInstance.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QTimer>

#include <chrono>
#include <cstdlib>

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
// SIGTERM, SIGINT and SIGHUP (the terminal went away) close the window as the
// user does, so the state is saved:
// the handler only writes a byte into a pipe that the event loop watches. The
// pipe's write end is set once, before the handlers are installed.
int gTerminationPipe[2] = {-1, -1};

void NoteTermination(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(gTerminationPipe[1], &byte, 1);
}

void CloseOnTermination(TMainForm& Window) {
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
        // saves; a failure is told on standard error, for no one may be there to click
        Window.CloseUnattended();
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = NoteTermination;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
}
#endif

QtMessageHandler gToolkitHandler = nullptr;

// Only while the toolkit starts: a fatal message there means that the display
// cannot be reached (or used), which would otherwise end in an abort.
void EndWithoutDisplay(QtMsgType Type, const QMessageLogContext& Context, const QString& Message) {
    if (Type != QtFatalMsg) {
        if (gToolkitHandler) gToolkitHandler(Type, Context, Message);
        return;
    }
    // the toolkit's own warnings before this one say what went wrong
    const QByteArray display =
        qgetenv("WAYLAND_DISPLAY").isEmpty() ? qgetenv("DISPLAY") : qgetenv("WAYLAND_DISPLAY");
    std::fprintf(stderr,
                 "korvex: the window cannot open: the display \"%s\" cannot be reached;\n"
                 "        korvex --eval calculates without one.\n",
                 display.constData());
    std::_Exit(1);
}

int RunWindow(int argc, char* argv[]) {
    // Without a display the toolkit would abort; say what is missing instead.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs("korvex: no display to open the window on (DISPLAY is not set);\n"
                   "        korvex --eval calculates without one.\n",
                   stderr);
        return 1;
    }
    // A display that cannot be reached ends the toolkit's start with a fatal
    // message and an abort; say it plainly and end with a status instead.
    // the window's class on X11 as the desktop entry names it (StartupWMClass)
    QCoreApplication::setApplicationName(QStringLiteral("Korvex"));
    gToolkitHandler = qInstallMessageHandler(EndWithoutDisplay);
    QApplication app(argc, argv);
    qInstallMessageHandler(gToolkitHandler);
    // A second start with the same settings file brings the running window to
    // the front instead of opening another that would overwrite its file.
    TSingleInstance instance(TAppData::FileName());
    switch (instance.Start()) {
    case TSingleInstance::irHandedOver:
        return 0;
    case TSingleInstance::irNoAnswer:
        std::fputs("korvex: a Korvex window with the same settings file is running but does not answer\n",
                   stderr);
        return 1;
    case TSingleInstance::irFirst:
    case TSingleInstance::irUnavailable:
        break;
    }
    // the desktop entry and the icon the desktop shows for the window
    QGuiApplication::setDesktopFileName(QStringLiteral("example.halvoren.Korvex"));
    QApplication::setWindowIcon(KorvexIcon());
    InstallToolkitTranslation();
    TCalculator calculator; // outlives its window
    TMainForm form(calculator);
#ifdef Q_OS_UNIX
    CloseOnTermination(form);
#endif
    QObject::connect(&instance, &TSingleInstance::ActivationRequested, &form,
                     [&form] { form.BringToFront(); });
    TFirstPaintProbe probe;
    if (qEnvironmentVariableIsSet("KORVEX_FIRST_PAINT_PROBE")) form.installEventFilter(&probe);
    form.show();
    const int status = app.exec();
    return form.SaveFailedAtClose() ? 1 : status;
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
