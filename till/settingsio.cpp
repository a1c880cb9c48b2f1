#include "settingsio.h"

#include "ini.h"
#include "tillsettings.h"

#include <QDir>

#include <algorithm>

namespace TillIni {

namespace {

int indexValue(const IniFile &ini, const QString &key, int def, int last)
{
    const int v = ini.intValue(section(), key, def);
    return v >= 0 && v <= last ? v : def;
}

}

QString fileIn(const QString &programDir)
{
    return programDir + QStringLiteral("checkout.ini");
}

DialogValues readDialog(const QString &path)
{
    const IniFile ini = IniFile::load(path);
    const QString sec = section();
    DialogValues v;
    v.dazhe = ini.value(sec, QStringLiteral("dazhe"), v.dazhe);
    v.jifen = ini.value(sec, QStringLiteral("jifen"), v.jifen);
    v.shuliang = ini.value(sec, QStringLiteral("shuliang"), v.shuliang);
    v.dazheK = ini.value(sec, QStringLiteral("dazheK"), v.dazheK);
    v.jifenK = ini.value(sec, QStringLiteral("jifenK"), v.jifenK);
    v.shuliangK = ini.value(sec, QStringLiteral("shuliangK"), v.shuliangK);
    v.dayin = ini.boolValue(sec, QStringLiteral("dayin"), v.dayin);
    v.beijing = ini.boolValue(sec, QStringLiteral("beijing"), v.beijing);
    v.guxian = ini.boolValue(sec, QStringLiteral("guxian"), v.guxian);
    // A list showing no entry would save -1, which no port means.
    v.com = indexValue(ini, QStringLiteral("com"), v.com, 2);
    v.print = indexValue(ini, QStringLiteral("print"), v.print, 3);
    v.bigtitle = ini.boolValue(sec, QStringLiteral("bigtitle"), v.bigtitle);
    v.bianju = indexValue(ini, QStringLiteral("bianju"), v.bianju, 7);
    v.dx = ini.boolValue(sec, QStringLiteral("dx"), v.dx);
    v.morethan = std::clamp(ini.intValue(sec, QStringLiteral("morethan"), v.morethan), 0, 10000);
    v.mobile = ini.value(sec, QStringLiteral("mobile")).left(11);
    v.opt1 = ini.boolValue(sec, QStringLiteral("opt1"), v.opt1);
    v.opt2 = ini.boolValue(sec, QStringLiteral("opt2"), v.opt2);
    v.opt3 = ini.boolValue(sec, QStringLiteral("opt3"), v.opt3);
    return v;
}

bool writeDialog(const QString &path, const DialogValues &v, QString *error)
{
    IniFile ini = IniFile::load(path);
    const QString sec = section();
    ini.setValue(sec, QStringLiteral("dazhe"), v.dazhe.trimmed());
    ini.setValue(sec, QStringLiteral("jifen"), v.jifen.trimmed());
    ini.setValue(sec, QStringLiteral("shuliang"), v.shuliang.trimmed());
    ini.setValue(sec, QStringLiteral("dazheK"), v.dazheK);
    ini.setValue(sec, QStringLiteral("jifenK"), v.jifenK);
    ini.setValue(sec, QStringLiteral("shuliangK"), v.shuliangK);
    ini.setBool(sec, QStringLiteral("dayin"), v.dayin);
    ini.setBool(sec, QStringLiteral("beijing"), v.beijing);
    ini.setBool(sec, QStringLiteral("guxian"), v.guxian);
    ini.setInt(sec, QStringLiteral("com"), v.com);
    ini.setInt(sec, QStringLiteral("print"), v.print);
    ini.setBool(sec, QStringLiteral("bigtitle"), v.bigtitle);
    ini.setInt(sec, QStringLiteral("bianju"), v.bianju);
    ini.setBool(sec, QStringLiteral("dx"), v.dx);
    ini.setInt(sec, QStringLiteral("morethan"), v.morethan);
    ini.setValue(sec, QStringLiteral("mobile"), v.mobile);
    ini.setBool(sec, QStringLiteral("opt1"), v.opt1);
    ini.setBool(sec, QStringLiteral("opt2"), v.opt2);
    ini.setBool(sec, QStringLiteral("opt3"), v.opt3);
    return ini.save(path, error);
}

QString picture(const QString &programDir)
{
    const QString pic = IniFile::load(fileIn(programDir)).value(section(), QStringLiteral("pic")).trimmed();
    if (pic.isEmpty())
        return programDir + QStringLiteral("bg.bmp");
    return QDir::isAbsolutePath(pic) ? pic : programDir + pic;
}

bool writePicture(const QString &path, const QString &file, QString *error)
{
    IniFile ini = IniFile::load(path);
    ini.setValue(section(), QStringLiteral("pic"), file);
    return ini.save(path, error);
}

bool keyNamesConflict(const QString &dazhe, const QString &jifen, const QString &shuliang)
{
    // Compared as they are stored.
    const QString d = dazhe.trimmed(), j = jifen.trimmed(), s = shuliang.trimmed();
    return j == d || d == s || j == s;
}

QString keyConflictText()
{
    return QStringLiteral("快捷键冲突，请修改设置");
}

}
