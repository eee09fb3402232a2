#include "ui/shell/SingleInstance.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace zarvik {

namespace {

// A request: this tag, then the files as a QStringList. The program answers Ready once it has
// read it, the start confirms with Confirm, and the program answers Ack as it takes the files.
constexpr quint32 RequestTag = 0x5a525632; // "ZRV2"
constexpr char Ready = 'Q';
constexpr char Confirm = 'Y';
constexpr char Ack = 'K';
// No sane list of files is larger; a bigger request is dropped unread.
constexpr qint64 MaxRequestBytes = 4 * 1024 * 1024;
// How long a connection may take to say what it has to say once the program reads it.
constexpr int RequestTimeLimitMs = 5000;
// How often a waiting start looks whether the program still lives.
constexpr int PollMs = 100;

constexpr QDataStream::Version StreamVersion = QDataStream::Qt_6_0;

QString LockPath(const QString &folder)
{
    return folder + u"/lock"_s;
}

QString SocketPath(const QString &folder)
{
    return folder + u"/socket"_s;
}

// A folder that is a real folder (no link), the user's own and closed to everybody else.
bool IsPrivateFolder(const QByteArray &path)
{
    struct stat info
    {
    };
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & 077) == 0;
}

QString PrivateFolder(const QString &parent, const QString &name)
{
    const QByteArray path = QFile::encodeName(parent + u'/' + name);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    return IsPrivateFolder(path) ? QFile::decodeName(path) : QString();
}

// Whether some program holds the folder's lock now.
bool LockHeld(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(LockPath(folder)).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

bool SameUser(const QLocalSocket &socket)
{
    ucred peer{};
    socklen_t length = sizeof peer;
    return ::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer,
                        &length) == 0 &&
           peer.uid == ::getuid();
}

// The waiting side of a hand-over: what the start does while the program has not answered yet.
class TWait
{
public:
    TWait(const QString &folder, const std::function<void()> &busy, int busyAfterMs)
        : FFolder(folder)
        , FBusy(busy)
        , FBusyAfter(busyAfterMs)
    {
    }

    // Waits one slice; false once the program holding the lock has ended.
    bool Tick()
    {
        if (FBusy && FBusyAfter.hasExpired()) {
            FBusy();
            FBusy = nullptr;
        }
        return LockHeld(FFolder);
    }

private:
    QString FFolder;
    std::function<void()> FBusy;
    QDeadlineTimer FBusyAfter;
};

// Reads one byte from the program; false when the program ended or the connection broke first.
bool AwaitByte(QLocalSocket &socket, TWait &wait, char expected)
{
    while (socket.bytesAvailable() < 1) {
        if (socket.waitForReadyRead(PollMs))
            continue;
        if (socket.state() != QLocalSocket::ConnectedState || !wait.Tick())
            return false;
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == expected;
}

} // namespace

struct TSingleInstance::TConnection
{
    enum class TStage
    {
        Request,
        Confirmation,
        Done
    };
    TStage Stage = TStage::Request;
    QStringList Files;
};

QString TSingleInstance::DefaultFolder()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && IsPrivateFolder(runtime)) {
        const QString folder = PrivateFolder(QFile::decodeName(runtime), u"zarvik"_s);
        if (!folder.isEmpty())
            return folder;
    }
    return PrivateFolder(QDir::tempPath(), u"zarvik-"_s + QString::number(::getuid()));
}

bool TSingleInstance::HandOver(const QString &folder, const QStringList &files,
                               const std::function<void()> &busy, int busyAfterMs)
{
    if (folder.isEmpty())
        return false;
    TWait wait(folder, busy, busyAfterMs);
    QLocalSocket socket;
    // The program takes its lock before it listens: until its socket answers, try again.
    for (;;) {
        if (!wait.Tick())
            return false;
        socket.connectToServer(SocketPath(folder));
        if (socket.waitForConnected(PollMs))
            break;
        socket.abort();
        QThread::msleep(PollMs / 2);
    }
    QByteArray request;
    {
        QDataStream out(&request, QIODevice::WriteOnly);
        out.setVersion(StreamVersion);
        out << RequestTag << files;
    }
    socket.write(request);
    if (!AwaitByte(socket, wait, Ready))
        return false;
    socket.putChar(Confirm);
    socket.flush();
    return AwaitByte(socket, wait, Ack);
}

TSingleInstance::TSingleInstance(const QString &folder, QObject *parent)
    : QObject(parent)
    , FFolder(folder)
    , FServer(new QLocalServer(this))
{
    connect(FServer, &QLocalServer::newConnection, this, &TSingleInstance::AcceptConnection);
}

TSingleInstance::~TSingleInstance()
{
    FServer->close();
    if (FLock >= 0)
        ::close(FLock);
}

void TSingleInstance::AllowAnyoneToConnect()
{
    FUserOnly = false;
}

bool TSingleInstance::Listening() const
{
    return FServer->isListening();
}

bool TSingleInstance::Listen()
{
    if (FFolder.isEmpty())
        return false;
    if (FLock < 0) {
        const int fd = ::open(QFile::encodeName(LockPath(FFolder)).constData(),
                              O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return false;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return false;
        }
        FLock = fd;
    }
    if (FServer->isListening())
        return true;
    // Holding the lock, whatever stands at the socket's place is a leftover.
    const QString socket = SocketPath(FFolder);
    QLocalServer::removeServer(socket);
    FServer->setSocketOptions(FUserOnly ? QLocalServer::UserAccessOption : QLocalServer::WorldAccessOption);
    return FServer->listen(socket);
}

void TSingleInstance::AcceptConnection()
{
    while (QLocalSocket *socket = FServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!SameUser(*socket)) {
            socket->abort();
            continue;
        }
        auto *limit = new QTimer(socket);
        limit->setSingleShot(true);
        connect(limit, &QTimer::timeout, socket, &QLocalSocket::abort);
        limit->start(RequestTimeLimitMs);
        auto connection = std::make_shared<TConnection>();
        connect(socket, &QLocalSocket::readyRead, this,
                [this, socket, connection] { ReadRequest(*socket, *connection); });
        if (socket->bytesAvailable() > 0)
            ReadRequest(*socket, *connection);
    }
}

void TSingleInstance::ReadRequest(QLocalSocket &socket, TConnection &connection)
{
    if (connection.Stage == TConnection::TStage::Request) {
        if (socket.bytesAvailable() > MaxRequestBytes) {
            socket.abort();
            return;
        }
        QDataStream in(&socket);
        in.setVersion(StreamVersion);
        in.startTransaction();
        quint32 tag = 0;
        QStringList files;
        in >> tag >> files;
        if (!in.commitTransaction()) {
            // Incomplete: wait for the rest, unless what came is not a request at all.
            if (in.status() != QDataStream::ReadPastEnd)
                socket.abort();
            return;
        }
        if (tag != RequestTag) {
            socket.abort();
            return;
        }
        connection.Files = files;
        connection.Stage = TConnection::TStage::Confirmation;
        socket.putChar(Ready);
        socket.flush();
    }
    if (connection.Stage != TConnection::TStage::Confirmation || socket.bytesAvailable() < 1)
        return;
    char answer = 0;
    if (!socket.getChar(&answer) || answer != Confirm) {
        socket.abort();
        return;
    }
    connection.Stage = TConnection::TStage::Done;
    socket.putChar(Ack);
    socket.flush();
    socket.disconnectFromServer();
    emit FilesReceived(connection.Files);
}

} // namespace zarvik
