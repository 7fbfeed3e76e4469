#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace {

// What a later start sends and what the running window answers.
constexpr char kRaise[] = "raise\n";
constexpr char kRaised[] = "raised\n";

} // namespace

TSingleInstance::TSingleInstance(const QString& SettingsFile, QObject* parent) : QObject(parent) {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty()) return;
    const QByteArray file = QFileInfo(SettingsFile).absoluteFilePath().toUtf8();
    const QByteArray digest = QCryptographicHash::hash(file, QCryptographicHash::Sha256).toHex().left(16);
    FSocketPath = QDir(runtime).filePath(QStringLiteral("korvex-") + QString::fromLatin1(digest));
    connect(&FServer, &QLocalServer::newConnection, this, &TSingleInstance::AnswerCall);
}

TSingleInstance::TRole TSingleInstance::Start(int TimeoutMs) {
    if (FSocketPath.isEmpty()) return irUnavailable;
    // Two starts at once: the lock makes "is anyone listening? then I listen"
    // one step. A lock left by a killed process is taken over.
    QLockFile lock(FSocketPath + QStringLiteral(".lock"));
    if (!lock.tryLock(TimeoutMs)) return irUnavailable;

    QLocalSocket call;
    call.connectToServer(FSocketPath);
    if (call.waitForConnected(TimeoutMs)) {
        call.write(kRaise);
        call.waitForBytesWritten(TimeoutMs);
        while (!call.canReadLine() && call.waitForReadyRead(TimeoutMs)) {
        }
        return call.readLine() == kRaised ? irHandedOver : irNoAnswer;
    }
    // nobody listens: whatever is left at the path is a stale socket
    QLocalServer::removeServer(FSocketPath);
    FServer.setSocketOptions(QLocalServer::UserAccessOption);
    return FServer.listen(FSocketPath) ? irFirst : irUnavailable;
}

void TSingleInstance::AnswerCall() {
    while (QLocalSocket* call = FServer.nextPendingConnection()) {
        connect(call, &QLocalSocket::disconnected, call, &QObject::deleteLater);
        connect(call, &QLocalSocket::readyRead, this, [this, call] {
            if (!call->canReadLine()) {
                if (call->bytesAvailable() > 64) call->abort(); // no call is that long
                return;
            }
            const bool raise = call->readLine() == kRaise;
            if (raise) emit ActivationRequested();
            call->write(raise ? kRaised : "?\n");
            call->disconnectFromServer();
        });
    }
}
