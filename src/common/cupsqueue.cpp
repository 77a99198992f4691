#include "common/cupsqueue.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <cups/cups.h>

#include <memory>

namespace {

QString lastCupsText()
{
    return QString::fromUtf8(cupsLastErrorString());
}

// The refusal of a request in the words a shop assistant understands, the scheduler's after it.
QString refusal(const QString &printer, ipp_status_t status)
{
    QString what;
    switch (status) {
    case IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS:
        what = QStringLiteral("打印机 %1 不接受打印任务").arg(printer);
        break;
    case IPP_STATUS_ERROR_NOT_FOUND:
        what = QStringLiteral("找不到打印机 %1").arg(printer);
        break;
    case IPP_STATUS_ERROR_FORBIDDEN:
    case IPP_STATUS_ERROR_NOT_AUTHORIZED:
    case IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED:
        what = QStringLiteral("没有使用打印机 %1 的权限").arg(printer);
        break;
    case IPP_STATUS_ERROR_SERVICE_UNAVAILABLE:
        what = QStringLiteral("无法连接打印服务");
        break;
    default:
        what = QStringLiteral("打印机 %1 出错").arg(printer);
        break;
    }
    const QString detail = lastCupsText();
    return detail.isEmpty() ? what : what + QStringLiteral("：") + detail;
}

struct DestDeleter {
    void operator()(cups_dest_t *dest) const { cupsFreeDests(1, dest); }
};
struct IppDeleter {
    void operator()(ipp_t *ipp) const { ippDelete(ipp); }
};
using IppPtr = std::unique_ptr<ipp_t, IppDeleter>;

// A stopped (paused) queue accepts jobs and keeps them; the receipt would not come out now but
// some time later, so it is refused before anything is sent.
QString stoppedPrinter(const QByteArray &printer)
{
    const std::unique_ptr<cups_dest_t, DestDeleter> dest(cupsGetNamedDest(CUPS_HTTP_DEFAULT, printer.constData(), nullptr));
    if (!dest)
        return {}; // the job request below reports a missing printer with the scheduler's words
    const char *state = cupsGetOption("printer-state", dest->num_options, dest->options);
    if (!state || QByteArray(state).toInt() != IPP_PSTATE_STOPPED)
        return {};
    QString text = QStringLiteral("打印机 %1 已暂停").arg(QString::fromUtf8(printer));
    const char *reasons = cupsGetOption("printer-state-reasons", dest->num_options, dest->options);
    if (reasons && *reasons && qstrcmp(reasons, "none") != 0)
        text += QStringLiteral("：") + QString::fromUtf8(reasons);
    return text;
}

struct JobState {
    ipp_jstate_t state = IPP_JSTATE_PENDING;
    QString message; // the printer's message about the job, or its state reasons
};

bool readJobState(int jobId, JobState &out)
{
    IppPtr request(ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES));
    char uri[256];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/jobs/%d", jobId);
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    static const char *const wanted[] = {"job-state", "job-state-reasons", "job-printer-state-message"};
    ippAddStrings(request.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", int(std::size(wanted)),
                  nullptr, wanted);
    const IppPtr response(cupsDoRequest(CUPS_HTTP_DEFAULT, request.release(), "/"));
    if (!response || cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
        return false;
    ipp_attribute_t *state = ippFindAttribute(response.get(), "job-state", IPP_TAG_ENUM);
    if (!state)
        return false;
    out.state = ipp_jstate_t(ippGetInteger(state, 0));
    if (ipp_attribute_t *message = ippFindAttribute(response.get(), "job-printer-state-message", IPP_TAG_TEXT))
        out.message = QString::fromUtf8(ippGetString(message, 0, nullptr));
    if (out.message.isEmpty()) {
        if (ipp_attribute_t *reasons = ippFindAttribute(response.get(), "job-state-reasons", IPP_TAG_KEYWORD)) {
            QStringList list;
            for (int i = 0; i < ippGetCount(reasons); ++i)
                list << QString::fromUtf8(ippGetString(reasons, i, nullptr));
            list.removeAll(QStringLiteral("none"));
            out.message = list.join(QStringLiteral(", "));
        }
    }
    return true;
}

bool finished(ipp_jstate_t state)
{
    return state >= IPP_JSTATE_STOPPED;
}

} // namespace

