#pragma once
// The till's devices: the receipt printer (a device file per port, or the system's
// printers through CUPS), the cash drawer on the printer, and the customer pole display
// on a serial line. Messages go out through the inform callback so the window decides
// how to show them.

#include <QByteArray>
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
    bool PrintFile(const QString &path);
    // Prints a text file on the default system printer (libcups).
    bool printCFile(const QString &path);
    // The print path after a settlement and for the reprint.
    bool printReceiptFile(const QString &path);
    // Opens the drawer without printing.
    bool openDrawer();
    // "打印上一单": prints output.txt again, then "已打印上一单小票".
    void reprint();

    bool printerOffNoticeShown() const { return m_dayintixing; }

private:
    bool printerOff();  // the once-per-run notice while dayin
    QString m_dir;
    Inform m_inform;
    PrinterSettings m_settings;
    bool m_dayintixing = false;
};

// The pole display: three calls like the vendor's serial library, over a POSIX
// serial device (8N1 at the given speed).
class PoleDisplay {
public:
    explicit PoleDisplay(const QString &programDir);
    ~PoleDisplay();

    // port 1 = COM1; the device file comes from zazuvi.ini [ports].
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
