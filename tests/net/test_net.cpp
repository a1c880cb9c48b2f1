// The barcode lookup client against real loopback HTTP and HTTPS servers.
#include "barcodelookup.h"
#include "httpserver.h"
#include "ini.h"
#include "testshop.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QtTest>

using namespace BarcodeLookup;

class TestNet : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void requestUrl_data();
    void requestUrl();
    void addressesFromIni();
    void bodiesArriveAsUtf8_data();
    void bodiesArriveAsUtf8();
    void answerReadWhole_data();
    void answerReadWhole();
    void stuckServerIsBounded_data();
    void stuckServerIsBounded();
    void refusedConnectionIsEmpty();
    void parseSearchAnswer_data();
    void parseSearchAnswer();
    void searchOverTheWire_data();
    void searchOverTheWire();
    void onlyFullCodesAreReported_data();
    void onlyFullCodesAreReported();
    void https_data();
    void https();
    void onlineSeam();

private:
    struct Cert { QSslCertificate cert; QSslKey key; };
    Cert makeCert(const QString &name);
    static void writeIni(const TestShop &shop, const QString &search, const QString &add);
    QTemporaryDir m_certDir;
    Cert m_trusted;
    Cert m_stranger;
};

TestNet::Cert TestNet::makeCert(const QString &name)
{
    const QString key = m_certDir.filePath(name + QStringLiteral(".key"));
    const QString crt = m_certDir.filePath(name + QStringLiteral(".pem"));
    QProcess p;
    p.start(QStringLiteral("openssl"),
            {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
             QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
             QStringLiteral("-keyout"), key, QStringLiteral("-out"), crt, QStringLiteral("-days"), QStringLiteral("30"),
             QStringLiteral("-subj"), QStringLiteral("/CN=localhost"),
             QStringLiteral("-addext"), QStringLiteral("subjectAltName=DNS:localhost,IP:127.0.0.1")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        qFatal("openssl failed: %s", p.readAllStandardError().constData());
    QFile kf(key), cf(crt);
    if (!kf.open(QIODevice::ReadOnly) || !cf.open(QIODevice::ReadOnly))
        qFatal("no certificate files");
    return {QSslCertificate(&cf, QSsl::Pem), QSslKey(&kf, QSsl::Ec, QSsl::Pem)};
}

void TestNet::initTestCase()
{
    QVERIFY(QSslSocket::supportsSsl());
    m_trusted = makeCert(QStringLiteral("trusted"));
    m_stranger = makeCert(QStringLiteral("stranger"));
    QVERIFY(!m_trusted.cert.isNull() && !m_trusted.key.isNull());
    QVERIFY(!m_stranger.cert.isNull() && !m_stranger.key.isNull());
}

void TestNet::init()
{
    setTimeout(5000);
    setOnlineOverride(std::nullopt);
    clearTrustedCertificates();
}

void TestNet::writeIni(const TestShop &shop, const QString &search, const QString &add)
{
    IniFile ini;
    if (!search.isEmpty())
        ini.setValue(QStringLiteral("Services"), QStringLiteral("SEARCH"), search);
    if (!add.isEmpty())
        ini.setValue(QStringLiteral("services"), QStringLiteral("add"), add);
    QVERIFY(ini.save(shop.file(QStringLiteral("zazuvi.ini"))));
}

void TestNet::requestUrl_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("expected");
    QTest::newRow("https on 443") << "https://lookup.example/sh/code/search" << "https://lookup.example:443/sh/code/search";
    QTest::newRow("scheme case ignored") << "HTTPS://Lookup.Example/sh/code/search" << "https://lookup.example:443/sh/code/search";
    QTest::newRow("http on 80") << "http://lookup.example/sh/code/add" << "http://lookup.example:80/sh/code/add";
    QTest::newRow("other schemes are http") << "ftp://lookup.example/x" << "http://lookup.example:80/x";
    QTest::newRow("no scheme is http") << "lookup.example/sh/code/add" << "http://lookup.example:80/sh/code/add";
    QTest::newRow("port in the URL wins") << "http://127.0.0.1:8080/p" << "http://127.0.0.1:8080/p";
    QTest::newRow("query dropped") << "https://h.example/p?a=1#f" << "https://h.example:443/p";
    QTest::newRow("empty path") << "http://h.example" << "http://h.example:80/";
    QTest::newRow("no host") << "http:///p" << "";
    QTest::newRow("empty") << "" << "";
}

void TestNet::requestUrl()
{
    QFETCH(QString, url);
    QFETCH(QString, expected);
    const QUrl u = BarcodeLookup::requestUrl(url);
    QCOMPARE(u.isValid() ? u.toString() : QString(), expected);
}

void TestNet::addressesFromIni()
{
    TestShop shop;
    QCOMPARE(searchUrl(), ZazuviIni::defaultSearchUrl());
    QCOMPARE(addUrl(), ZazuviIni::defaultAddUrl());
    QVERIFY(ZazuviIni::defaultSearchUrl().startsWith(QStringLiteral("https://")));
    QVERIFY(ZazuviIni::defaultSearchUrl().endsWith(QStringLiteral("/sh/code/search")));
    QVERIFY(ZazuviIni::defaultAddUrl().endsWith(QStringLiteral("/sh/code/add")));
    writeIni(shop, QStringLiteral("https://a.example/sh/code/search"), QString());
    QCOMPARE(searchUrl(), QStringLiteral("https://a.example/sh/code/search"));
    QCOMPARE(addUrl(), ZazuviIni::defaultAddUrl());
}

void TestNet::bodiesArriveAsUtf8_data()
{
    QTest::addColumn<bool>("isAdd");
    QTest::addColumn<QString>("barcode");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("guige");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("search, code trimmed") << false << " 6901234567892 " << "" << ""
        << QByteArray("/sh/code/search") << QByteArray(R"({"barcode":"6901234567892"})");
    QTest::newRow("add, keys in order") << true << "6901234567892" << " 康师傅红烧牛肉面 " << " 105g×5包 "
        << QByteArray("/sh/code/add")
        << QByteArray(R"({"barcode":"6901234567892","name":"康师傅红烧牛肉面","unit":"","guige":"105g×5包","pym":""})");
    QTest::newRow("add, quotes escaped") << true << "69012345678920" << "\"特价\"\\装\n" << "1\t2"
        << QByteArray("/sh/code/add")
        << QByteArray(R"({"barcode":"69012345678920","name":"\"特价\"\\装","unit":"","guige":"1\t2","pym":""})");
}

