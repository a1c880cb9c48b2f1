#pragma once
// What the settings dialog reads from and writes to checkout.ini, section "cash".
// The dialog has one default of its own: a file without dayin shows printing on, while
// the till starts with printing off. What writeDialog stores is what TillIni::read
// applies (the same key names; booleans as 1/0).

#include <QString>

namespace TillIni {

struct DialogValues {
    QString dazhe = QStringLiteral("-");     // names shown for the three keys
    QString jifen = QStringLiteral("+");
    QString shuliang = QStringLiteral("*");
    QString dazheK = QStringLiteral("109");  // their virtual-key codes, as text
    QString jifenK = QStringLiteral("107");
    QString shuliangK = QStringLiteral("106");
    bool dayin = false;    // printing switched off
    bool beijing = false;  // full-screen background
    bool guxian = false;   // pole display
    int com = 0;           // 0..2: COM1..COM3
    int print = 0;         // 0..2: LPT1..LPT3, 3: USB through the printer driver
    bool bigtitle = false;
    int bianju = 3;        // 0..7 blank lines after a receipt
    bool dx = false;
    int morethan = 100;    // 0..10000 yuan
    QString mobile;        // at most 11 characters
    bool opt1 = false, opt2 = false, opt3 = false;

    bool operator==(const DialogValues &) const = default;
};

// checkout.ini of a program folder (with its trailing '/').
QString fileIn(const QString &programDir);

// Every key the dialog shows. Missing or unreadable values, and list indexes out of
// range, give the defaults above.
DialogValues readDialog(const QString &path);
// Writes every key the dialog owns; other keys of the file stay as they are. Names
// are stored trimmed.
bool writeDialog(const QString &path, const DialogValues &values, QString *error = nullptr);

// The background picture: pic, relative names taken in the program folder; the
// program folder's bg.bmp when the key is missing or empty.
QString picture(const QString &programDir);
bool writePicture(const QString &path, const QString &file, QString *error = nullptr);

// The three key names must differ pairwise, compared exactly as they are stored
// (trimmed). Names are compared, not codes: two keys that type the same character
// would look alike in the help window. Two empty names are equal too.
bool keyNamesConflict(const QString &dazhe, const QString &jifen, const QString &shuliang);
QString keyConflictText();  // "快捷键冲突，请修改设置"

}
