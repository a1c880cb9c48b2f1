#include "heldsales.h"

#include "orderno.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

const QString kFormat = QStringLiteral("zazuvi-held-sale");

bool writeWhole(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}

} // namespace

HeldSales::HeldSales(const QString &folder)
    : m_folder(folder)
{
    if (!m_folder.isEmpty() && !m_folder.endsWith(QLatin1Char('/')))
        m_folder += QLatin1Char('/');
}

QString HeldSales::indexPath() const
{
    return m_folder + QStringLiteral("hlist.xml");
}

QString HeldSales::filePath(const QString &no) const
{
    return m_folder + no + QStringLiteral(".txt");
}

QByteArray HeldSales::encode(const SaleLines &lines)
{
    QJsonArray rows;
    for (const SaleLine &line : lines) {
        QJsonArray texts;
        for (const QString &t : line.sub)
            texts.append(t);
        rows.append(QJsonObject{{QStringLiteral("barcode"), line.caption}, {QStringLiteral("texts"), texts}});
    }
    const QJsonObject doc{{QStringLiteral("format"), kFormat}, {QStringLiteral("version"), 1},
                          {QStringLiteral("lines"), rows}};
    return QJsonDocument(doc).toJson(QJsonDocument::Indented);
}

bool HeldSales::decode(const QByteArray &bytes, SaleLines *lines)
{
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject())
        return false;
    const QJsonObject o = doc.object();
    if (o.value(QStringLiteral("format")).toString() != kFormat || !o.value(QStringLiteral("lines")).isArray())
        return false;
    SaleLines out;
    for (const QJsonValue &v : o.value(QStringLiteral("lines")).toArray()) {
        const QJsonObject row = v.toObject();
        const QJsonValue caption = row.value(QStringLiteral("barcode"));
        const QJsonArray texts = row.value(QStringLiteral("texts")).toArray();
        if (!caption.isString() || texts.size() != SaleLine::SubCount)
            return false;
        SaleLine line;
        line.caption = caption.toString();
        for (int i = 0; i < SaleLine::SubCount; ++i) {
            if (!texts.at(i).isString())
                return false;
            line.sub[i] = texts.at(i).toString();
        }
        out.append(line);
    }
    if (lines)
        *lines = out;
    return true;
}

bool HeldSales::loadIndex(Index *index, bool *exists, QString *error) const
{
    index->rootName = QStringLiteral("hlist");
    index->items.clear();
    QFile f(indexPath());
    *exists = f.exists();
    if (!*exists)
        return true;
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    const QByteArray bytes = f.readAll();
    if (bytes.trimmed().isEmpty())
        return true;  // an empty file made by hand stands for an empty list
    QXmlStreamReader xml(bytes);
    int depth = 0;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (depth == 1) {
                index->rootName = xml.name().toString();
            } else if (depth == 2) {
                // Every child of the document element is a held sale, whatever its name.
                const QXmlStreamAttributes a = xml.attributes();
                index->items.append({a.value(QStringLiteral("no")).toString(), a.value(QStringLiteral("date")).toString(),
                                     a.value(QStringLiteral("sum")).toString(), a.value(QStringLiteral("by")).toString()});
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    if (xml.hasError()) {
        if (error)
            *error = xml.errorString();
        return false;
    }
    return true;
}

bool HeldSales::saveIndex(const Index &index, QString *error) const
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(index.rootName.isEmpty() ? QStringLiteral("hlist") : index.rootName);
    for (const HeldEntry &e : index.items) {
        xml.writeStartElement(QStringLiteral("item"));
        xml.writeAttribute(QStringLiteral("no"), e.no);
        xml.writeAttribute(QStringLiteral("date"), e.date);
        xml.writeAttribute(QStringLiteral("sum"), e.sum);
        xml.writeAttribute(QStringLiteral("by"), e.by);
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return writeWhole(indexPath(), bytes, error);
}

QString HeldSales::hold(const SaleLines &lines, const QString &sum, const QString &cashier, const QDateTime &now,
                        QString *error)
{
    Index index;
    bool exists = false;
    QString why;
    if (!loadIndex(&index, &exists, &why)) {
        // Rewriting a damaged index would drop the sales it still lists.
        if (error)
            *error = QStringLiteral("挂单列表 hlist.xml 无法读取，未能挂单：") + why;
        return {};
    }
    // A number in use (a file, or an entry of the index) moves on to the next second,
    // so a second hold within one second does not overwrite the first.
    const QString no = allocateOrderNumber(now, [&](const QString &candidate) {
        if (QFileInfo::exists(filePath(candidate)))
            return true;
        for (const HeldEntry &e : index.items)
            if (e.no == candidate)
                return true;
        return false;
    });
    if (!writeWhole(filePath(no), encode(lines), &why)) {
        if (error)
            *error = QStringLiteral("挂单文件无法写入，未能挂单：") + why;
        return {};
    }
    index.items.append({no, now.toString(QStringLiteral("yyyy-MM-dd HH:mm")), sum, cashier});
    if (!saveIndex(index, &why)) {
        QFile::remove(filePath(no));
        if (error)
            *error = QStringLiteral("挂单列表 hlist.xml 无法写入，未能挂单：") + why;
        return {};
    }
    return no;
}

QList<HeldEntry> HeldSales::entries(bool *ok) const
{
    Index index;
    bool exists = false;
    const bool good = loadIndex(&index, &exists, nullptr);
    if (ok)
        *ok = good;
    QList<HeldEntry> out;
    for (qsizetype i = index.items.size() - 1; i >= 0; --i)
        out.append(index.items.at(i));
    return out;
}

HeldSales::Recall HeldSales::read(const QString &no, SaleLines *lines) const
{
    QFile f(filePath(no));
    if (!f.exists())
        return Recall::Missing;
    if (!f.open(QIODevice::ReadOnly))
        return Recall::Unreadable;
    return decode(f.readAll(), lines) ? Recall::Ok : Recall::Unreadable;
}

bool HeldSales::remove(const QString &no, QString *error)
{
    Index index;
    bool exists = false;
    QString why;
    bool ok = loadIndex(&index, &exists, &why);
    if (ok && exists) {
        const qsizetype before = index.items.size();
        index.items.removeIf([&](const HeldEntry &e) { return e.no == no; });
        if (index.items.size() != before)
            ok = saveIndex(index, &why);
    }
    const QString file = filePath(no);
    if (QFileInfo::exists(file) && !QFile::remove(file)) {
        ok = false;
        why = QStringLiteral("无法删除 ") + file;
    }
    if (!ok && error)
        *error = why;
    return ok;
}