void TestNet::bodiesArriveAsUtf8()
{
    QFETCH(bool, isAdd);
    QFETCH(QString, barcode);
    QFETCH(QString, name);
    QFETCH(QString, guige);
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, body);
    TestShop shop;
    HttpServer server;
    server.setAnswer(R"({"success":false})");
    writeIni(shop, server.url(QStringLiteral("/sh/code/search")), server.url(QStringLiteral("/sh/code/add")));
    if (isAdd)
        QVERIFY(add(barcode, name, guige));
    else
        QVERIFY(search(barcode).valid);
    QCOMPARE(server.requests().size(), 1);
    const ReceivedRequest r = server.requests().first();
    QCOMPARE(r.method, QByteArray("POST"));
    QCOMPARE(r.path, path);
    QCOMPARE(r.version, QByteArray("HTTP/1.1"));
    QCOMPARE(r.header("User-Agent"), QByteArray("vurazev"));
    QCOMPARE(r.body, body);
    QCOMPARE(r.header("Content-Length").toLongLong(), body.size());
    // The body is a JSON object that reads back to the same text.
    QVERIFY(QJsonDocument::fromJson(r.body).isObject());
}

void TestNet::answerReadWhole_data()
{
    QTest::addColumn<int>("framing");
    QTest::addColumn<int>("size");
    for (int size : {40, 200 * 1024}) {
        QTest::addRow("length %d", size) << int(HttpServer::Framing::Length) << size;
        QTest::addRow("chunked %d", size) << int(HttpServer::Framing::Chunked) << size;
        QTest::addRow("until close %d", size) << int(HttpServer::Framing::Close) << size;
    }
}

