#include "counter/labels/hangtagprint.h"

#include "common/appcontext.h"
#include "common/messages.h"
#include "common/numbertext.h"
#include "common/printing.h"
#include "common/shopevents.h"
#include "counter/labels/generatedcodes.h"
#include "data/database.h"

#include <QApplication>
#include <QStringList>
#include <algorithm>

namespace {

// A stock row as its labels need it.
struct LabelRow {
    long long key = 0;
    HangTag tag;
    int copies = 0;
};

int copiesOf(const LabelOptions &options, double stock)
{
    if (!options.byStock)
        return options.fixedCount;
    // Whole pieces, as the stock alarm counts them; no stock, no labels.
    const long long pieces = numbertext::roundHalfEven(stock);
    return int(std::clamp<long long>(pieces, 0, HangTagPrint::kMostLabels + 1));
}

// The rows of `keys` still in the shop, in that order, with their label counts.
QList<LabelRow> readRows(Database &db, const QList<long long> &keys, const LabelOptions &options)
{
    QList<LabelRow> rows;
    for (long long key : keys) {
        db.query(Statement(QStringLiteral("SELECT a, b, c, [4], [7] FROM data WHERE ID = ?"), {key}),
                 [&](const ResultRow &r) {
                     LabelRow row;
                     row.key = key;
                     row.tag = {r.text(0), r.text(1), r.isNull(3) ? QString() : numbertext::general(r.number(3)),
                                r.text(2).trimmed()};
                     row.copies = copiesOf(options, r.number(4));
                     rows << row;
                 });
    }
    return rows;
}

QString rowName(const HangTag &tag)
{
    const QString name = tag.name.isEmpty() ? QStringLiteral("（无名称）") : tag.name;
    return tag.model.isEmpty() ? name : QStringLiteral("%1 %2").arg(name, tag.model);
}

} // namespace

HangTagPrint::HangTagPrint(AppContext &ctx, AskOptions askOptions) : m_ctx(ctx), m_askOptions(std::move(askOptions))
{
    if (!m_askOptions)
        m_askOptions = [] { return LabelPrintDialog::ask(QApplication::activeWindow()); };
}

void HangTagPrint::run(const QList<long long> &keys)
{
    if (keys.isEmpty()) {
        m_ctx.messages.info(QStringLiteral("请先在表格中选中要打印标签的行（按住 Ctrl 或 Shift 键可以选中多行）。"));
        return;
    }
    if (keys.size() > kMostLabels) {
        m_ctx.messages.warning(QStringLiteral("选中了 %1 行，一次最多为 %2 行打印标签。").arg(keys.size()).arg(kMostLabels));
        return;
    }
    const std::optional<LabelOptions> options = m_askOptions();
    if (!options)
        return;

    QList<LabelRow> rows = readRows(m_ctx.db, keys, *options);
    rows.removeIf([](const LabelRow &row) { return row.copies <= 0; });
    if (rows.isEmpty()) {
        m_ctx.messages.info(QStringLiteral("选中的行库存都为 0，没有要打印的标签。\n要打印它们的标签，请在“每行张数”中选择“固定”并填写张数。"));
        return;
    }
    long long total = 0;
    for (const LabelRow &row : rows)
        total += row.copies;
    if (total > kMostLabels) {
        m_ctx.messages.warning(QStringLiteral("一共要打印 %1 张标签，一次最多打印 %2 张。\n请少选几行，或选择“固定”张数。")
                                   .arg(total)
                                   .arg(kMostLabels));
        return;
    }

    QList<long long> withoutCode;
    for (const LabelRow &row : rows) {
        if (row.tag.code.isEmpty())
            withoutCode << row.key;
    }
    if (!withoutCode.isEmpty()) {
        const QString question =
            QStringLiteral("有 %1 行商品没有编码。是否为它们生成编码并保存到商品资料中？\n选“否”则不打印标签。").arg(withoutCode.size());
        if (!m_ctx.messages.confirmYesNo(QStringLiteral("标签打印"), question))
            return;
        const QHash<long long, QString> codes = generatedcodes::assign(m_ctx.db, withoutCode);
        emit m_ctx.events.stockRowsChanged();
        for (LabelRow &row : rows) {
            if (row.tag.code.isEmpty())
                row.tag.code = codes.value(row.key);
        }
        rows.removeIf([](const LabelRow &row) { return row.tag.code.isEmpty(); }); // deleted meanwhile
    }

    const HangTagLayout layout(options->size);
    QList<PrintedTag> tags;
    QStringList refused;
    for (const LabelRow &row : rows) {
        Code128Symbol symbol = Code128Symbol::encode(row.tag.code);
        if (const QString why = layout.whyNotPrintable(symbol); !why.isEmpty()) {
            refused << QStringLiteral("%1（编码 %2）：%3").arg(rowName(row.tag), row.tag.code, why);
            continue;
        }
        tags << PrintedTag{row.tag, std::move(symbol), row.copies};
    }
    if (!refused.isEmpty()) {
        // A box stays readable: the first rows are named, the others counted.
        constexpr int kNamed = 10;
        QStringList named = refused.mid(0, kNamed);
        if (refused.size() > kNamed)
            named << QStringLiteral("……另有 %1 行").arg(refused.size() - kNamed);
        m_ctx.messages.warning(QStringLiteral("以下商品的编码不能印成条码，没有打印它们的标签：\n") +
                               named.join(QLatin1Char('\n')));
    }
    if (tags.isEmpty())
        return;
    if (const auto printed = m_ctx.printing.preview(layout.job(documentName(), tags)))
        Printing::report(m_ctx.messages, documentName(), *printed);
}
