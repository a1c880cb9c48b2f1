#include "devices.h"

#include "ini.h"
#include "receipt.h"
#include "textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cups/cups.h>

#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString outputFile(const QString &dir)
{
    return dir + QStringLiteral("output.txt");
}

QString missingFileText(const QString &path)
{
    return QStringLiteral("找不到要打印的文件：") + QDir::toNativeSeparators(path);
}

// The file's lines without their ends (LF or CR LF); the bytes of each line stay as
// they are, so the drawer pulse (with its NUL and 0xFF) passes untouched.
QList<QByteArray> fileLines(const QByteArray &data)
{
    QList<QByteArray> lines = data.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray &l : lines) {
        if (l.endsWith('\r'))
            l.chop(1);
    }
    return lines;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

bool speedFor(int speed, speed_t *out)
{
    switch (speed) {
    case 1200: *out = B1200; return true;
    case 2400: *out = B2400; return true;
    case 4800: *out = B4800; return true;
    case 9600: *out = B9600; return true;
    case 19200: *out = B19200; return true;
    case 38400: *out = B38400; return true;
    case 57600: *out = B57600; return true;
    case 115200: *out = B115200; return true;
    default: return false;
    }
}

QByteArray displayBytes(const QString &text)
{
    // The display takes one byte per character.
    return text.toLatin1();
}

} // namespace

// ---- printer ------------------------------------------------------------------------

TillPrinter::TillPrinter(const QString &programDir, Inform inform)
    : m_dir(programDir), m_inform(std::move(inform)), m_systemPrint(&TillPrinter::cupsPrintRaw)
{
}

void TillPrinter::setSystemPrint(SystemPrint print)
{
    m_systemPrint = print ? std::move(print) : SystemPrint(&TillPrinter::cupsPrintRaw);
}

QString TillPrinter::notConnectedText()
{
    return QStringLiteral("错误：打印机未连接好！");
}

QString TillPrinter::printerOffText()
{
    return QStringLiteral("当前设置为“暂时不启用打印机”，如需更改设置请点击“设置”按钮");
}

QString TillPrinter::reprintedText()
{
    return QStringLiteral("已打印上一单小票");
}

QString TillPrinter::noLastReceiptText()
{
    return QStringLiteral("还没有上一单小票可以打印");
}

void TillPrinter::inform(const QString &text) const
{
    if (m_inform)
        m_inform(text);
}

bool TillPrinter::printerOff()
{
    if (!m_settings.dayin)
        return false;
    if (!m_dayintixing) {
        m_dayintixing = true;
        inform(printerOffText());
    }
    return true;
}

bool TillPrinter::writeToPort(const QList<QByteArray> &chunks)
{
    const QString device = ZazuviIni::load(m_dir).portDevice(m_settings.printtype);
    if (device.isEmpty()) {
        inform(notConnectedText());
        return false;
    }
    // Never O_CREAT: a missing /dev/lp0 must not turn into a plain file that swallows receipts.
    const int fd = ::open(QFile::encodeName(device).constData(), O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        inform(notConnectedText());
        return false;
    }
    bool ok = true;
    for (const QByteArray &c : chunks) {
        if (!writeAll(fd, c)) {
            ok = false;
            break;
        }
    }
    if (::close(fd) != 0)
        ok = false;
    if (!ok)
        inform(notConnectedText());
    return ok;
}

bool TillPrinter::PrintFile(const QString &path)
{
    if (printerOff())
        return false;
    if (m_settings.printC)
        return systemPrint(path);

    QFile src(path);
    if (!src.open(QIODevice::ReadOnly)) {
        inform(missingFileText(path));
        return false;
    }
    QList<QByteArray> chunks;
    for (const QByteArray &line : fileLines(src.readAll()))
        chunks << line + "\r\n";
    return writeToPort(chunks);
}

bool TillPrinter::printCFile(const QString &path)
{
    if (printerOff())
        return false;
    return systemPrint(path);
}

bool TillPrinter::systemPrint(const QString &path)
{
    if (!QFileInfo::exists(path)) {
        inform(missingFileText(path));
        return false;
    }
    const QString problem = m_systemPrint(QFileInfo(path).absoluteFilePath());
    if (!problem.isEmpty()) {
        inform(problem);
        return false;
    }
    return true;
}

