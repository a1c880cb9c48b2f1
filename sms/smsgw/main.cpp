// smsgw: the reference SMS gateway. It keeps accounts and balances in a file, refuses what a
// real gateway would refuse, and "sends" by appending each accepted message to a spool file.
#include "gateway.h"
#include "smsproto.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>

#include <cstdio>

namespace {

// "host:port", "[v6]:port" or "host" (port 9900); "localhost" and "*" are understood.
bool parseListen(const QString &text, QHostAddress *address, quint16 *port)
{
    QString host = text.trimmed();
    QString portText;
    if (host.startsWith(u'[')) {
        const qsizetype close = host.indexOf(u']');
        if (close < 0)
            return false;
        portText = host.mid(close + 1);
        host = host.mid(1, close - 1);
        if (!portText.isEmpty() && !portText.startsWith(u':'))
            return false;
        portText = portText.mid(1);
    } else if (host.count(u':') == 1) {
        portText = host.section(u':', 1);
        host = host.section(u':', 0, 0);
    }
    *port = Sms::DefaultPort;
    if (!portText.isEmpty()) {
        bool ok = false;
        const uint p = portText.toUInt(&ok);
        if (!ok || p > 65535)
            return false;
        *port = quint16(p);
    }
    if (host == QLatin1String("localhost"))
        *address = QHostAddress(QHostAddress::LocalHost);
    else if (host == QLatin1String("*"))
        *address = QHostAddress(QHostAddress::Any);
    else
        *address = QHostAddress(host);
    return !address->isNull();
}

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "smsgw: %s\n", qPrintable(message));
    std::exit(2);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("smsgw"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The reference SMS gateway of the Zazuvi suite (protocol: sms/PROTOCOL.md).\n"
        "Accepted messages are not delivered; each is appended as one line to the spool file.\n"
        "\n"
        "Files (UTF-8):\n"
        "  accounts  one account a line: name<TAB>password<TAB>balance, balance in tenths\n"
        "            of a message; blank lines and lines starting with # are kept as they\n"
        "            are. Rewritten atomically on every charge and password change, so\n"
        "            edit it only while smsgw is stopped.\n"
        "  spool     appended: time<TAB>account<TAB>number<TAB>text, one line a message.\n"
        "            In both, backslash, TAB, CR and LF inside a field are written\n"
        "            \\\\, \\t, \\r and \\n.\n"
        "  banned    one word a line; a text containing one (any letter case) is refused.\n"
        "\n"
        "Every accepted number costs one message (10 tenths). On start smsgw prints\n"
        "\"smsgw listening on HOST:PORT\" with the actual port (use port 0 for any free one)."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption listen(QStringLiteral("listen"),
                                    QStringLiteral("Address to listen on (default 127.0.0.1:9900)."),
                                    QStringLiteral("host:port"), QStringLiteral("127.0.0.1:9900"));
    const QCommandLineOption accounts(QStringLiteral("accounts"),
                                      QStringLiteral("Accounts file (required)."), QStringLiteral("file"));
    const QCommandLineOption spool(QStringLiteral("spool"),
                                   QStringLiteral("Spool file of accepted messages (required)."),
                                   QStringLiteral("file"));
    const QCommandLineOption banned(QStringLiteral("banned"),
                                    QStringLiteral("Banned word list (optional)."), QStringLiteral("file"));
    parser.addOptions({listen, accounts, spool, banned});
    parser.process(app);

    if (!parser.positionalArguments().isEmpty())
        fail(QStringLiteral("unexpected argument ") + parser.positionalArguments().first());
    if (!parser.isSet(accounts) || !parser.isSet(spool))
        fail(QStringLiteral("--accounts and --spool are required (see --help)"));
    QHostAddress address;
    quint16 port = 0;
    if (!parseListen(parser.value(listen), &address, &port))
        fail(QStringLiteral("bad --listen address ") + parser.value(listen));

    Gateway gateway;
    QString error;
    if (!gateway.load(parser.value(accounts), parser.value(spool), parser.value(banned), &error))
        fail(error);
    GatewayServer server(gateway);
    if (!server.listen(address, port, &error))
        fail(QStringLiteral("cannot listen on ") + parser.value(listen) + QLatin1String(": ") + error);

    const QString shown = address.protocol() == QAbstractSocket::IPv6Protocol
                              ? QString(u'[' + address.toString() + u']')
                              : address.toString();
    std::printf("smsgw listening on %s:%u\n", qPrintable(shown), unsigned(server.port()));
    std::fflush(stdout);
    return app.exec();
}