void TestNet::answerReadWhole()
{
    QFETCH(int, framing);
    QFETCH(int, size);
    // Three-byte characters, so chunk and read boundaries fall inside characters.
    QString text;
    while (text.toUtf8().size() < size)
        text += QStringLiteral("条码%1;").arg(text.size());
    HttpServer server;
    server.setAnswer(text.toUtf8(), 200, HttpServer::Framing(framing));
    const QString answer = postText(server.url(QStringLiteral("/big")), QStringLiteral("{}"));
    QCOMPARE(answer.size(), text.size());
    QCOMPARE(answer, text);
}

void TestNet::stuckServerIsBounded_data()
{
    QTest::addColumn<int>("behaviour");
    QTest::newRow("never answers") << int(HttpServer::Behaviour::Silent);
    QTest::newRow("stops inside the answer") << int(HttpServer::Behaviour::StallBody);
}

void TestNet::stuckServerIsBounded()
{
    QFETCH(int, behaviour);
    HttpServer server;
    server.setAnswer(R"({"success":true,"name":"x"})");
    server.setBehaviour(HttpServer::Behaviour(behaviour));
    setTimeout(300);
    QElapsedTimer t;
    t.start();
    QCOMPARE(postText(server.url(QStringLiteral("/sh/code/search")), QStringLiteral("{}")), QString());
    // Bounded by the time-out, not by the server (generous margin for a loaded machine).
    QVERIFY2(t.elapsed() < 20000, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(server.requests().size(), 1);
    // The next request works again.
    server.setBehaviour(HttpServer::Behaviour::Answer);
    setTimeout(5000);
    QCOMPARE(postText(server.url(QStringLiteral("/sh/code/search")), QStringLiteral("{}")),
             QStringLiteral(R"({"success":true,"name":"x"})"));
}

void TestNet::refusedConnectionIsEmpty()
{
    quint16 port = 0;
    {
        HttpServer closed;
        port = closed.serverPort();
    }
    QCOMPARE(postText(QStringLiteral("http://127.0.0.1:%1/sh/code/search").arg(port), QStringLiteral("{}")), QString());
    QCOMPARE(postText(QStringLiteral("not a url at all://"), QStringLiteral("{}")), QString());
}

void TestNet::parseSearchAnswer_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("known");
    QTest::addColumn<QString>("name");
    QTest::newRow("known") << R"({"success":true,"name":"农夫山泉 550ml","extra":1})" << true << true << "农夫山泉 550ml";
    QTest::newRow("unknown") << R"({"success":false})" << true << false << "";
    QTest::newRow("unknown with name") << R"({"success":false,"name":" 猜的 "})" << true << false << "猜的";
    QTest::newRow("success as text") << R"({"success":"true","name":"x"})" << true << false << "x";
    QTest::newRow("success as 1") << R"({"success":1})" << true << false << "";
    QTest::newRow("name not a string") << R"({"success":true,"name":123})" << true << true << "";
    QTest::newRow("byte order mark") << QString(QChar(0xFEFF)) + R"( {"success":true,"name":"可乐"})" << true << true << "可乐";
    QTest::newRow("no success") << R"({"name":"x"})" << false << false << "";
    QTest::newRow("array") << R"([{"success":true}])" << false << false << "";
    QTest::newRow("empty") << "" << false << false << "";
    QTest::newRow("error page") << "<html><body>502 Bad Gateway</body></html>" << false << false << "";
    QTest::newRow("cut short") << R"({"success":true,"na)" << false << false << "";
}

void TestNet::parseSearchAnswer()
{
    QFETCH(QString, answer);
    QFETCH(bool, valid);
    QFETCH(bool, known);
    QFETCH(QString, name);
    const SearchAnswer a = BarcodeLookup::parseSearchAnswer(answer);
    QCOMPARE(a.valid, valid);
    QCOMPARE(a.known, known);
    QCOMPARE(a.name, name);
}

void TestNet::searchOverTheWire_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("known");
    QTest::newRow("known") << 200 << QByteArray(R"({"success":true,"name":"王老吉"})") << true << true;
    QTest::newRow("unknown") << 200 << QByteArray(R"({"success":false})") << true << false;
    QTest::newRow("server error page") << 500 << QByteArray("<h1>Internal Server Error</h1>") << false << false;
    QTest::newRow("not found page") << 404 << QByteArray("Not Found") << false << false;
    QTest::newRow("garbage") << 200 << QByteArray("\x01\x02\xff garbage") << false << false;
}

