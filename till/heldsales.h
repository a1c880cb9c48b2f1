#pragma once
// Held sales ("挂单"): each held sale in a file of its own named after its number, and
// the index "hlist.xml" listing them in the order of holding, both in the program
// folder so they survive a restart of the till.

#include "saleline.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

struct HeldEntry {
    QString no;    // the held sale's number (its file name without ".txt")
    QString date;  // "yyyy-mm-dd hh:nn"
    QString sum;   // totalMoneyEdit when held
    QString by;    // the cashier
};

class HeldSales {
public:
    // folder: the program folder; a trailing separator is optional.
    explicit HeldSales(const QString &folder);

    QString indexPath() const;
    QString filePath(const QString &no) const;

    // Writes the sale's file and appends its entry to the index (created when missing).
    // The number is that of `now`, or of the next second no held sale uses yet. Returns
    // the number; empty with *error when nothing could be held (no file is left behind).
    QString hold(const SaleLines &lines, const QString &sum, const QString &cashier, const QDateTime &now,
                 QString *error);

    // The index, newest first. A damaged index gives the entries read before the damage
    // with *ok false; a missing one gives none with *ok true.
    QList<HeldEntry> entries(bool *ok = nullptr) const;

    enum class Recall { Ok, Missing, Unreadable };
    // Reads the held sale's lines; changes nothing.
    Recall read(const QString &no, SaleLines *lines) const;
    // Removes every index entry of that number and its file.
    bool remove(const QString &no, QString *error = nullptr);

    // The held-sale file format.
    static QByteArray encode(const SaleLines &lines);
    static bool decode(const QByteArray &bytes, SaleLines *lines);

    inline static const QString MissingFile = QStringLiteral("此挂单的文件已不存在，无法取单，已将其从挂单列表中删除");
    inline static const QString UnreadableFile = QStringLiteral("此挂单的文件无法读取，未能取单");

private:
    struct Index {
        QString rootName;
        QList<HeldEntry> items;  // in file order, oldest first
    };
    // exists=false for a missing file; false on a damaged one (items: those read so far).
    bool loadIndex(Index *index, bool *exists, QString *error) const;
    bool saveIndex(const Index &index, QString *error) const;

    QString m_folder;
};
