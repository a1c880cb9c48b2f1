#pragma once
// The barcode lookup service client: an online test and one blocking POST, plus the
// search and add requests the till and the back office send through it.
//
// The programs are single-threaded, so a request blocks its caller; it runs a local
// event loop that leaves user input queued, and the whole request is bounded by
// BarcodeLookup::timeout() so a silent server cannot freeze the till.

#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

class QSslCertificate;

// True when the system reports a network connection (see BarcodeLookup::setOnlineOverride).
bool Checkonline();

// POSTs body as UTF-8 to url and returns the answer body decoded as UTF-8. https goes
// to port 443 over TLS with the system's certificate check; anything else is plain HTTP
// on port 80; a port written in the URL wins. Empty on any failure: no connection,
// TLS refused, time-out, a broken answer. Answers with an HTTP error status (an error
// page) are returned as they came; the callers read them as "not a valid answer".
QString postText(const QString &url, const QString &body);

namespace BarcodeLookup {

// The answer of a search.
struct SearchAnswer {
    bool known = false;  // "success" was the JSON literal true
    QString name;        // "name" when it was a string, trimmed
    bool valid = false;  // the answer was a JSON object with "success"
};

// Addresses from zazuvi.ini [services] "search" and "add" (program folder), with
// ZazuviIni::defaultSearchUrl()/defaultAddUrl() when missing. Read on every call.
QString searchUrl();
QString addUrl();

// The URL postText really requests: scheme http or https, the port filled in, the
// query and fragment dropped. Invalid when there is no host.
QUrl requestUrl(const QString &url);

// {"barcode":"<trimmed code>"}
QString searchBody(const QString &barcode);
// {"barcode":..,"name":..,"unit":"","guige":..,"pym":""}: keys in exactly this order,
// all values trimmed.
QString addBody(const QString &barcode, const QString &name, const QString &guige);
SearchAnswer parseSearchAnswer(const QString &answer);

// Sends the search request for a barcode. Does not look at Checkonline(): the callers
// behave differently when offline. An empty code sends nothing and is not valid.
SearchAnswer search(const QString &barcode);

// Only codes of 13 or 14 characters (after trimming) are reported to the service.
bool isReportable(const QString &barcode);
// Sends the add request when the code is reportable; the answer is not read.
// True when a request was made.
bool add(const QString &barcode, const QString &name, const QString &guige);

// Bound of one whole request in milliseconds (default 5000).
int timeout();
void setTimeout(int ms);

// Test seams.
// Forces the answer of Checkonline(); std::nullopt asks the system again.
void setOnlineOverride(std::optional<bool> online);
// Extra trusted certificate authorities (e.g. a test server's self-signed certificate)
// added to the system's; verification itself always stays on.
void addTrustedCertificates(const QList<QSslCertificate> &certificates);
void clearTrustedCertificates();

}  // namespace BarcodeLookup
