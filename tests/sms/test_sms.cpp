// The gateway client against a real smsgw process on loopback.
#include "smsclient.h"
#include "smsproto.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString AccountsText = u"# test accounts\n"
                             u"shop\t806\t35\n"
                             u"rich\tpw\t100000\n"_s;

// smsgw over the files of one folder; start() again after stop() is a restart.
class GatewayProcess {
public:
    explicit GatewayProcess(const QString &dir) : m_dir(dir) {}
    ~GatewayProcess() { stop(); }

    bool start(quint16 port = 0)
    {
        m_process = std::make_unique<QProcess>();
        m_process->setProgram(qEnvironmentVariable("ZAZUVI_BIN") + u"/smsgw"_s);
        m_process->setArguments({u"--listen"_s, u"127.0.0.1:"_s + QString::number(port),
                                 u"--accounts"_s, accounts(), u"--spool"_s, spool(),
                                 u"--banned"_s, m_dir + u"/banned.txt"_s});
        m_process->start();
        if (!m_process->waitForStarted(5000))
            return false;
        QDeadlineTimer deadline(10000);
        while (!m_process->canReadLine()) {
            if (!m_process->waitForReadyRead(int(deadline.remainingTime()))) {
                qWarning("smsgw: %s", m_process->readAllStandardError().constData());
                return false;
            }
        }
        static const QRegularExpression re(u"^smsgw listening on 127\\.0\\.0\\.1:(\\d+)\\n$"_s);
        const auto m = re.match(QString::fromUtf8(m_process->readLine()));
        m_port = m.hasMatch() ? quint16(m.captured(1).toUInt()) : 0;
        return m_port != 0;
    }
    void stop()
    {
        if (!m_process)
            return;
        m_process->terminate();
        if (!m_process->waitForFinished(5000))
            m_process->kill();
        m_process->waitForFinished(5000);
        m_process.reset();
    }
    qint64 pid() const { return m_process ? m_process->processId() : 0; }
    quint16 port() const { return m_port; }
    QString address() const { return u"127.0.0.1:"_s + QString::number(m_port); }
    QString accounts() const { return m_dir + u"/accounts.txt"_s; }
    QString spool() const { return m_dir + u"/spool.txt"_s; }

private:
    QString m_dir;
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
};

void writeFile(const QString &path, const QString &text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
}

QString readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// A port nothing listens on.
quint16 deadPort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

int login(SmsClient &c, const QString &address, const QString &account, const QString &password)
{
    return c.SkInit(address, account, password, 0, QString(), 0, QString(), QString());
}

struct SendResult {
    int code = 0;
    QByteArray accepted;
    QByteArray refused;
};

SendResult send(SmsClient &c, const QString &numbers, const QString &text, int size = 200)
{
    QByteArray accepted(size, '\0'), refused(size, '\0');
    int acceptedBytes = size, refusedBytes = size;
    SendResult r;
    r.code = c.SkMultiSend(101, QString(), QString(), numbers, text, accepted, refused,
                           acceptedBytes, refusedBytes);
    r.accepted = accepted.left(acceptedBytes);
    r.refused = refused.left(refusedBytes);
    if (accepted.size() != size || refused.size() != size)
        qWarning("buffer resized");
    return r;
}

qint32 balance(SmsClient &c)
{
    qint32 b = -12345;
    const int r = c.SkQueryAccu(b);
    return r == 0 ? b : -100000 - r;
}

} // namespace

class TestSms : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void lineCodecRoundTrip_data();
    void lineCodecRoundTrip();
    void parseAddresses_data();
    void parseAddresses();

    void login_data();
    void login();
    void checkContent_data();
    void checkContent();
    void sendMixedNumbers();
    void sendRefused_data();
    void sendRefused();
    void emptyNumbersOrText_data();
    void emptyNumbersOrText();
    void bufferCutAtWholeNumber();
    void passwordChangeSurvivesRestart();
    void reconnectsAfterGatewayRestart();
    void failover_data();
    void failover();
    void silentGatewayMidSession();
    void protocolErrors_data();
    void protocolErrors();

private:
    void startGateway();
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<GatewayProcess> m_gw;
};

void TestSms::initTestCase()
{
    QVERIFY2(QFile::exists(qEnvironmentVariable("ZAZUVI_BIN") + u"/smsgw"_s),
             "smsgw not found: run through ctest, or set ZAZUVI_BIN to the bin folder");
}

void TestSms::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSms::cleanup()
{
    m_gw.reset();
    m_dir.reset();
}