QString TillPrinter::cupsPrintRaw(const QString &path)
{
    const char *def = cupsGetDefault();
    const QByteArray dest = def ? QByteArray(def) : QByteArray();
    if (dest.isEmpty())
        return QStringLiteral("没有默认打印机，请在系统的打印机设置中指定一台默认打印机");

    cups_option_t *options = nullptr;
    const int count = cupsAddOption("raw", "true", 0, &options);
    const QByteArray file = QFile::encodeName(path);
    const QByteArray title = QFileInfo(path).fileName().toUtf8();
    const int job = cupsPrintFile(dest.constData(), file.constData(), title.constData(), count, options);
    cupsFreeOptions(count, options);
    if (job <= 0)
        return QStringLiteral("打印失败：") + QString::fromUtf8(cupsLastErrorString());
    return {};
}

bool TillPrinter::printReceiptFile(const QString &path)
{
    return m_settings.printC ? printCFile(path) : PrintFile(path);
}

bool TillPrinter::openDrawer()
{
    if (m_settings.printC) {
        // A raw job bypasses the driver, so the job itself carries the pulse.
        const QString open = m_dir + QStringLiteral("open.txt");
        QString error;
        if (!writeBytesAtomic(open, Escpos::DrawerPulse, &error)) {
            inform(error);
            return false;
        }
        return printCFile(open);
    }
    return writeToPort({Escpos::DrawerPulse});
}

void TillPrinter::reprint()
{
    const QString path = outputFile(m_dir);
    if (!QFileInfo::exists(path)) {
        inform(noLastReceiptText());
        return;
    }
    if (printReceiptFile(path))
        inform(reprintedText());
}

// ---- pole display ---------------------------------------------------------------------

PoleDisplay::PoleDisplay(const QString &programDir)
    : m_dir(programDir)
{
}

PoleDisplay::~PoleDisplay()
{
    com_rest();
}

bool PoleDisplay::com_init(int port, int speed)
{
    com_rest();
    speed_t baud;
    if (!speedFor(speed, &baud))
        return false;
    const QString device = ZazuviIni::load(m_dir).portDevice(QStringLiteral("COM%1").arg(port));
    if (device.isEmpty())
        return false;
    // O_NONBLOCK only for the open itself, so a line without carrier does not hang it.
    const int fd = ::open(QFile::encodeName(device).constData(), O_WRONLY | O_APPEND | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
        ::close(fd);
        return false;
    }
    if (::isatty(fd)) {
        termios tio{};
        if (::tcgetattr(fd, &tio) != 0) {
            ::close(fd);
            return false;
        }
        ::cfmakeraw(&tio);
        tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
        tio.c_cflag |= CS8 | CLOCAL | CREAD;
        tio.c_iflag &= ~(IXON | IXOFF | IXANY);
        ::cfsetispeed(&tio, baud);
        ::cfsetospeed(&tio, baud);
        if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
            ::close(fd);
            return false;
        }
    }
    m_fd = fd;
    return true;
}

void PoleDisplay::com_send(const QByteArray &command)
{
    if (m_fd < 0)
        return;
    // The display is an extra; a failing line must never stop a sale.
    writeAll(m_fd, command);
}

void PoleDisplay::com_rest()
{
    if (m_fd < 0)
        return;
    if (::isatty(m_fd))
        ::tcdrain(m_fd);
    ::close(m_fd);
    m_fd = -1;
}

void PoleDisplay::clear()
{
    com_send(QByteArray("\x0c"));
}

void PoleDisplay::show(const QString &text)
{
    com_send(QByteArray("\x1bQA") + displayBytes(text) + '\r');
}

void PoleDisplay::showTotal(const QString &text)
{
    com_send(QByteArray("\x1bs2"));
    show(text);
}

void PoleDisplay::showTendered(const QString &text)
{
    com_send(QByteArray("\x1bs3"));
    show(text);
}

void PoleDisplay::showChange(const QString &text)
{
    com_send(QByteArray("\x1bs4"));
    show(text);
}
