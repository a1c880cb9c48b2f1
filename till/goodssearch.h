#pragma once
// The till's goods query: by barcode, then goods number, then name, exactly or by
// substring, each later field tried only when the one before found nothing. Retired
// goods (hide not 0) are never found.

#include <QString>
#include <QStringList>
#include <QVariantMap>

class QueryModel;

namespace GoodsSearch {

enum class Field { None, Barcode, GoodsNo, Name };

// The grid's columns, in the order they are shown.
QStringList columns();   // barcode, goods_no, name, class_name, amount, sold, price2, price, ifdis, ifaddup, in_date
QStringList captions();  // "条码", "货号", ...

// The statement searching one field; the text is bound as :t (LIKE binds '%' || :t || '%').
QString sql(Field field, bool substring);

// Runs the searches into the model and returns the field that found rows (None when
// nothing was found or the text, trimmed, is empty: then the model is left as it was
// and *searched is false). The text goes into the statements as typed. A store error
// stops the search with *error set.
Field run(QueryModel &model, const QString &text, bool substring, bool *searched = nullptr,
          QString *error = nullptr);

// Sets the captions and display forms of the grid's columns.
void decorate(QueryModel &model);

QString resultText(int rows);  // rows + "项结果符合查询要求"

// The text a cell hands to the till's code field (stored value, numbers in their
// shortest form, NULL as empty).
QString cellText(const QueryModel &model, int row, int column);

}  // namespace GoodsSearch