void TestSms::startGateway()
{
    writeFile(m_dir->filePath(u"accounts.txt"_s), AccountsText);
    writeFile(m_dir->filePath(u"banned.txt"_s), u"# words\n违禁\n  BadWord  \n\n"_s);
    m_gw = std::make_unique<GatewayProcess>(m_dir->path());
    QVERIFY(m_gw->start());
}

void TestSms::lineCodecRoundTrip_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("plain") << QStringList{u"SEND"_s, u"a b"_s} << QByteArray("SEND\ta b\n");
    QTest::newRow("controls") << QStringList{u"x\ty\r\nz"_s} << QByteArray("x\\ty\\r\\nz\n");
    QTest::newRow("backslash n is not a line end")
        << QStringList{u"\\n"_s, u"\\"_s} << QByteArray("\\\\n\t\\\\\n");
    QTest::newRow("utf8 and empty fields")
        << QStringList{u"明天见"_s, QString(), QString()} << QString(u"明天见\t\t\n"_s).toUtf8();
}

void TestSms::lineCodecRoundTrip()
{
    QFETCH(QStringList, fields);
    QFETCH(QByteArray, wire);
    QCOMPARE(Sms::encodeLine(fields), wire);
    QStringList back;
    QVERIFY(Sms::decodeLine(wire, &back));
    QCOMPARE(back, fields);
    wire.insert(wire.size() - 1, '\r');  // CR LF from a telnet user
    QVERIFY(Sms::decodeLine(wire, &back));
    QCOMPARE(back, fields);
    // Unreadable lines: a bad escape, a lone backslash, bytes that are not UTF-8.
    QVERIFY(!Sms::decodeLine("a\\q\n", &back));
    QVERIFY(!Sms::decodeLine("a\\\n", &back));
    QVERIFY(!Sms::decodeLine("\xff\xfe\n", &back));
}

void TestSms::parseAddresses_data()
{
    using A = SmsClient::Address;
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<A>>("expected");
    QTest::newRow("one") << u"10.0.0.1:80"_s << QList<A>{{u"10.0.0.1"_s, 80}};
    QTest::newRow("default port and blanks")
        << u" gw.example ; 127.0.0.1 : 9901 ;;"_s
        << QList<A>{{u"gw.example"_s, 9900}, {u"127.0.0.1"_s, 9901}};
    QTest::newRow("ipv6") << u"[::1]:9000;::1"_s << QList<A>{{u"::1"_s, 9000}, {u"::1"_s, 9900}};
    QTest::newRow("bad ports left out") << u"a:0;b:70000;c:x;d:1"_s << QList<A>{{u"d"_s, 1}};
    QTest::newRow("empty") << QString() << QList<A>{};
}

void TestSms::parseAddresses()
{
    QFETCH(QString, text);
    QFETCH(QList<SmsClient::Address>, expected);
    QCOMPARE(SmsClient::parseAddresses(text), expected);
}

void TestSms::login_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("code");
    QTest::newRow("right") << u"shop"_s << u"806"_s << 0;
    QTest::newRow("wrong password") << u"shop"_s << u"807"_s << 1001;
    QTest::newRow("password case") << u"rich"_s << u"PW"_s << 1001;
    QTest::newRow("unknown account") << u"nobody"_s << u"806"_s << 1001;
    QTest::newRow("empty") << QString() << QString() << 1001;
}

void TestSms::login()
{
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(int, code);
    startGateway();
    SmsClient c;
    QCOMPARE(::login(c, m_gw->address(), account, password), code);
    QCOMPARE(c.loggedIn(), code == 0);
    if (code == 0) {
        QCOMPARE(balance(c), 35);
        QCOMPARE(c.SkLogout(), 0);
        QVERIFY(!c.loggedIn());
    }
    // Logged out: every call is refused without reaching the gateway.
    qint32 b = 77;
    QCOMPARE(c.SkQueryAccu(b), -1);
    QCOMPARE(b, 77);
    QString why = u"old"_s;
    QCOMPARE(c.SkCheckContent(u"hello"_s, why), -1);
    QVERIFY(why.isEmpty());
    QByteArray acc(20, '\0'), ref(20, '\0');
    int accBytes = 20, refBytes = 20;
    QCOMPARE(c.SkMultiSend(101, QString(), QString(), u"13800000001"_s, u"hi"_s, acc, ref,
                           accBytes, refBytes), -1);
    QCOMPARE(accBytes, 0);
    QCOMPARE(refBytes, 0);
    QCOMPARE(c.SkModifyPwd(u"x"_s), -1);
    QCOMPARE(c.SkLogout(), -1);
    QVERIFY(readFile(m_gw->spool()).isEmpty());
    QCOMPARE(readFile(m_gw->accounts()), AccountsText);
}

