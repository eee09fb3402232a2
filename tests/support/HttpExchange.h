#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QUrl>

#include <string>

namespace zarvik::test {

// One answer of a web server, split up; Status 0 when no complete answer came.
struct THttpReply
{
    int Status = 0;
    QByteArray Headers;
    QByteArray Body;
    // Whether the connection itself was refused.
    bool Refused = false;

    // The value of a header (name in any case), empty when it is absent.
    QByteArray Header(const QByteArray &name) const
    {
        for (const QByteArray &line : Headers.split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
                return line.mid(colon + 1).trimmed();
        }
        return {};
    }
};

// Sends `request` as it stands to 127.0.0.1:`port` and reads one answer, running the event loop
// meanwhile so that a server on this thread can answer. A HEAD answer ends with its headers.
inline THttpReply HttpExchange(quint16 port, const QByteArray &request, bool head = false)
{
    THttpReply reply;
    QTcpSocket socket;
    QByteArray data;
    bool failed = false;
    QObject::connect(&socket, &QTcpSocket::connected, &socket, [&] { socket.write(request); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [&] { data += socket.readAll(); });
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &socket, [&](QAbstractSocket::SocketError error) {
        failed = true;
        reply.Refused = error == QAbstractSocket::ConnectionRefusedError;
    });
    socket.connectToHost(QHostAddress::LocalHost, port);
    const auto complete = [&] {
        const qsizetype end = data.indexOf("\r\n\r\n");
        if (end < 0)
            return false;
        reply.Headers = data.left(end);
        const QByteArray length = reply.Header("Content-Length");
        const qsizetype size = head || length.isEmpty() ? 0 : length.toLongLong();
        if (data.size() < end + 4 + size)
            return false;
        reply.Body = data.mid(end + 4, size);
        reply.Status = data.mid(9, 3).toInt();
        return true;
    };
    const QDeadlineTimer deadline(5000);
    while (!complete() && !failed && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return reply;
}

// GET (or HEAD) of an http://127.0.0.1:PORT/... address, with the Host header a browser sends.
inline THttpReply HttpGet(const std::string &address, const QByteArray &method = "GET")
{
    const QUrl url(QString::fromStdString(address));
    const QByteArray request = method + ' ' + url.path(QUrl::FullyEncoded).toLatin1() +
                               " HTTP/1.1\r\nHost: " + url.host().toLatin1() + ':' +
                               QByteArray::number(url.port()) + "\r\nConnection: close\r\n\r\n";
    return HttpExchange(static_cast<quint16>(url.port()), request, method == "HEAD");
}

} // namespace zarvik::test
