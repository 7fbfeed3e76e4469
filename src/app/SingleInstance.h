#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

// One window per settings file. The first start listens on a local socket in
// the user's runtime folder, named after the settings file; a later start with
// the same file asks that window to come to the front and ends, so two windows
// never overwrite each other's history and variables. A socket left behind by a
// killed process answers no one and is replaced.
class TSingleInstance : public QObject {
    Q_OBJECT

public:
    enum TRole {
        irFirst,       // this process listens: it opens the window
        irHandedOver,  // a running window was asked to come to the front
        irNoAnswer,    // a running window took the call but did not answer
        irUnavailable, // no socket could be made: the window opens on its own
    };

    explicit TSingleInstance(const QString& SettingsFile, QObject* parent = nullptr);

    // Looks for a running window of the same settings file; listens when there is
    // none. Waits at most TimeoutMs for a running window's answer.
    TRole Start(int TimeoutMs = 3000);
    // The socket's path: the runtime folder and a digest of the settings file's path.
    const QString& SocketPath() const { return FSocketPath; }

signals:
    // A later start asked this window to come to the front.
    void ActivationRequested();

private:
    void AnswerCall();

    QString FSocketPath;
    QLocalServer FServer;
};
