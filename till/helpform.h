#pragma once
// The till's help window ("帮助"): the keys of every function, with the names of the
// three configurable keys as the settings give them.

#include <QDialog>
#include <QList>
#include <QString>
#include <utility>

class QLabel;
class QTableWidget;
struct TillSettings;

class ThelpForm : public QDialog {
    Q_OBJECT
public:
    explicit ThelpForm(const TillSettings &settings, QWidget *parent = nullptr);

    // Function and key of each row, in order.
    static QList<std::pair<QString, QString>> rows(const TillSettings &settings);
    static QString footerText();

    QTableWidget *keyGrid = nullptr;
    QLabel *footerLbl = nullptr;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
