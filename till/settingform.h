#pragma once
// The till's settings dialog ("设置"): the three configurable keys, printer and pole
// display ports, receipt options, rounding, SMS notice, background and window size, all
// kept in checkout.ini. Some boxes act at once (background, pole display test, window
// size, picture); the rest is written by "确定" after the key names were checked.
//
// The caller gives the till's live settings and gets them back from settings() after
// the dialog closed: opening makes the file's dayin, guxian, beijing, dazheK and jifenK
// live even when the dialog is left with Esc; after a save they are what readIni loads.
// The parent is the till window: the full-screen box moves and resizes it.

#include "settingsio.h"
#include "tillsettings.h"

#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>

class PoleDisplay;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QToolButton;

class TsettingForm : public QDialog {
    Q_OBJECT
public:
    // pole: the till's display port, used for the display test (the test leaves it
    // open on the chosen port, as the till then uses it); nullptr: one of the dialog's own.
    TsettingForm(const TillSettings &live, const QString &programDir, PoleDisplay *pole,
                 QWidget *tillWindow = nullptr);
    ~TsettingForm() override;

    // "确定" wrote the file.
    bool saved() const { return m_saved; }
    TillSettings settings() const { return m_live; }
    // The values the controls hold now, as writeDialog stores them.
    TillIni::DialogValues values() const;

    // "更换背景" asks this for the picture file; empty: nothing chosen. The default is a
    // file dialog in the program folder; tests replace it.
    std::function<QString()> choosePicture;

    QLineEdit *dazheEdit = nullptr;
    QLineEdit *jifenEdit = nullptr;
    QLineEdit *shuliangEdit = nullptr;
    QLabel *keyLbl1 = nullptr;  // hidden: the codes of the three keys
    QLabel *keyLbl2 = nullptr;
    QLabel *keyLbl3 = nullptr;
    QCheckBox *disprintChk = nullptr;
    QCheckBox *showbgChk = nullptr;
    QCheckBox *NumshowChk = nullptr;
    QCheckBox *MaxformChk = nullptr;
    QCheckBox *bigTitleChk = nullptr;
    QCheckBox *dxChk = nullptr;
    QCheckBox *s4r5Chk = nullptr;
    QCheckBox *s4r5Chk2 = nullptr;
    QCheckBox *molingChx = nullptr;
    QComboBox *ComCbx = nullptr;
    QComboBox *PrintCbx = nullptr;
    QComboBox *bianjuCbx = nullptr;
    QFrame *Panel1 = nullptr;
    QLineEdit *mobileEdit = nullptr;
    QSpinBox *morethanEdit = nullptr;
    QToolButton *bgLbl = nullptr;  // "更换背景"
    QPushButton *OKbtn = nullptr;

    static QString saveFailedText(const QString &error);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildControls();
    void load(const TillIni::DialogValues &v);
    bool captureKey(QLineEdit *edit, QLabel *codeLabel, QKeyEvent *event);
    void OKbtnClick();
    void showbgChkClick(bool checked);
    void NumshowChkClick(bool checked);
    void MaxformChkClick(bool checked);
    void bgLblClick();
    void sendPoleTest();

    TillSettings m_live;
    QString m_dir;
    QString m_iniPath;
    PoleDisplay *m_pole = nullptr;
    std::unique_ptr<PoleDisplay> m_ownPole;
    QTimer m_poleTimer;
    bool m_saved = false;
};
