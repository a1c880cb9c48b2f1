#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// The line codec and result codes shared by the gateway client and smsgw.
// The protocol itself is described in PROTOCOL.md beside this file.
namespace Sms {

// Result codes. Negative ones are also produced by the client itself.
enum Code : int {
    Ok = 0,
    NotLoggedIn = -1,
    EmptyInput = -2,       // receiver numbers or message text empty
    NetworkError = -3,     // no gateway answered, connection lost, or a reply timed out
    BadReply = -4,         // the gateway's reply could not be read
    BadLogin = 1001,       // unknown account or wrong password
    BadNewPassword = 1002, // new password empty or too long
    DataCheckFailed = 7001,
    BannedWord = 7002,
    TextTooLong = 7003,
    EmptyText = 7004,
    SomeRefused = 7061,
    NoBalance = 7071,
    StorageError = 9001,
    BadRequest = 9002,
};

inline constexpr quint16 DefaultPort = 9900;
// Balance unit: a tenth of a message; every accepted number costs one message.
inline constexpr int TenthsPerMessage = 10;
// Longest message text in characters (code points).
inline constexpr int MaxTextLength = 500;
// Longest new password in characters.
inline constexpr int MaxPasswordLength = 64;
// Longest request or reply line in bytes, line end included.
inline constexpr qsizetype MaxLineBytes = 1024 * 1024;

// A field with backslash, tab, CR and LF written as \\, \t, \r, \n.
QString escapeField(const QString &field);
// The inverse; false on a lone backslash or an unknown escape.
bool unescapeField(const QString &text, QString *field);

// Fields joined by tabs, escaped, UTF-8, ended by LF.
QByteArray encodeLine(const QStringList &fields);
// A line as read from the socket (with or without its LF, a CR before the LF is dropped);
// false when it is not valid UTF-8 or holds a bad escape.
bool decodeLine(const QByteArray &line, QStringList *fields);

// A receiver list as typed (one number a line, CR LF, LF or CR) as the list of numbers:
// each trimmed, blank lines dropped.
QStringList splitNumbers(const QString &numbers);
// 11 ASCII digits, the first one "1".
bool isMobileNumber(const QString &number);

} // namespace Sms