void TestSms::checkContent_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("explanationHas");
    QTest::newRow("fine") << u"明天上午十点开门，欢迎光临"_s << 0 << QString();
    QTest::newRow("banned word") << u"这是违禁内容"_s << 7002 << u"违禁"_s;
    QTest::newRow("banned word any case") << u"a badword here"_s << 7002 << u"BadWord"_s;
    QTest::newRow("500 characters") << QString(500, u'字') << 0 << QString();
    QTest::newRow("501 characters") << QString(501, u'字') << 7003 << u"501"_s;
    QTest::newRow("blank") << u" \n "_s << 7004 << u"空"_s;
}

void TestSms::checkContent()
{
    QFETCH(QString, text);
    QFETCH(int, code);
    QFETCH(QString, explanationHas);
    startGateway();
    SmsClient c;
    QCOMPARE(::login(c, m_gw->address(), u"shop"_s, u"806"_s), 0);
    QString explanation = u"stale"_s;
    QCOMPARE(c.SkCheckContent(text, explanation), code);
    if (code == 0)
        QVERIFY(explanation.isEmpty());
    else
        QVERIFY2(explanation.contains(explanationHas), qPrintable(explanation));
    QCOMPARE(balance(c), 35);  // checking is free
}

void TestSms::sendMixedNumbers()
{
    startGateway();
    SmsClient c;
    QCOMPARE(::login(c, m_gw->address(), u"rich"_s, u"pw"_s), 0);
    const QString text = u"您好\n明天\t见 \\n"_s;  // line break, tab and a backslash survive
    const SendResult r = send(c, u"13800000001\r\n12345\n\n 13900000002 \nabcdefghijk\n1380000000x"_s, text);
    QCOMPARE(r.code, 7061);
    QCOMPARE(r.accepted, QByteArray("13800000001\n13900000002"));
    QCOMPARE(r.refused, QByteArray("12345\nabcdefghijk\n1380000000x"));
    QCOMPARE(balance(c), 100000 - 20);

    const QStringList lines = readFile(m_gw->spool()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    for (int i = 0; i < 2; ++i) {
        QStringList f;
        QVERIFY(Sms::decodeLine(lines.at(i).toUtf8(), &f));
        QCOMPARE(f.size(), 4);
        QVERIFY(QDateTime::fromString(f.at(0), Qt::ISODate).isValid());
        QCOMPARE(f.at(1), u"rich"_s);
        QCOMPARE(f.at(2), i == 0 ? u"13800000001"_s : u"13900000002"_s);
        QCOMPARE(f.at(3), text);
    }

    const SendResult ok = send(c, u"13800000001\n17000000002\n"_s, u"到货了"_s);
    QCOMPARE(ok.code, 0);
    QCOMPARE(ok.accepted, QByteArray("13800000001\n17000000002"));
    QCOMPARE(ok.refused, QByteArray());
    QCOMPARE(balance(c), 100000 - 40);
    QCOMPARE(readFile(m_gw->spool()).count(u'\n'), 4);
    QVERIFY(readFile(m_gw->accounts()).contains(u"rich\tpw\t99960\n"_s));
}

void TestSms::sendRefused_data()
{
    QTest::addColumn<QString>("numbers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("accepted");
    QTest::addColumn<int>("balanceAfter");
    const QString four = u"13800000001\n13800000002\n13800000003\n13800000004"_s;
    // shop holds 35 tenths: three messages.
    QTest::newRow("banned word") << u"13800000001\n123"_s << u"违禁"_s << 7001 << QByteArray() << 35;
    QTest::newRow("text too long") << u"13800000001"_s << QString(501, u'a') << 7001 << QByteArray() << 35;
    QTest::newRow("no mobile number") << u"010-1234567\n23800000001"_s << u"hi"_s << 7061 << QByteArray() << 35;
    QTest::newRow("balance too low") << four << u"hi"_s << 7071 << QByteArray() << 35;
    QTest::newRow("balance just enough") << four.left(35) << u"hi"_s << 0
                                         << four.left(35).toUtf8() << 5;
}

void TestSms::sendRefused()
{
    QFETCH(QString, numbers);
    QFETCH(QString, text);
    QFETCH(int, code);
    QFETCH(QByteArray, accepted);
    QFETCH(int, balanceAfter);
    startGateway();
    SmsClient c;
    QCOMPARE(::login(c, m_gw->address(), u"shop"_s, u"806"_s), 0);
    const SendResult r = send(c, numbers, text);
    QCOMPARE(r.code, code);
    QCOMPARE(r.accepted, accepted);
    // Whatever was not sent is listed as refused.
    QCOMPARE(r.refused, code == 0 ? QByteArray() : numbers.toUtf8());
    QCOMPARE(balance(c), balanceAfter);
    QCOMPARE(readFile(m_gw->spool()).count(u'\n'), accepted.isEmpty() ? 0 : 3);
}

void TestSms::emptyNumbersOrText_data()
{
    QTest::addColumn<QString>("numbers");
    QTest::addColumn<QString>("text");
    QTest::newRow("no numbers") << QString() << u"hi"_s;
    QTest::newRow("blank lines") << u"\n \r\n\t"_s << u"hi"_s;
    QTest::newRow("no text") << u"13800000001"_s << QString();
    QTest::newRow("blank text") << u"13800000001"_s << u" \r\n "_s;
}

void TestSms::emptyNumbersOrText()
{
    QFETCH(QString, numbers);
    QFETCH(QString, text);
    startGateway();
    SmsClient c;
    QCOMPARE(::login(c, m_gw->address(), u"shop"_s, u"806"_s), 0);
    const SendResult r = send(c, numbers, text);
    QCOMPARE(r.code, -2);
    QVERIFY(r.accepted.isEmpty() && r.refused.isEmpty());
    QCOMPARE(balance(c), 35);

    // The gateway says the same to a client that does not check first.
    QTcpSocket raw;
    raw.connectToHost(QHostAddress::LocalHost, m_gw->port());
    QVERIFY(raw.waitForConnected(2000));
    raw.write("LOGIN\tshop\t806\n" + Sms::encodeLine({u"SEND"_s, numbers, text}));
    QStringList reply;
    for (int i = 0; i < 2; ++i) {
        while (!raw.canReadLine())
            QVERIFY(raw.waitForReadyRead(2000));
        QVERIFY(Sms::decodeLine(raw.readLine(), &reply));
    }
    QCOMPARE(reply.value(0), u"-2"_s);
    QCOMPARE(reply.size(), 4);
}

void TestSms::bufferCutAtWholeNumber()
{
    startGateway();
    SmsClient c;
    QCOMPARE(::login(c, m_gw->address(), u"rich"_s, u"pw"_s), 0);
    // Room for two numbers and a part of the third: the part is left out, the rest of
    // the buffer keeps its zeros.
    QByteArray accepted(30, '\0'), refused(1, '\0');
    int acceptedBytes = 30, refusedBytes = 1;
    QCOMPARE(c.SkMultiSend(101, QString(), QString(), u"13800000001\n13800000002\n13800000003\n1"_s,
                           u"hi"_s, accepted, refused, acceptedBytes, refusedBytes), 7061);
    QCOMPARE(acceptedBytes, 23);
    QCOMPARE(accepted, QByteArray("13800000001\n13800000002") + QByteArray(7, '\0'));
    QCOMPARE(refusedBytes, 1);
    QCOMPARE(refused, QByteArray("1"));
    QCOMPARE(balance(c), 100000 - 30);  // all three were sent
}

void TestSms::passwordChangeSurvivesRestart()
{
    startGateway();
    const QString newPassword = u"新 密码\t\\1"_s;
    {
        SmsClient c;
        QCOMPARE(::login(c, m_gw->address(), u"shop"_s, u"806"_s), 0);
        QCOMPARE(c.SkModifyPwd(QString()), 1002);
        QCOMPARE(c.SkModifyPwd(QString(65, u'x')), 1002);
        QCOMPARE(c.SkModifyPwd(newPassword), 0);
        QCOMPARE(send(c, u"13800000001"_s, u"hi"_s).code, 0);
        QCOMPARE(c.SkLogout(), 0);
    }
    m_gw->stop();
    QVERIFY(m_gw->start());
    const QString file = readFile(m_gw->accounts());
    QVERIFY(file.startsWith(u"# test accounts\n"_s));
    QVERIFY(file.contains(u"rich\tpw\t100000\n"_s));

    SmsClient c;
    QCOMPARE(::login(c, m_gw->address(), u"shop"_s, u"806"_s), 1001);
    QCOMPARE(::login(c, m_gw->address(), u"shop"_s, newPassword), 0);
    QCOMPARE(balance(c), 25);
}

void TestSms::reconnectsAfterGatewayRestart()
{
    startGateway();
    SmsClient c;
    c.setTimeouts(1000, 1000);
    QCOMPARE(::login(c, m_gw->address(), u"shop"_s, u"806"_s), 0);
    const quint16 port = m_gw->port();
    m_gw->stop();
    QVERIFY(m_gw->start(port));
    // The dropped connection is noticed before the request and the login made again.
    QCOMPARE(balance(c), 35);

    m_gw->stop();
    QElapsedTimer t;
    t.start();
    qint32 b = 0;
    QCOMPARE(c.SkQueryAccu(b), -3);
    QVERIFY(t.elapsed() < 3000);
    QVERIFY(!c.lastError().isEmpty());
    QVERIFY(c.loggedIn());  // the gateway may come back
}

void TestSms::failover_data()
{
    QTest::addColumn<QString>("first");  // "dead", "silent" or "" (none)
    QTest::addColumn<bool>("second");    // the gateway itself after it
    QTest::addColumn<int>("code");
    QTest::newRow("dead, then gateway") << u"dead"_s << true << 0;
    QTest::newRow("silent, then gateway") << u"silent"_s << true << 0;
    QTest::newRow("dead only") << u"dead"_s << false << -3;
    QTest::newRow("silent only") << u"silent"_s << false << -3;
    QTest::newRow("no address") << QString() << false << -3;
}

void TestSms::failover()
{
    QFETCH(QString, first);
    QFETCH(bool, second);
    QFETCH(int, code);
    startGateway();
    // A listening socket that accepts connections (the kernel does) and never answers.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    QStringList addresses;
    if (first == u"dead"_s)
        addresses += u"127.0.0.1:"_s + QString::number(deadPort());
    else if (first == u"silent"_s)
        addresses += u"127.0.0.1:"_s + QString::number(silent.serverPort());
    if (second)
        addresses += m_gw->address();

    SmsClient c;
    c.setTimeouts(500, 500);
    QElapsedTimer t;
    t.start();
    QCOMPARE(::login(c, addresses.join(u';'), u"shop"_s, u"806"_s), code);
    QVERIFY2(t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(c.loggedIn(), code == 0);
    if (code == 0)
        QCOMPARE(balance(c), 35);
    else
        QVERIFY(!c.lastError().isEmpty());
}

void TestSms::silentGatewayMidSession()
{
    startGateway();
    SmsClient c;
    c.setTimeouts(500, 500);
    QCOMPARE(::login(c, m_gw->address(), u"shop"_s, u"806"_s), 0);
    ::kill(pid_t(m_gw->pid()), SIGSTOP);
    QElapsedTimer t;
    t.start();
    const int r = send(c, u"13800000001"_s, u"hi"_s).code;
    const qint64 waited = t.elapsed();
    ::kill(pid_t(m_gw->pid()), SIGCONT);
    QCOMPARE(r, -3);
    QVERIFY2(waited < 3000, qPrintable(QString::number(waited)));
    // The late reply of the lost request does not pass for the next one's.
    QTest::qWait(200);
    QCOMPARE(balance(c), 25);
}

void TestSms::protocolErrors_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("reply");
    QTest::newRow("needs login") << QByteArray("BALANCE\n") << u"-1\t未登录"_s;
    QTest::newRow("unknown command") << QByteArray("HELLO\n") << u"9002\t无法识别的请求"_s;
    QTest::newRow("missing field") << QByteArray("LOGIN\tshop\n") << u"9002\t无法识别的请求"_s;
    QTest::newRow("bad escape") << QByteArray("LOGIN\tshop\t8\\06\n") << u"9002\t无法识别的请求"_s;
    QTest::newRow("crlf and login") << QByteArray("LOGIN\tshop\t806\r\n") << u"0"_s;
}

void TestSms::protocolErrors()
{
    QFETCH(QByteArray, request);
    QFETCH(QString, reply);
    startGateway();
    QTcpSocket raw;
    raw.connectToHost(QHostAddress::LocalHost, m_gw->port());
    QVERIFY(raw.waitForConnected(2000));
    raw.write(request + "LOGOUT\n");
    QByteArray got;
    while (raw.state() == QAbstractSocket::ConnectedState && raw.waitForReadyRead(2000))
        got += raw.readAll();
    got += raw.readAll();
    // One reply line per request, and LOGOUT ends the connection.
    QCOMPARE(QString::fromUtf8(got), reply + u"\n0\n"_s);
    QCOMPARE(raw.state(), QAbstractSocket::UnconnectedState);
}

QTEST_GUILESS_MAIN(TestSms)
#include "test_sms.moc"
