#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QLocalServer;
class QLocalSocket;

namespace zarvik {

// One running program per user. The program that holds the lock file of a private folder is the
// elected one and listens on a socket beside it; a later start with project files hands them to
// it over that socket and ends, so the files open in the window that is already there. The lock
// lives exactly as long as its program, so a start never mistakes a busy program for a dead one.
//
// A hand-over is a request (the files), a "ready" from the program once it has read it, a
// confirmation from the start and a final answer: the program opens the files only after the
// confirmation, so a start that was killed while it waited leaves nothing to open.
class TSingleInstance : public QObject
{
    Q_OBJECT
public:
    // The current user's folder for the lock and the socket: "zarvik" in $XDG_RUNTIME_DIR when
    // that is a private folder of the user's, else "zarvik-UID" in the temporary folder. Made
    // with mode 0700; empty when no folder of the user's alone can be had (someone else's folder
    // or a link stands at that place).
    static QString DefaultFolder();

    // Hands the files to the program that holds the lock of `folder`. Waits as long as that
    // program lives, calling `busy` once when it has not answered after `busyAfterMs`. True once
    // the program has confirmed the files; false when no program holds the lock, or it ended
    // before it took them (the caller may then take the lock itself).
    static bool HandOver(const QString &folder, const QStringList &files,
                         const std::function<void()> &busy = {}, int busyAfterMs = 2000);

    explicit TSingleInstance(const QString &folder, QObject *parent = nullptr);
    ~TSingleInstance() override;

    // Takes the lock and listens; false while another program holds the lock, or when the
    // folder cannot be used. A socket left behind by a program that ended abnormally is replaced.
    bool Listen();
    bool Listening() const;

    // Lets processes of other users connect to the socket, so that tests can show that the
    // program itself turns them away.
    void AllowAnyoneToConnect();

signals:
    // Files handed over by a later start, in the order it gave them.
    void FilesReceived(const QStringList &files);

private:
    void AcceptConnection();
    struct TConnection;
    void ReadRequest(QLocalSocket &socket, TConnection &connection);

    QString FFolder;
    QLocalServer *FServer;
    int FLock = -1;
    bool FUserOnly = true;
};

} // namespace zarvik
