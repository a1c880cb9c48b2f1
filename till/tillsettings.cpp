#include "tillsettings.h"

#include "ini.h"
#include "paths.h"

#include <cmath>

namespace TillIni {

QString section()
{
    return QStringLiteral("cash");
}

QString path()
{
    return programFile(QStringLiteral("checkout.ini"));
}

namespace {
std::optional<int> optionalInt(const IniFile &ini, const QString &key)
{
    bool ok = false;
    const int v = ini.value(section(), key).toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}
}

void read(TillSettings &s, const IniFile &ini)
{
    const QString sec = section();
    s.dazhe = ini.value(sec, QStringLiteral("dazhe"), QStringLiteral("-"));
    s.jifen = ini.value(sec, QStringLiteral("jifen"), QStringLiteral("+"));
    s.shuliang = ini.value(sec, QStringLiteral("shuliang"), QStringLiteral("*"));
    s.dazheK = ini.value(sec, QStringLiteral("dazheK"), QStringLiteral("109"));
    s.jifenK = ini.value(sec, QStringLiteral("jifenK"), QStringLiteral("107"));
    s.shuliangK = ini.value(sec, QStringLiteral("shuliangK"), QStringLiteral("106"));
    s.dayin = ini.boolValue(sec, QStringLiteral("dayin"), true);
    s.guxian = ini.boolValue(sec, QStringLiteral("guxian"), false);
    s.beijing = ini.boolValue(sec, QStringLiteral("beijing"), false);
    s.printC = ini.boolValue(sec, QStringLiteral("printC"), false);
    s.bigtitle = ini.boolValue(sec, QStringLiteral("bigtitle"), false);
    s.com = ini.intValue(sec, QStringLiteral("com"), 0);
    switch (ini.intValue(sec, QStringLiteral("print"), 0)) {
    case 0: s.printtype = QStringLiteral("LPT1"); break;
    case 1: s.printtype = QStringLiteral("LPT2"); break;
    case 2: s.printtype = QStringLiteral("LPT3"); break;
    case 3:  // USB printer with a driver: the system printers, large title
        s.bigtitle = true;
        s.printC = true;
        break;
    default: break;
    }
    s.bianju = ini.intValue(sec, QStringLiteral("bianju"), 3);
    s.dx = ini.boolValue(sec, QStringLiteral("dx"), false);
    s.morethan = ini.intValue(sec, QStringLiteral("morethan"), 100);
    s.mobile = ini.value(sec, QStringLiteral("mobile"));
    s.rounding.s4r5 = ini.boolValue(sec, QStringLiteral("opt1"), false);
    s.rounding.s4r52 = ini.boolValue(sec, QStringLiteral("opt2"), false);
    s.rounding.moling = ini.boolValue(sec, QStringLiteral("opt3"), false);
    s.maximized = ini.boolValue(sec, QStringLiteral("maximized"), false);
    s.width = optionalInt(ini, QStringLiteral("width"));
    s.height = optionalInt(ini, QStringLiteral("Height"));
    s.top = optionalInt(ini, QStringLiteral("top1"));
    s.left = optionalInt(ini, QStringLiteral("left1"));
}

void read(TillSettings &s)
{
    read(s, IniFile::load(path()));
}

Placement placement(const TillSettings &s, const QSize &screen)
{
    Placement p;
    p.maximized = s.maximized;
    const int w = s.width.value_or(int(std::lround(screen.width() * 0.8)));
    const int h = s.height.value_or(int(std::lround(screen.height() * 0.8)));
    const int top = s.top.value_or((screen.height() - h) / 2);
    const int left = s.left.value_or((screen.width() - w) / 2);
    p.geometry = QRect(left, top, w, h);
    return p;
}

bool writePlacement(const QString &file, bool maximized, const QRect &geometry, QString *error)
{
    IniFile ini = IniFile::load(file);
    const QString sec = section();
    ini.setBool(sec, QStringLiteral("maximized"), maximized);
    ini.setInt(sec, QStringLiteral("Height"), geometry.height());
    ini.setInt(sec, QStringLiteral("Width"), geometry.width());
    ini.setInt(sec, QStringLiteral("Top1"), geometry.top());
    ini.setInt(sec, QStringLiteral("Left1"), geometry.left());
    return ini.save(file, error);
}

}
