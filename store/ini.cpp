#include "ini.h"

#include "paths.h"
#include "textfile.h"

#include <QFile>
#include <QStringDecoder>

IniFile IniFile::load(const QString &path, bool *exists)
{
    IniFile ini;
    ini.m_sections.append(Section{});
    QFile f(path);
    if (exists)
        *exists = f.exists();
    if (!f.open(QIODevice::ReadOnly))
        return ini;
    const QByteArray bytes = f.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = fromAnsi(bytes);  // files written on a Chinese Windows
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString &raw = lines.at(i);
        if (i == lines.size() - 1 && raw.isEmpty())
            break;
        const QString t = raw.trimmed();
        if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))) {
            ini.m_sections.append(Section{t.mid(1, t.size() - 2).trimmed(), {}});
            continue;
        }
        const qsizetype eq = t.indexOf(QLatin1Char('='));
        if (t.isEmpty() || t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#')) || eq <= 0) {
            ini.m_sections.last().lines.append(Line{{}, {}, raw});
            continue;
        }
        ini.m_sections.last().lines.append(Line{t.left(eq).trimmed(), t.mid(eq + 1).trimmed(), {}});
    }
    return ini;
}

bool IniFile::save(const QString &path, QString *error) const
{
    QString out;
    for (const Section &s : m_sections) {
        if (!s.name.isEmpty() || &s != &m_sections.first())
            out += QLatin1Char('[') + s.name + QStringLiteral("]\n");
        for (const Line &l : s.lines)
            out += (l.key.isEmpty() ? l.raw : l.key + QLatin1Char('=') + l.value) + QLatin1Char('\n');
    }
    return writeBytesAtomic(path, out.toUtf8(), error);
}

IniFile::Section *IniFile::find(const QString &section)
{
    for (Section &s : m_sections)
        if (s.name.compare(section, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

const IniFile::Section *IniFile::find(const QString &section) const
{
    return const_cast<IniFile *>(this)->find(section);
}

bool IniFile::contains(const QString &section, const QString &key) const
{
    if (const Section *s = find(section))
        for (const Line &l : s->lines)
            if (!l.key.isEmpty() && l.key.compare(key, Qt::CaseInsensitive) == 0)
                return true;
    return false;
}

QString IniFile::value(const QString &section, const QString &key, const QString &def) const
{
    if (const Section *s = find(section))
        for (const Line &l : s->lines)
            if (!l.key.isEmpty() && l.key.compare(key, Qt::CaseInsensitive) == 0)
                return l.value;
    return def;
}

int IniFile::intValue(const QString &section, const QString &key, int def) const
{
    bool ok = false;
    const int v = value(section, key).toInt(&ok);
    return ok ? v : def;
}

bool IniFile::boolValue(const QString &section, const QString &key, bool def) const
{
    bool ok = false;
    const int v = value(section, key).toInt(&ok);
    return ok ? v != 0 : def;
}

void IniFile::setValue(const QString &section, const QString &key, const QString &value)
{
    if (m_sections.isEmpty())
        m_sections.append(Section{});
    Section *s = find(section);
    if (!s) {
        m_sections.append(Section{section, {}});
        s = &m_sections.last();
    }
    for (Line &l : s->lines) {
        if (!l.key.isEmpty() && l.key.compare(key, Qt::CaseInsensitive) == 0) {
            l.value = value;
            return;
        }
    }
    // New keys go after the section's last key, before trailing blank lines.
    qsizetype at = s->lines.size();
    while (at > 0 && s->lines.at(at - 1).key.isEmpty() && s->lines.at(at - 1).raw.trimmed().isEmpty())
        --at;
    s->lines.insert(at, Line{key, value, {}});
}

void IniFile::setInt(const QString &section, const QString &key, int value)
{
    setValue(section, key, QString::number(value));
}

void IniFile::setBool(const QString &section, const QString &key, bool value)
{
    setValue(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::remove(const QString &section, const QString &key)
{
    if (Section *s = find(section))
        s->lines.removeIf([&](const Line &l) {
            return !l.key.isEmpty() && l.key.compare(key, Qt::CaseInsensitive) == 0;
        });
}

QStringList IniFile::keys(const QString &section) const
{
    QStringList out;
    if (const Section *s = find(section))
        for (const Line &l : s->lines)
            if (!l.key.isEmpty())
                out << l.key;
    return out;
}

// ---- zazuvi.ini ----

ZazuviIni ZazuviIni::load(const QString &folder)
{
    ZazuviIni z;
    z.m_ini = IniFile::load(folder + QStringLiteral("zazuvi.ini"));
    return z;
}

ZazuviIni ZazuviIni::loadDefault()
{
    return load(programDir());
}

QString ZazuviIni::portDevice(const QString &portName) const
{
    const QString name = portName.trimmed().toUpper();
    QString def;
    if (name.size() == 4 && (name.startsWith(QStringLiteral("LPT")) || name.startsWith(QStringLiteral("COM")))) {
        const int n = name.mid(3).toInt();
        if (n >= 1 && n <= 3)
            def = (name.startsWith(QStringLiteral("LPT")) ? QStringLiteral("/dev/lp%1") : QStringLiteral("/dev/ttyS%1"))
                      .arg(n - 1);
    }
    if (def.isEmpty() && !m_ini.contains(QStringLiteral("ports"), name))
        return {};
    return m_ini.value(QStringLiteral("ports"), name, def);
}

QString ZazuviIni::service(const QString &key, const QString &def) const
{
    const QString v = m_ini.value(QStringLiteral("services"), key);
    return v.isEmpty() ? def : v;
}

QString ZazuviIni::defaultSearchUrl()
{
    return QStringLiteral("https://barcode.zazuvi.example/sh/code/search");
}

QString ZazuviIni::defaultAddUrl()
{
    return QStringLiteral("http://barcode.zazuvi.example/sh/code/add");
}

QString ZazuviIni::defaultSmsGateway()
{
    return QStringLiteral("127.0.0.1:9900");
}
