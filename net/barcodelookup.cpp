#include "barcodelookup.h"

#include "ini.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QNetworkAccessManager>
#include <QNetworkInformation>
#include <QNetworkInterface>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTimer>
#include <memory>

namespace {
std::optional<bool> g_online;
int g_timeoutMs = 5000;
QList<QSslCertificate> g_extraCas;

bool anyInterfaceUp()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &i : interfaces) {
        const auto f = i.flags();
        if ((f & QNetworkInterface::IsLoopBack) || !(f & QNetworkInterface::IsUp) || !(f & QNetworkInterface::IsRunning))
            continue;
        if (!i.addressEntries().isEmpty())
            return true;
    }
    return false;
}

bool isLoopbackHost(const QString &host)
{
    if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress a(host);
    return !a.isNull() && a.isLoopback();
}

// Errors that still come with the server's own answer (4xx, 5xx, odd status lines).
bool isAnswerError(QNetworkReply::NetworkError e)
{
    return (e >= QNetworkReply::ContentAccessDenied && e <= QNetworkReply::UnknownContentError)
        || (e >= QNetworkReply::InternalServerError && e <= QNetworkReply::UnknownServerError);
}

// A JSON string literal; non-ASCII text stays as it is (the body is sent as UTF-8).
QString jsonString(const QString &s)
{
    QString out;
    out.reserve(s.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : s) {
        switch (c.unicode()) {
        case '"': out += QStringLiteral("\\\""); break;
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\b': out += QStringLiteral("\\b"); break;
        case '\f': out += QStringLiteral("\\f"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(int(c.unicode()), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}
}  // namespace

bool Checkonline()
{
    if (g_online)
        return *g_online;
    if (QCoreApplication::instance()) {
        static const bool loaded =
            QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
        if (loaded) {
            if (const QNetworkInformation *info = QNetworkInformation::instance()) {
                switch (info->reachability()) {
                case QNetworkInformation::Reachability::Online:
                case QNetworkInformation::Reachability::Site:  // e.g. behind a proxy
                    return true;
                case QNetworkInformation::Reachability::Disconnected:
                case QNetworkInformation::Reachability::Local:
                    return false;
                case QNetworkInformation::Reachability::Unknown:
                    break;
                }
            }
        }
    }
    return anyInterfaceUp();
}

QString postText(const QString &url, const QString &body)
{
    const QUrl target = BarcodeLookup::requestUrl(url);
    if (!target.isValid())
        return {};
    const bool secure = target.scheme() == QLatin1String("https");

    QNetworkAccessManager manager;
    if (isLoopbackHost(target.host())) {
        manager.setProxy(QNetworkProxy::NoProxy);
    } else {
        const auto proxies = QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(target));
        if (!proxies.isEmpty())
            manager.setProxy(proxies.first());
    }

    QNetworkRequest request(target);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("vurazev"));
    // Qt insists on a content type for a POST; say what the body is.
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json; charset=utf-8"));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    if (secure) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        if (!g_extraCas.isEmpty())
            tls.addCaCertificates(g_extraCas);
        request.setSslConfiguration(tls);
    }

    std::unique_ptr<QNetworkReply> reply(manager.post(request, body.toUtf8()));
    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    bound.start(BarcodeLookup::timeout());
    // Keys and clicks wait until the answer is in: the caller is not re-entered.
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!reply->isFinished()) {
        reply->abort();
        return {};
    }
    const QNetworkReply::NetworkError error = reply->error();
    const bool answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    if (error != QNetworkReply::NoError && !(answered && isAnswerError(error)))
        return {};
    return QString::fromUtf8(reply->readAll());
}

namespace BarcodeLookup {

QString searchUrl()
{
    return ZazuviIni::loadDefault().service(QStringLiteral("search"), ZazuviIni::defaultSearchUrl());
}

QString addUrl()
{
    return ZazuviIni::loadDefault().service(QStringLiteral("add"), ZazuviIni::defaultAddUrl());
}

QUrl requestUrl(const QString &url)
{
    QString text = url.trimmed();
    if (!text.contains(QStringLiteral("://")))
        text.prepend(QStringLiteral("http://"));
    QUrl u(text);
    if (!u.isValid() || u.host().isEmpty())
        return {};
    const bool secure = u.scheme().compare(QStringLiteral("https"), Qt::CaseInsensitive) == 0;
    u.setScheme(secure ? QStringLiteral("https") : QStringLiteral("http"));
    if (u.port() < 0)
        u.setPort(secure ? 443 : 80);
    u.setQuery(QString());
    u.setFragment(QString());
    u.setUserInfo(QString());
    if (u.path().isEmpty())
        u.setPath(QStringLiteral("/"));
    return u;
}

QString searchBody(const QString &barcode)
{
    return QStringLiteral("{\"barcode\":") + jsonString(barcode.trimmed()) + QLatin1Char('}');
}

QString addBody(const QString &barcode, const QString &name, const QString &guige)
{
    return QStringLiteral("{\"barcode\":") + jsonString(barcode.trimmed())
         + QStringLiteral(",\"name\":") + jsonString(name.trimmed())
         + QStringLiteral(",\"unit\":\"\",\"guige\":") + jsonString(guige.trimmed())
         + QStringLiteral(",\"pym\":\"\"}");
}

SearchAnswer parseSearchAnswer(const QString &answer)
{
    QString text = answer.trimmed();
    if (text.startsWith(QChar(0xFEFF)))
        text = text.mid(1).trimmed();
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject())
        return {};
    const QJsonObject o = doc.object();
    if (!o.contains(QStringLiteral("success")))
        return {};
    SearchAnswer a;
    a.valid = true;
    const QJsonValue success = o.value(QStringLiteral("success"));
    a.known = success.isBool() && success.toBool();
    a.name = o.value(QStringLiteral("name")).toString().trimmed();
    return a;
}

SearchAnswer search(const QString &barcode)
{
    if (barcode.trimmed().isEmpty())
        return {};
    return parseSearchAnswer(postText(searchUrl(), searchBody(barcode)));
}

bool isReportable(const QString &barcode)
{
    const qsizetype n = barcode.trimmed().size();
    return n == 13 || n == 14;
}

bool add(const QString &barcode, const QString &name, const QString &guige)
{
    if (!isReportable(barcode))
        return false;
    postText(addUrl(), addBody(barcode, name, guige));
    return true;
}

int timeout()
{
    return g_timeoutMs;
}

void setTimeout(int ms)
{
    g_timeoutMs = ms > 0 ? ms : 5000;
}

void setOnlineOverride(std::optional<bool> online)
{
    g_online = online;
}

void addTrustedCertificates(const QList<QSslCertificate> &certificates)
{
    g_extraCas += certificates;
}

void clearTrustedCertificates()
{
    g_extraCas.clear();
}

}  // namespace BarcodeLookup
