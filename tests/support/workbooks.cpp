#include "support/workbooks.h"

#include <QDate>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <stdexcept>

namespace workbooks {

namespace {

QJsonValue cellJson(const QVariant &cell)
{
    if (!cell.isValid() || cell.isNull())
        return QJsonValue::Null;
    switch (cell.typeId()) {
    case QMetaType::QString:
        return cell.toString();
    case QMetaType::QDate:
        return QJsonObject{{QStringLiteral("date"), cell.toDate().toString(Qt::ISODate)}};
    case QMetaType::QVariantMap:
        return QJsonObject::fromVariantMap(cell.toMap());
    default:
        return cell.toDouble();
    }
}

} // namespace

QVariant formula(const QString &text, double value)
{
    return QVariantMap{{QStringLiteral("formula"), text}, {QStringLiteral("value"), value}};
}

void write(const QString &path, const QString &format, const QList<Sheet> &sheets, const Options &options)
{
    QJsonArray sheetsJson;
    for (const Sheet &sheet : sheets) {
        QJsonArray rows;
        for (qsizetype r = 0; r < sheet.rows.size(); ++r) {
            QJsonArray cells;
            for (const QVariant &cell : sheet.rows[r])
                cells.append(cellJson(cell));
            if (sheet.repeated.contains(r))
                rows.append(QJsonObject{{QStringLiteral("repeat"), sheet.repeated.value(r)}, {QStringLiteral("cells"), cells}});
            else
                rows.append(cells);
        }
        sheetsJson.append(QJsonObject{{QStringLiteral("name"), sheet.name}, {QStringLiteral("rows"), rows}});
    }
    const QJsonObject request{{QStringLiteral("path"), path},
                           {QStringLiteral("format"), format},
                           {QStringLiteral("encoding"), options.encoding},
                           {QStringLiteral("encrypted"), options.encrypted},
                           {QStringLiteral("sheets"), sheetsJson}};
    QProcess writer;
    // Debian's interpreter, where the writer modules are installed.
    writer.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(TOLVANE_TEST_SUPPORT_DIR "/make_workbook.py")});
    if (!writer.waitForStarted())
        throw std::runtime_error("cannot start /usr/bin/python3");
    writer.write(QJsonDocument(request).toJson(QJsonDocument::Compact));
    writer.closeWriteChannel();
    if (!writer.waitForFinished(60000) || writer.exitStatus() != QProcess::NormalExit || writer.exitCode() != 0)
        throw std::runtime_error("workbook writer failed: " + writer.readAllStandardError().toStdString());
}

Row header()
{
    Row row;
    for (const char *name : {"a", "b", "c", "d", "e", "f", "g", "a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8", "z",
                             "day1"})
        row << QString::fromLatin1(name);
    return row;
}

Row stockRow(const QString &name, const QString &model, double price, double quantity, const QDate &date)
{
    return {name,           model,           QStringLiteral("A001"), QStringLiteral("上衣"), QVariant(), QVariant(),
            QStringLiteral("天虹"), price,   quantity,               price * quantity,      price * 2,  0.0,
            0.0,            quantity,        price * quantity,       QStringLiteral("备注"), date};
}

void truncate(const QString &path, qint64 keep)
{
    QFile file(path);
    if (!file.resize(keep))
        throw std::runtime_error("cannot truncate " + path.toStdString());
}

} // namespace workbooks
