#pragma once
// The birthday reminder of the till (F2): today's date in both calendars and the
// members whose birthday is today or tomorrow, tomorrow's rows coloured. The texts and
// the query come from birthdays.h; this window only shows them.

#include "birthdays.h"

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class QTableView;
class QueryModel;
class Store;

class TbirthRemindForm : public QDialog {
    Q_OBJECT
public:
    explicit TbirthRemindForm(Store &store, QWidget *parent = nullptr);
    ~TbirthRemindForm() override;

    // Today's and tomorrow's texts by Clock::today(), the caption line and the list.
    // False on a store error, which is shown as a message; the list is then empty.
    bool findBirthdays();
    int memberCount() const;
    // The status-bar text once findBirthdays() ran ("今明日N位会员过生日"), empty when
    // nobody was found.
    QString notice() const;
    const Birthdays::Days &days() const { return m_days; }

    // The till window's width, its height less 30 pixels, its left edge and its top
    // edge plus 30 pixels.
    void placeOver(const QWidget *tillWindow);

    // F2 of the till: creates the window over the till window, runs the query, hands a
    // non-empty notice to showNotice (the till's statusPanel1), shows the window
    // modally whatever was found and frees it when it closes.
    static void remind(Store &store, QWidget *tillWindow,
                       const std::function<void(const QString &)> &showNotice = {});

    QLabel *dayLbl = nullptr;
    QTableView *memberGrid = nullptr;
    QPushButton *okButton = nullptr;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QueryModel *m_model = nullptr;
    Birthdays::Days m_days;
};
