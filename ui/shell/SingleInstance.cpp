#include "ui/shell/SingleInstance.h"

#include <QDataStream>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace zarvik {

namespace {

// A request: this tag, then the files as a QStringList; the answer is the one byte Ack.
constexpr quint32 RequestTag = 0x5a525631; // "ZRV1"
constexpr char Ack = 'K';
// No sane list of files is larger; a bigger request is dropped unread.
constexpr qint64 MaxRequestBytes = 4 * 1024 * 1024;

constexpr QDataStream::Version StreamVersion = QDataStream::Qt_6_0;

} // namespace

QString TSingleInstance::DefaultName()
{
    return u"zarvik-"_s + QString::number(::getuid());
}

bool TSingleInstance::HandOver(const QString &name, const QStringList &files, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QByteArray request;
    {
        QDataStream out(&request, QIODevice::WriteOnly);
        out.setVersion(StreamVersion);
        out << RequestTag << files;
    }
    socket.write(request);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == Ack;
}

TSingleInstance::TSingleInstance(const QString &name, QObject *parent)
    : QObject(parent)
    , FName(name)
    , FServer(new QLocalServer(this))
{
    // Only the user's own processes may hand files over.
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(FServer, &QLocalServer::newConnection, this, &TSingleInstance::AcceptConnection);
}

TSingleInstance::~TSingleInstance() = default;

bool TSingleInstance::Listening() const
{
    return FServer->isListening();
}

bool TSingleInstance::Listen()
{
    // A running program keeps its name. Listening would not notice it: a socket restricted to
    // the user is put in place by a rename, which replaces whatever is there.
    QLocalSocket probe;
    probe.connectToServer(FName);
    if (probe.waitForConnected(1000)) {
        probe.abort();
        return false;
    }
    if (FServer->listen(FName))
        return true;
    if (FServer->serverError() != QAbstractSocket::AddressInUseError)
        return false;
    // The name is held by a socket that a program which ended abnormally left behind.
    QLocalServer::removeServer(FName);
    return FServer->listen(FName);
}

void TSingleInstance::AcceptConnection()
{
    while (QLocalSocket *socket = FServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadRequest(socket); });
        if (socket->bytesAvailable() > 0)
            ReadRequest(socket);
    }
}

void TSingleInstance::ReadRequest(QLocalSocket *socket)
{
    if (socket->bytesAvailable() > MaxRequestBytes) {
        socket->abort();
        return;
    }
    QDataStream in(socket);
    in.setVersion(StreamVersion);
    in.startTransaction();
    quint32 tag = 0;
    QStringList files;
    in >> tag >> files;
    if (!in.commitTransaction()) {
        // Incomplete: wait for the rest, unless what came is not a request at all.
        if (in.status() != QDataStream::ReadPastEnd)
            socket->abort();
        return;
    }
    if (tag != RequestTag) {
        socket->abort();
        return;
    }
    socket->putChar(Ack);
    socket->flush();
    socket->disconnectFromServer();
    emit FilesReceived(files);
}

} // namespace zarvik
