#pragma once

#include "app/PreviewPages.h"

#include <QAbstractHttpServer>
#include <QByteArray>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zarvik {

// A web server on 127.0.0.1 that serves a site's pages and style sheet, rendered at the moment
// they are asked for, to the local browser and nobody else:
// - every address starts with a path prefix of 128 random bits, so other users of the machine,
//   who can reach the port, cannot guess where the pages are;
// - a request must name the server itself in its Host header ("127.0.0.1:PORT"), so a web page
//   that points a host name of its own at 127.0.0.1 cannot read the pages through the browser;
// - GET and HEAD only, and only the files the renderer knows; nothing is read from disk.
// It runs on the thread it was made on, on that thread's event loop, and stops listening when it
// is destroyed.
class TPreviewServer : public QAbstractHttpServer
{
    Q_OBJECT

public:
    // Renders the file at a path (UTF-8, relative to the site's folder); nothing when the site
    // has no such file. May throw; the message is sent back with status 500.
    using TRenderer = std::function<std::optional<TPreviewFile>(const std::string &path)>;

    explicit TPreviewServer(TRenderer renderer, QObject *parent = nullptr);

    // Listens on 127.0.0.1 at `port`, or on a free port for 0. Throws EError when the port cannot
    // be had.
    void Start(quint16 port = 0);
    // 0 until started.
    quint16 Port() const { return FPort; }
    // The random part of every address, 32 hexadecimal digits.
    const QByteArray &Prefix() const { return FPrefix; }
    // "http://127.0.0.1:PORT/PREFIX/" followed by `urlPath`, which must be percent-encoded
    // already (see PreviewUrlPath).
    std::string Address(std::string_view urlPath) const;

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    TRenderer FRenderer;
    QByteArray FPrefix;
    quint16 FPort = 0;
};

} // namespace zarvik
