#include "preview/PreviewServer.h"

#include "engine/Cp1251.h"
#include "engine/Error.h"
#include "tests/support/HttpExchange.h"

#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>

#include <map>
#include <memory>
#include <string>

namespace zarvik::test {

using namespace Qt::StringLiterals;

class PreviewServerTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { FServer.reset(); }

    void servesTheKnownFilesWithTheirTypes();
    void headSendsTheHeadersOnly();
    void refusesEverythingElse_data();
    void refusesEverythingElse();
    void aFailedRenderingIsAnError();
    void prefixesAreRandomAndPortsExclusive();
    void stopsListeningWhenDestroyed();

private:
    QByteArray Base() const { return '/' + FServer->Prefix() + '/'; }
    QByteArray Host() const { return "127.0.0.1:" + QByteArray::number(FServer->Port()); }
    THttpReply Send(const QByteArray &method, const QByteArray &path, const QByteArray &host)
    {
        return HttpExchange(FServer->Port(), method + ' ' + path + " HTTP/1.1\r\nHost: " + host +
                                                 "\r\nConnection: close\r\n\r\n");
    }

    std::map<std::string, TPreviewFile> FFiles;
    std::vector<std::string> FAsked;
    std::unique_ptr<TPreviewServer> FServer;
};

void PreviewServerTest::init()
{
    FFiles = {
        {"index.html", {"<p>index</p>", "text/html; charset=windows-1251"}},
        {"style.css", {"body{}", "text/css; charset=windows-1251"}},
        {Cp1251ToUtf8("\xEE\xE3\xF3\xF0\xF6\xFB/a b.html"), {"deep", "text/html; charset=koi8-r"}},
    };
    FAsked.clear();
    FServer =
        std::make_unique<TPreviewServer>([this](const std::string &path) -> std::optional<TPreviewFile> {
            FAsked.push_back(path);
            if (path == "broken.html")
                throw EError("Cannot open file \"x\". No such file or directory");
            const auto found = FFiles.find(path);
            return found == FFiles.end() ? std::nullopt : std::optional<TPreviewFile>(found->second);
        });
    FServer->Start();
    QVERIFY(FServer->Port() != 0);
}

void PreviewServerTest::servesTheKnownFilesWithTheirTypes()
{
    THttpReply index = HttpGet(FServer->Address("index.html"));
    QCOMPARE(index.Status, 200);
    QCOMPARE(index.Body, "<p>index</p>"_ba);
    QCOMPARE(index.Header("Content-Type"), "text/html; charset=windows-1251"_ba);
    QCOMPARE(index.Header("Cache-Control"), "no-store"_ba);
    QCOMPARE(index.Header("Referrer-Policy"), "no-referrer"_ba);

    const THttpReply css = HttpGet(FServer->Address("style.css"));
    QCOMPARE(css.Body, "body{}"_ba);
    QCOMPARE(css.Header("Content-Type"), "text/css; charset=windows-1251"_ba);

    // A Cyrillic folder and a space, percent-encoded as a browser sends them.
    const THttpReply deep = HttpGet(FServer->Address("%D0%BE%D0%B3%D1%83%D1%80%D1%86%D1%8B/a%20b.html"));
    QCOMPARE(deep.Status, 200);
    QCOMPARE(deep.Body, "deep"_ba);
    QCOMPARE(deep.Header("Content-Type"), "text/html; charset=koi8-r"_ba);
    QCOMPARE(FAsked.back(), Cp1251ToUtf8("\xEE\xE3\xF3\xF0\xF6\xFB/a b.html"));
}

void PreviewServerTest::headSendsTheHeadersOnly()
{
    const THttpReply reply = HttpGet(FServer->Address("index.html"), "HEAD");
    QCOMPARE(reply.Status, 200);
    QCOMPARE(reply.Header("Content-Length"), "12"_ba);
    QVERIFY(reply.Body.isEmpty());
}

