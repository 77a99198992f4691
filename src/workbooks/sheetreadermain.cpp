// tolvane-sheetreader PATH SHEET: reads the worksheet SHEET of the workbook at PATH and writes its
// rows to standard output in the stream the program reads (workbooks/sheetstream.h). The program
// starts it with limits on memory and time, so a file that crashes or exhausts a reader library
// ends this process only.

#include "stock/workbookreader.h"
#include "workbooks/sheetstream.h"

#include <QFile>

#include <cerrno>
#include <new>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Output gathered and written in large pieces.
class Output {
public:
    void send(const QByteArray &bytes)
    {
        m_buffer.append(bytes);
        if (m_buffer.size() >= 256 * 1024)
            flush();
    }
    void flush()
    {
        const char *data = m_buffer.constData();
        qsizetype left = m_buffer.size();
        while (left > 0) {
            const ssize_t written = ::write(STDOUT_FILENO, data, size_t(left));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                _exit(3); // the program is gone or stopped reading
            data += written;
            left -= written;
        }
        m_buffer.clear();
    }

private:
    QByteArray m_buffer;
};

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    const QString path = QFile::decodeName(argv[1]);
    const QString sheet = QString::fromLocal8Bit(argv[2]);
    Output output;
    sheetstream::Writer writer([&](const QByteArray &bytes) { output.send(bytes); });
    try {
        workbook::readSheet(path, sheet, writer, [&](int rows, int percent) {
            writer.progress(rows, percent);
            output.flush();
            return true;
        });
        writer.done();
    } catch (const UserVisibleError &e) {
        writer.failed(e.text());
    } catch (const std::bad_alloc &) {
        rlimit data{};
        getrlimit(RLIMIT_DATA, &data);
        writer.failed(data.rlim_cur == RLIM_INFINITY
                          ? QStringLiteral("工作簿无法读取：内存不足，工作簿太大或已损坏")
                          : QStringLiteral("工作簿无法读取：读取需要的内存超过 %1 MB 的上限，工作簿太大或已损坏")
                                .arg(qulonglong(data.rlim_cur) / (1024 * 1024)));
    } catch (const std::exception &e) {
        writer.failed(QStringLiteral("工作簿无法读取：%1").arg(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        writer.failed(QStringLiteral("工作簿无法读取：读取时出错"));
    }
    output.flush();
    return 0;
}
