#include "support/privatecups.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <cups/cups.h>

namespace {

const char *const kClientVariables[] = {"CUPS_SERVER", "LPDEST", "PRINTER"};

QString findTool(const QString &name)
{
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return path;
}

bool writeFile(const QString &fileName, const QString &text)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) == text.toUtf8().size();
}

} // namespace

CupsClientOverride::CupsClientOverride(const QString &socket)
{
    for (const char *name : kClientVariables)
        m_saved << Saved{name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt};
    qputenv("CUPS_SERVER", QFile::encodeName(socket));
    qunsetenv("LPDEST");
    qunsetenv("PRINTER");
    cupsSetServer(QFile::encodeName(socket).constData());
}

CupsClientOverride::~CupsClientOverride()
{
    for (const Saved &saved : m_saved) {
        if (saved.value)
            qputenv(saved.name, *saved.value);
        else
            qunsetenv(saved.name);
    }
    cupsSetServer(nullptr); // back to what the environment names
}

void CupsClientOverride::setDefaultPrinter(const QString &name)
{
    // LPDEST comes before any default in the user's own lpoptions file.
    qputenv("LPDEST", name.toUtf8());
}

PrivateCups::PrivateCups()
{
    m_error = start();
}

PrivateCups::~PrivateCups()
{
    m_client.reset();
    if (m_cupsd.state() != QProcess::NotRunning) {
        m_cupsd.terminate();
        if (!m_cupsd.waitForFinished(10000)) {
            m_cupsd.kill();
            m_cupsd.waitForFinished(5000);
        }
    }
}

QString PrivateCups::start()
{
    if (!m_dir.isValid())
        return QStringLiteral("no temporary folder: %1").arg(m_dir.errorString());
    if (QFile::encodeName(socket()).size() >= 100)
        return QStringLiteral("socket path too long for a unix socket: %1").arg(socket());
    const QString cupsd = findTool(QStringLiteral("cupsd"));
    if (cupsd.isEmpty())
        return QStringLiteral("cupsd not found (Debian package cups-daemon)");
    // The scheduler hands spool files to helpers running under its own user.
    QFile::setPermissions(m_dir.path(), QFile::permissions(m_dir.path()) | QFile::ExeGroup | QFile::ExeOther |
                                             QFile::ReadGroup | QFile::ReadOther);
    for (const char *sub : {"serverroot", "spool", "cache", "state", "tmp", "log"})
        QDir(m_dir.path()).mkpath(QString::fromLatin1(sub));

    const QString conf = path(QStringLiteral("cupsd.conf"));
    const QString files = path(QStringLiteral("cups-files.conf"));
    const bool written =
        writeFile(conf, QStringLiteral("Listen %1\n"
                                       "LogLevel info\n"
                                       "Browsing No\n"
                                       "WebInterface No\n"
                                       "DefaultAuthType None\n"
                                       "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                       "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n"
                                       "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n")
                            .arg(socket())) &&
        writeFile(files, QStringLiteral("ServerRoot %1/serverroot\n"
                                        "RequestRoot %1/spool\n"
                                        "CacheDir %1/cache\n"
                                        "StateDir %1/state\n"
                                        "TempDir %1/tmp\n"
                                        "AccessLog %1/log/access_log\n"
                                        "ErrorLog %1/log/error_log\n"
                                        "PageLog %1/log/page_log\n"
                                        "Printcap %1/state/printcap\n"
                                        "FileDevice Yes\n")
                             .arg(m_dir.path()));
    if (!written)
        return QStringLiteral("could not write the scheduler's configuration into %1").arg(m_dir.path());

    m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
    m_cupsd.start(cupsd, {QStringLiteral("-f"), QStringLiteral("-c"), conf, QStringLiteral("-s"), files});
    if (!m_cupsd.waitForStarted(10000))
        return QStringLiteral("cupsd did not start: %1").arg(m_cupsd.errorString());

    // Ready once the socket answers.
    const QDeadlineTimer deadline(20000);
    const QByteArray address = QFile::encodeName(socket());
    while (!deadline.hasExpired()) {
        if (m_cupsd.state() == QProcess::NotRunning)
            return QStringLiteral("cupsd stopped at once (exit %1): %2\n%3")
                .arg(m_cupsd.exitCode())
                .arg(QString::fromLocal8Bit(m_cupsd.readAll()), logTail());
        if (http_t *http = httpConnect2(address.constData(), 0, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_IF_REQUESTED, 1,
                                        500, nullptr)) {
            httpClose(http);
            m_client.emplace(socket());
            return {};
        }
        QThread::msleep(50);
    }
    return QStringLiteral("cupsd did not answer on %1 within 20 s\n%2").arg(socket(), logTail());
}