void PreviewServerTest::refusesEverythingElse_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<int>("status");
    // "@" stands for the server's own prefix and "#" for its own host.
    QTest::newRow("unknown page") << "GET"_ba
                                  << "@nope.html"_ba
                                  << "#"_ba << 404;
    QTest::newRow("prefix alone") << "GET"_ba
                                  << "@"_ba
                                  << "#"_ba << 404;
    QTest::newRow("no prefix") << "GET"_ba
                               << "/index.html"_ba
                               << "#"_ba << 404;
    QTest::newRow("wrong prefix") << "GET"_ba
                                  << "/00000000000000000000000000000000/index.html"_ba
                                  << "#"_ba << 404;
    QTest::newRow("prefix in capitals") << "GET"_ba
                                        << "^index.html"_ba
                                        << "#"_ba << 404;
    QTest::newRow("foreign host") << "GET"_ba
                                  << "@index.html"_ba
                                  << "evil.example"_ba << 403;
    QTest::newRow("host without port") << "GET"_ba
                                       << "@index.html"_ba
                                       << "127.0.0.1"_ba << 403;
    QTest::newRow("localhost") << "GET"_ba
                               << "@index.html"_ba
                               << "localhost:%"_ba << 403;
    QTest::newRow("POST") << "POST"_ba
                          << "@index.html"_ba
                          << "#"_ba << 405;
    QTest::newRow("PUT") << "PUT"_ba
                         << "@index.html"_ba
                         << "#"_ba << 405;
    QTest::newRow("DELETE") << "DELETE"_ba
                            << "@index.html"_ba
                            << "#"_ba << 405;
    QTest::newRow("dot dot") << "GET"_ba
                             << "@../@index.html"_ba
                             << "#"_ba << 400;
    QTest::newRow("encoded dot dot") << "GET"_ba
                                     << "@%2e%2e/etc/passwd"_ba
                                     << "#"_ba << 400;
    QTest::newRow("dot") << "GET"_ba
                         << "@./index.html"_ba
                         << "#"_ba << 400;
}

void PreviewServerTest::refusesEverythingElse()
{
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, host);
    QFETCH(int, status);
    path.replace('@', Base()).replace('^', Base().toUpper());
    host.replace('#', Host()).replace('%', QByteArray::number(FServer->Port()));
    const THttpReply reply = Send(method, path, host);
    QCOMPARE(reply.Status, status);
    QVERIFY(!reply.Body.contains("index"));
    if (status == 405)
        QCOMPARE(reply.Header("Allow"), "GET, HEAD"_ba);
    // Refused requests never reach the renderer, except for a name it does not know.
    QCOMPARE(FAsked.size(), std::size_t(status == 404 && path.startsWith(Base()) && path != Base() ? 1 : 0));
}

void PreviewServerTest::aFailedRenderingIsAnError()
{
    const THttpReply reply = HttpGet(FServer->Address("broken.html"));
    QCOMPARE(reply.Status, 500);
    QCOMPARE(reply.Body, "Cannot open file \"x\". No such file or directory\n"_ba);
    // The server goes on.
    QCOMPARE(HttpGet(FServer->Address("index.html")).Status, 200);
}

void PreviewServerTest::prefixesAreRandomAndPortsExclusive()
{
    QVERIFY(QRegularExpression(u"^[0-9a-f]{32}$"_s).match(QString::fromLatin1(FServer->Prefix())).hasMatch());
    TPreviewServer other([](const std::string &) { return std::nullopt; });
    QVERIFY(other.Prefix() != FServer->Prefix());
    QVERIFY_THROWS_EXCEPTION(EError, other.Start(FServer->Port()));
    QCOMPARE(QByteArray::fromStdString(FServer->Address("a%20b.html")),
             "http://127.0.0.1:" + QByteArray::number(FServer->Port()) + Base() + "a%20b.html");
}

void PreviewServerTest::stopsListeningWhenDestroyed()
{
    const quint16 port = FServer->Port();
    QCOMPARE(HttpGet(FServer->Address("index.html")).Status, 200);
    FServer.reset();
    const THttpReply reply = HttpExchange(port, "GET / HTTP/1.1\r\nHost: x\r\n\r\n");
    QVERIFY(reply.Refused);
}

} // namespace zarvik::test

QTEST_GUILESS_MAIN(zarvik::test::PreviewServerTest)
#include "PreviewServerTest.moc"