void TestNet::searchOverTheWire()
{
    QFETCH(int, status);
    QFETCH(QByteArray, answer);
    QFETCH(bool, valid);
    QFETCH(bool, known);
    TestShop shop;
    HttpServer server;
    server.setAnswer(answer, status);
    writeIni(shop, server.url(QStringLiteral("/sh/code/search")), QString());
    const SearchAnswer a = search(QStringLiteral("6920202888883"));
    QCOMPARE(a.valid, valid);
    QCOMPARE(a.known, known);
    QCOMPARE(a.name, known ? QStringLiteral("王老吉") : QString());
    QCOMPARE(server.requests().size(), 1);
    // The error page itself is handed back, as the server sent it.
    if (status != 200)
        QCOMPARE(postText(searchUrl(), QStringLiteral("{}")), QString::fromUtf8(answer));
}

void TestNet::onlyFullCodesAreReported_data()
{
    QTest::addColumn<QString>("barcode");
    QTest::addColumn<bool>("reported");
    QTest::newRow("12") << "690123456789" << false;
    QTest::newRow("13") << "6901234567892" << true;
    QTest::newRow("14") << "16901234567899" << true;
    QTest::newRow("15") << "169012345678990" << false;
    QTest::newRow("13 with blanks") << "  6901234567892 " << true;
    QTest::newRow("empty") << "" << false;
}

void TestNet::onlyFullCodesAreReported()
{
    QFETCH(QString, barcode);
    QFETCH(bool, reported);
    TestShop shop;
    HttpServer server;
    writeIni(shop, server.url(QStringLiteral("/sh/code/search")), server.url(QStringLiteral("/sh/code/add")));
    QCOMPARE(isReportable(barcode), reported);
    QCOMPARE(add(barcode, QStringLiteral("名"), QString()), reported);
    QCOMPARE(server.requests().size(), reported ? 1 : 0);
    // A short code may still be looked up.
    if (!barcode.isEmpty()) {
        search(barcode);
        QCOMPARE(server.requests().last().path, QByteArray("/sh/code/search"));
    }
}

void TestNet::https_data()
{
    QTest::addColumn<bool>("serverIsTrusted");
    QTest::addColumn<bool>("trustAnything");
    QTest::newRow("trusted certificate") << true << true;
    QTest::newRow("another self-signed certificate") << false << true;
    QTest::newRow("no extra trust") << true << false;
}

void TestNet::https()
{
    QFETCH(bool, serverIsTrusted);
    QFETCH(bool, trustAnything);
    HttpServer server;
    const Cert &c = serverIsTrusted ? m_trusted : m_stranger;
    server.useTls(c.cert, c.key);
    server.setAnswer(R"({"success":true,"name":"安全"})");
    if (trustAnything)
        addTrustedCertificates({m_trusted.cert});
    const QString url = server.url(QStringLiteral("/sh/code/search"));
    QVERIFY(url.startsWith(QStringLiteral("https://")));
    const QString answer = postText(url, QStringLiteral(R"({"barcode":"1"})"));
    const bool works = serverIsTrusted && trustAnything;
    QCOMPARE(answer, works ? QStringLiteral(R"({"success":true,"name":"安全"})") : QString());
    QCOMPARE(server.connections(), 1);
    // A refused certificate means nothing was sent.
    QCOMPARE(server.requests().size(), works ? 1 : 0);
    if (works) {
        QCOMPARE(server.requests().first().header("User-Agent"), QByteArray("vurazev"));
        QCOMPARE(server.requests().first().body, QByteArray(R"({"barcode":"1"})"));
    }
    // Plain HTTP to a TLS port is not an answer either.
    QString plain = url;
    plain.replace(QStringLiteral("https://"), QStringLiteral("http://"));
    QCOMPARE(postText(plain, QStringLiteral("{}")), QString());
}

void TestNet::onlineSeam()
{
    setOnlineOverride(true);
    QVERIFY(Checkonline());
    setOnlineOverride(false);
    QVERIFY(!Checkonline());
    setOnlineOverride(std::nullopt);
    // The machine's own state: no fixed answer, but asking twice agrees.
    QCOMPARE(Checkonline(), Checkonline());
}

QTEST_MAIN(TestNet)
#include "test_net.moc"
