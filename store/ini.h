#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// A small INI file: [section] and key=value lines; section and key names are matched
// without regard to case and keep their spelling when written back. Comments (; or #)
// and unknown lines survive a save. Read as UTF-8, or GB18030 when not valid UTF-8.
class IniFile {
public:
    IniFile() = default;
    static IniFile load(const QString &path, bool *exists = nullptr);
    bool save(const QString &path, QString *error = nullptr) const;

    bool contains(const QString &section, const QString &key) const;
    QString value(const QString &section, const QString &key, const QString &def = {}) const;
    // Integer value; missing or unreadable values give def.
    int intValue(const QString &section, const QString &key, int def) const;
    // 1/0 (any non-zero number is true); missing or unreadable values give def.
    bool boolValue(const QString &section, const QString &key, bool def) const;
    void setValue(const QString &section, const QString &key, const QString &value);
    void setInt(const QString &section, const QString &key, int value);
    void setBool(const QString &section, const QString &key, bool value);
    void remove(const QString &section, const QString &key);
    QStringList keys(const QString &section) const;

private:
    struct Line { QString key; QString value; QString raw; };  // key empty: raw line
    struct Section { QString name; QList<Line> lines; };
    Section *find(const QString &section);
    const Section *find(const QString &section) const;
    QList<Section> m_sections;  // section with empty name: lines before the first header
};

// zazuvi.ini of the program folder: the platform settings of the suite.
//   [ports]    LPT1..LPT3, COM1..COM3 -> device files
//   [services] search, add (barcode lookup URLs), sms (gateway addresses), web pages
class ZazuviIni {
public:
    static ZazuviIni load(const QString &folder);  // folder with trailing '/'
    static ZazuviIni loadDefault();                // programDir()
    // Device file of a port name such as "LPT1" or "COM2" (case ignored); defaults
    // /dev/lp0.. and /dev/ttyS0..; empty for an unknown name.
    QString portDevice(const QString &portName) const;
    QString service(const QString &key, const QString &def = {}) const;
    const IniFile &file() const { return m_ini; }

    static QString defaultSearchUrl();
    static QString defaultAddUrl();
    static QString defaultSmsGateway();

private:
    IniFile m_ini;
};