CupsQueue::CupsQueue(QString printer) : m_printer(std::move(printer)) {}

QString CupsQueue::submit(const Document &document) const
{
    QFile file(document.pdfFile);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("无法读取打印文件 %1：%2").arg(document.pdfFile, file.errorString());
    const QByteArray data = file.readAll();
    if (data.isEmpty())
        return QStringLiteral("打印文件 %1 是空的").arg(document.pdfFile);

    const QByteArray printer = m_printer.toUtf8();
    if (const QString stopped = stoppedPrinter(printer); !stopped.isEmpty())
        return stopped;

    // The page size travels with the job, so a receipt printer cuts the paper where the receipt ends.
    cups_option_t *options = nullptr;
    int optionCount = 0;
    if (!document.paperMm.isEmpty()) {
        const QByteArray media = QByteArray("Custom.") + QByteArray::number(qRound(document.paperMm.width())) + 'x' +
                                 QByteArray::number(qRound(document.paperMm.height())) + "mm";
        optionCount = cupsAddOption("media", media.constData(), optionCount, &options);
    }
    const QByteArray title = document.title.toUtf8();
    const int jobId = cupsCreateJob(CUPS_HTTP_DEFAULT, printer.constData(), title.constData(), optionCount, options);
    cupsFreeOptions(optionCount, options);
    if (jobId <= 0)
        return refusal(m_printer, cupsLastError());

    auto cancelled = [&](const QString &why) {
        cupsCancelJob2(CUPS_HTTP_DEFAULT, printer.constData(), jobId, 0);
        return why;
    };
    if (cupsStartDocument(CUPS_HTTP_DEFAULT, printer.constData(), jobId, title.constData(), CUPS_FORMAT_PDF, 1) !=
        HTTP_STATUS_CONTINUE)
        return cancelled(refusal(m_printer, cupsLastError()));
    if (cupsWriteRequestData(CUPS_HTTP_DEFAULT, data.constData(), size_t(data.size())) != HTTP_STATUS_CONTINUE) {
        cupsFinishDocument(CUPS_HTTP_DEFAULT, printer.constData());
        return cancelled(refusal(m_printer, cupsLastError()));
    }
    if (const ipp_status_t status = cupsFinishDocument(CUPS_HTTP_DEFAULT, printer.constData());
        status > IPP_STATUS_OK_EVENTS_COMPLETE)
        return cancelled(refusal(m_printer, status));

    // Follow the job for a moment: a queue that fails it right away (a filter that cannot read
    // it, a printer that stops) says so here.
    const QDeadlineTimer deadline(kWatchMs);
    JobState job;
    while (readJobState(jobId, job) && !finished(job.state) && !deadline.hasExpired())
        QThread::msleep(50);
    auto failed = [&](const QString &what) {
        return job.message.isEmpty() ? what : what + QStringLiteral("：") + job.message;
    };
    switch (job.state) {
    case IPP_JSTATE_STOPPED:
        return cancelled(failed(QStringLiteral("打印机 %1 停止了打印任务").arg(m_printer)));
    case IPP_JSTATE_CANCELED:
        return failed(QStringLiteral("打印任务在打印机 %1 上被取消").arg(m_printer));
    case IPP_JSTATE_ABORTED:
        return failed(QStringLiteral("打印机 %1 未能完成打印任务").arg(m_printer));
    case IPP_JSTATE_HELD:
        return cancelled(failed(QStringLiteral("打印任务在打印机 %1 上被挂起").arg(m_printer)));
    default:
        return {}; // printed, printing, or waiting its turn behind other jobs
    }
}
