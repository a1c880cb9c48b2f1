#pragma once
// The till's devices: the receipt printer (a device file per port, or the system's
// printers through CUPS), the cash drawer on the printer, and the customer pole display
// on a serial line. Messages go out through the inform callback so the window decides
// how to show them.

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

struct PrinterSettings {
    bool dayin = true;      // printer switched off ("暂时不启用打印机")
    bool printC = false;    // print through the system printers (USB printers with a driver)
    QString printtype;      // "LPT1".."LPT3": port whose device file zazuvi.ini names
};

class TillPrinter {
public:
    using Inform = std::function<void(const QString &text)>;

    TillPrinter(const QString &programDir, Inform inform);
    void setSettings(const PrinterSettings &s) { m_settings = s; }
    const PrinterSettings &settings() const { return m_settings; }

    // Copies a text file line by line (bytes unchanged, CR LF after each line) to the
    // port's device file. Port errors: "错误：打印机未连接好！". Returns true when printed.
    // With printC (USB printer with a driver) there is no port to write to, so the file
    // goes to printCFile instead; the daily summary then prints like the receipt.
    // The device file is appended to and never created: a missing device is an error.
    bool PrintFile(const QString &path);
    // Prints a text file on the default system printer (libcups).
    bool printCFile(const QString &path);
    // The print path after a settlement and for the reprint.
    bool printReceiptFile(const QString &path);
    // Opens the drawer without printing. With printC, open.txt holds the drawer pulse and
    // goes out as a raw job; otherwise the pulse is written to the port (dayin not asked).
    bool openDrawer();
    // "打印上一单": prints output.txt again, then "已打印上一单小票" once it was printed.
    // Without output.txt only noLastReceiptText() is shown.
    void reprint();

    bool printerOffNoticeShown() const { return m_dayintixing; }

    // How printCFile reaches the system's printers: returns an empty text when the job
    // was queued, else the message to show. The default is cupsPrintRaw; tests replace it.
    using SystemPrint = std::function<QString(const QString &path)>;
    void setSystemPrint(SystemPrint print);
    // A raw job (bytes unchanged, ESC/POS commands included) on the default CUPS destination.
    static QString cupsPrintRaw(const QString &path);

    static QString notConnectedText();  // "错误：打印机未连接好！"
    static QString printerOffText();
    static QString reprintedText();     // "已打印上一单小票"
    static QString noLastReceiptText(); // reprint before the first receipt

private:
    bool printerOff();  // the once-per-run notice while dayin
    bool systemPrint(const QString &path);
    bool writeToPort(const QList<QByteArray> &chunks);
    void inform(const QString &text) const;
    QString m_dir;
    Inform m_inform;
    PrinterSettings m_settings;
    bool m_dayintixing = false;
    SystemPrint m_systemPrint;
};

// The pole display: three calls like the vendor's serial library, over a POSIX
// serial device (8N1 at the given speed).
class PoleDisplay {
public:
    explicit PoleDisplay(const QString &programDir);
    ~PoleDisplay();

    // port 1 = COM1; the device file comes from zazuvi.ini [ports]. A tty is set to raw
    // 8N1 at the speed; any other writable file (a capture file) is simply written to.
    bool com_init(int port, int speed);
    void com_send(const QByteArray &command);
    void com_rest();
    bool isOpen() const { return m_fd >= 0; }

    // Commands of the display.
    void clear();             // FF
    void showTotal(const QString &text);     // ESC s 2, ESC Q A text CR
    void showTendered(const QString &text);  // ESC s 3, ...
    void showChange(const QString &text);    // ESC s 4, ...
    void show(const QString &text);          // ESC Q A text CR

private:
    QString m_dir;
    int m_fd = -1;
};
