#pragma once
// The launcher's login window: a small borderless window over the login logic.

#include "login.h"

#include <QPoint>
#include <QWidget>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

class TloginForm : public QWidget {
    Q_OBJECT
public:
    // Runs the start-up steps of the window: the legacy upgrade (when dat.mdb is there),
    // then the user list and the hints.
    explicit TloginForm(std::unique_ptr<LoginLogic> logic, const LoginLogic::LegacyUpgrade &upgrade = {},
                        QWidget *parent = nullptr);
    ~TloginForm() override;

    LoginLogic &logic() { return *m_logic; }

    QLabel *Image3 = nullptr;       // strip across the top; dragging it moves the window
    QLabel *Label2 = nullptr;       // product title
    QToolButton *ImgBtn1 = nullptr; // close
    QToolButton *ImgBtn2 = nullptr; // maker's web page
    QLineEdit *nameedit = nullptr;  // chosen user, read-only
    QLineEdit *Edit1 = nullptr;     // role of the chosen user
    QToolButton *ImgBtn3 = nullptr; // shows or hides the user list
    QTreeWidget *ListView1 = nullptr;
    QLineEdit *pswEdit = nullptr;
    QPushButton *loginBtn = nullptr;
    QLabel *Label1 = nullptr;       // hints and errors

    static constexpr int RowHeight = 27;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWindow();
    void startUp(const LoginLogic::LegacyUpgrade &upgrade);
    void fillList();
    void chooseUser(QTreeWidgetItem *item);
    void toggleList();
    void showList();
    void loginBtnClick();
    void ImgBtn2Click();

    std::unique_ptr<LoginLogic> m_logic;
    QPoint m_dragOffset;
    bool m_dragging = false;
};

// Opens the store of the program folder and creates the login window. Without dat.db:
// "数据库文件不存在" and no window (nullptr); a store that cannot be opened: its message.
std::unique_ptr<TloginForm> createLoginWindow(const QString &programDir,
                                              const LoginLogic::LegacyUpgrade &upgrade = {});
