#include "preview/PreviewServer.h"

#include "engine/Cp1251.h"
#include "engine/Error.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QRandomGenerator>
#include <QUrl>

#include <array>
#include <exception>

namespace zarvik {
namespace {

using TStatus = QHttpServerResponder::StatusCode;

constexpr std::size_t PrefixBytes = 16;

QByteArray RandomPrefix()
{
    // The system generator reads the kernel's cryptographic random source.
    std::array<quint32, PrefixBytes / sizeof(quint32)> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    return QByteArray(reinterpret_cast<const char *>(words.data()), PrefixBytes).toHex();
}

// Compares without stopping at the first difference, so the time taken tells nothing about how
// much of a guessed prefix was right.
bool SameBytes(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

// Headers every answer carries: nothing is cached, so a reload shows the model as it is, and the
// address with its prefix is not handed to the sites the pages link to.
void WriteCommonHeaders(QHttpServerResponder &responder)
{
    responder.writeHeader("Cache-Control", "no-store");
    responder.writeHeader("Referrer-Policy", "no-referrer");
    responder.writeHeader("X-Content-Type-Options", "nosniff");
}

void Answer(QHttpServerResponder &responder, TStatus status, const QByteArray &contentType,
            const QByteArray &body, bool withBody, const QByteArray &allow = {})
{
    responder.writeStatusLine(status);
    WriteCommonHeaders(responder);
    if (!allow.isEmpty())
        responder.writeHeader("Allow", allow);
    responder.writeHeader("Content-Type", contentType);
    responder.writeHeader("Content-Length", QByteArray::number(body.size()));
    if (withBody)
        responder.writeBody(body);
    else
        responder.writeBody("", 0);
}

void AnswerText(QHttpServerResponder &responder, TStatus status, const char *text, bool withBody,
                const QByteArray &allow = {})
{
    Answer(responder, status, "text/plain; charset=utf-8", QByteArray(text) + '\n', withBody, allow);
}

bool IsDotSegment(QStringView segment)
{
    return segment == u"." || segment == u"..";
}

} // namespace

TPreviewServer::TPreviewServer(TRenderer renderer, QObject *parent)
    : QAbstractHttpServer(parent)
    , FRenderer(std::move(renderer))
    , FPrefix(RandomPrefix())
{
}

void TPreviewServer::Start(quint16 port)
{
    const quint16 bound = listen(QHostAddress::LocalHost, port);
    if (bound == 0) {
        throw EError(
            Utf8ToCp1251("Не удалось запустить сервер просмотра на 127.0.0.1:" + std::to_string(port)));
    }
    FPort = bound;
}

std::string TPreviewServer::Address(std::string_view urlPath) const
{
    return "http://127.0.0.1:" + std::to_string(FPort) + "/" + FPrefix.toStdString() + "/" +
           std::string(urlPath);
}

bool TPreviewServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    const auto method = request.method();
    const bool head = method == QHttpServerRequest::Method::Head;
    if (method != QHttpServerRequest::Method::Get && !head) {
        AnswerText(responder, TStatus::MethodNotAllowed, "Method not allowed", true, "GET, HEAD");
        return true;
    }
    const QByteArray host = "127.0.0.1:" + QByteArray::number(FPort);
    if (request.value("Host") != host) {
        AnswerText(responder, TStatus::Forbidden, "Forbidden", !head);
        return true;
    }
    const QString path = request.url().path(QUrl::FullyDecoded);
    const auto segments = QStringView(path).split(u'/');
    for (QStringView segment : segments) {
        if (IsDotSegment(segment)) {
            AnswerText(responder, TStatus::BadRequest, "Bad request", !head);
            return true;
        }
    }
    // "/PREFIX/file": an empty first segment, the prefix, then the file's path, which names a
    // file, not a folder.
    const qsizetype fileStart = 1 + FPrefix.size() + 1;
    if (segments.size() < 3 || !segments[0].isEmpty() || !SameBytes(segments[1].toLatin1(), FPrefix) ||
        segments.back().isEmpty()) {
        AnswerText(responder, TStatus::NotFound, "Not found", !head);
        return true;
    }
    try {
        const std::optional<TPreviewFile> file = FRenderer(path.mid(fileStart).toStdString());
        if (!file) {
            AnswerText(responder, TStatus::NotFound, "Not found", !head);
            return true;
        }
        Answer(responder, TStatus::Ok, QByteArray::fromStdString(file->ContentType),
               QByteArray::fromStdString(file->Bytes), !head);
    } catch (const EError &error) {
        Answer(responder, TStatus::InternalServerError, "text/plain; charset=utf-8",
               QByteArray::fromStdString(Cp1251ToUtf8(error.Message()) + "\n"), !head);
    } catch (const std::exception &error) {
        Answer(responder, TStatus::InternalServerError, "text/plain; charset=utf-8",
               QByteArray(error.what()) + '\n', !head);
    }
    return true;
}

void TPreviewServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    AnswerText(responder, TStatus::NotFound, "Not found",
               request.method() != QHttpServerRequest::Method::Head);
}

} // namespace zarvik