QString PrivateCups::logTail() const
{
    QFile log(path(QStringLiteral("log/error_log")));
    if (!log.open(QIODevice::ReadOnly))
        return QStringLiteral("(no scheduler log)");
    return QString::fromLocal8Bit(log.readAll().right(2000));
}

QString PrivateCups::admin(const QString &tool, const QStringList &arguments)
{
    const QString program = findTool(tool);
    if (program.isEmpty())
        return QStringLiteral("%1 not found (Debian package cups-client)").arg(tool);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, QStringList{QStringLiteral("-h"), socket()} + arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("%1 %2 failed: %3").arg(tool, arguments.join(QLatin1Char(' ')),
                                                    QString::fromLocal8Bit(process.readAll()));
    return {};
}

// A receipt printer's description with one filter from PDF to the device: gziptoany copies the
// document as it is; rastertolabel expects raster pages, finds none in a PDF and fails.
QString PrivateCups::writeDriver(Driver driver, QString &ppd)
{
    const QString filter = driver == Driver::PassThrough ? QStringLiteral("gziptoany") : QStringLiteral("rastertolabel");
    ppd = path(filter + QStringLiteral(".ppd"));
    const QString text = QStringLiteral(R"ppd(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "RECEIPT.PPD"
*Manufacturer: "Test"
*Product: "(Receipt test printer)"
*ModelName: "Receipt test printer"
*ShortNickName: "Receipt test printer"
*NickName: "Receipt test printer, %1"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: False
*DefaultColorSpace: Gray
*FileSystem: False
*Throughput: "1"
*TTRasterizer: Type42
*cupsVersion: 2.4
*cupsFilter: "application/pdf 0 %1"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: X80MMY250MM
*PageSize X80MMY250MM/80 x 250 mm: "<</PageSize[227 709]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: X80MMY250MM
*PageRegion X80MMY250MM/80 x 250 mm: "<</PageSize[227 709]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: X80MMY250MM
*ImageableArea X80MMY250MM/80 x 250 mm: "0 0 227 709"
*DefaultPaperDimension: X80MMY250MM
*PaperDimension X80MMY250MM/80 x 250 mm: "227 709"
)ppd")
                             .arg(filter);
    if (!writeFile(ppd, text))
        return QStringLiteral("could not write %1").arg(ppd);
    const QString program = QStringLiteral("/usr/lib/cups/filter/") + filter;
    if (!QFile::exists(program))
        return QStringLiteral("%1 not found (Debian package %2)")
            .arg(program, driver == Driver::PassThrough ? QStringLiteral("cups-core-drivers") : QStringLiteral("cups"));
    return {};
}

QString PrivateCups::addQueue(const QString &name, const QString &outputFile, Driver driver)
{
    QString ppd;
    if (const QString error = writeDriver(driver, ppd); !error.isEmpty())
        return error;
    return admin(QStringLiteral("lpadmin"), {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                                             QStringLiteral("file://") + outputFile, QStringLiteral("-P"), ppd});
}

int PrivateCups::unfinishedJobs(const QString &queue)
{
    cups_job_t *jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.toUtf8().constData(), 0, CUPS_WHICHJOBS_ACTIVE);
    cupsFreeJobs(count, jobs);
    return count;
}
