#include "EvalSession.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char* argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);

    if (!args.isEmpty() && (args[0] == u"--help" || args[0] == u"-h")) {
        std::fputs(UsageText().toUtf8().constData(), stdout);
        return 0;
    }
    if (!args.isEmpty() && args[0] == u"--eval") {
        QCoreApplication app(argc, argv);
        return RunEvalCommand(args.mid(1), stdin, stdout, stderr);
    }
    std::fputs(UsageText().toUtf8().constData(), stderr);
    return 2;
}
