#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace zarvik {

// One running program per user: the first start listens on a local socket; a later start with
// project files hands them to it over that socket and ends, so the files open in the window
// that is already there.
class TSingleInstance : public QObject
{
    Q_OBJECT
public:
    // The socket name of the current user's program.
    static QString DefaultName();

    // Hands the files to the program listening on `name`; true once that program has confirmed
    // them. False when none is listening or it does not answer within `timeoutMs`.
    static bool HandOver(const QString &name, const QStringList &files, int timeoutMs = 5000);

    explicit TSingleInstance(const QString &name, QObject *parent = nullptr);
    ~TSingleInstance() override;

    // Starts listening, unless another program already answers on the name (then false). A
    // socket left behind by a program that ended abnormally is replaced.
    bool Listen();
    bool Listening() const;

signals:
    // Files handed over by a later start, in the order it gave them.
    void FilesReceived(const QStringList &files);

private:
    void AcceptConnection();
    void ReadRequest(QLocalSocket *socket);

    QString FName;
    QLocalServer *FServer;
};

} // namespace zarvik
