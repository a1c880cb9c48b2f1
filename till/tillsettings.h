#pragma once
// The settings of one till PC: checkout.ini in the program folder, section "cash".
// Key names are matched without regard to case (width/Width, top1/Top1 ...).

#include "pricing.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

class IniFile;

struct TillSettings {
    // Names shown for the three configurable keys, and their virtual-key codes as text.
    QString dazhe = QStringLiteral("-");
    QString jifen = QStringLiteral("+");
    QString shuliang = QStringLiteral("*");
    QString dazheK = QStringLiteral("109");
    QString jifenK = QStringLiteral("107");
    QString shuliangK = QStringLiteral("106");

    bool dayin = true;       // printing switched off; a till without an INI file starts so
    bool guxian = false;     // customer pole display in use
    bool beijing = false;    // full-screen background window
    bool printC = false;     // print through the system printers
    bool bigtitle = false;   // large receipt title
    int com = 0;             // pole display port, 0 = COM1
    QString printtype;       // "LPT1".."LPT3"; kept as it was for print=3
    int bianju = 3;          // blank lines after a receipt
    bool dx = false;         // SMS notice of large sales
    int morethan = 100;      // ... above this many yuan
    QString mobile;          // ... to this number
    PricingOptions rounding; // opt1, opt2, opt3

    bool maximized = false;
    std::optional<int> width, height, top, left;
};

namespace TillIni {

QString section();      // "cash"
QString path();         // programDir() + "checkout.ini"

// readIni: loads every key of the file into s. Keys that are missing take their
// defaults, except printtype, which only print=0..2 changes.
void read(TillSettings &s, const IniFile &ini);
void read(TillSettings &s);  // from path()

struct Placement {
    bool maximized = false;
    QRect geometry;  // position of the frame, size of the window
};
// Window size and position from the settings, with the defaults for a screen.
Placement placement(const TillSettings &s, const QSize &screen);

// Written when the till closes: maximized, Height, Width, Top1, Left1.
bool writePlacement(const QString &path, bool maximized, const QRect &geometry, QString *error = nullptr);

}
