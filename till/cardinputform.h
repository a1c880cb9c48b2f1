#pragma once
// The member lookup dialog ("输入会员卡"): finds a member by card number, name or
// telephone, exactly and then by part of the text, shows the member's data, and on
// "确认" hands the member to the till (attached()). An unknown text offers to
// register the card; a registered card is then looked up again.

#include "memberlogic.h"

#include <QDialog>
#include <functional>
#include <optional>

class QLineEdit;
class QPushButton;
class QTableWidget;
class QTreeWidget;

class TcardinputForm : public QDialog {
    Q_OBJECT
public:
    TcardinputForm(Store &store, bool discountPolicy, QWidget *parent = nullptr);

    QLineEdit *cardNoEdit = nullptr;
    QPushButton *Okbtn = nullptr;
    QTreeWidget *infoList = nullptr;
    QTableWidget *listGrid = nullptr;

    // Yes to the question about an unknown card: registers the card with its number
    // preset and returns the stored card number, empty when nothing was registered.
    // Opens the registration dialog unless replaced.
    std::function<QString(const QString &cardNo)> registerMember;

    // After exec() returned Accepted ("确认"): the member to attach, if one was found.
    const std::optional<MemberAttach> &attached() const { return m_attached; }

    // The search over the field's text; runs when the field is left.
    void search();
    // "确认".
    void OkbtnClick();
    // A row of the result grid was chosen.
    void pickRow(int row);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void done(int r) override;

private:
    void showMember(const MemberInfo &m);
    void showGrid(const QList<MemberInfo> &members);

    Store &m_store;
    bool m_policy;
    std::optional<MemberInfo> m_found;
    int m_rate = 100;
    QList<MemberInfo> m_gridMembers;
    std::optional<MemberAttach> m_attached;
    QString m_searched;      // the text last searched, until the field is edited
    bool m_hasSearched = false;
    bool m_closing = false;
};
