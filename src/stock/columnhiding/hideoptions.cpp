#include "stock/columnhiding/hideoptions.h"

namespace hideoptions {

QList<HideOption> mainGrid()
{
    return {
        {QStringLiteral("隐藏进货单价"), QStringLiteral("rukuyin1"), {QStringLiteral("1")}},
        {QStringLiteral("隐藏销售单价"), QStringLiteral("rukuyin6"), {QStringLiteral("4")}},
        {QStringLiteral("隐藏金额"), QStringLiteral("rukuyin2"), {QStringLiteral("3"), QStringLiteral("6"), QStringLiteral("8")}},
        {QStringLiteral("隐藏日期"), QStringLiteral("rukuyin3"), {QStringLiteral("day1")}},
        {QStringLiteral("隐藏供货商"), QStringLiteral("rukuyin4"), {QStringLiteral("g")}},
        {QStringLiteral("隐藏备注信息"), QStringLiteral("rukuyin5"), {QStringLiteral("z")}},
    };
}

QList<HideOption> salesDetails()
{
    const QString name = QStringLiteral("g"), contact = QStringLiteral("i"), address = QStringLiteral("h"),
                  remark = QStringLiteral("j");
    return {
        {QStringLiteral("隐藏销售单价"), QStringLiteral("xiaoshouyin1"), {QStringLiteral("2")}},
        {QStringLiteral("隐藏销售日期"), QStringLiteral("xiaoshouyin2"), {QStringLiteral("day1")}},
        {QStringLiteral("隐藏欠款"), QStringLiteral("xiaoshouyin3"), {QStringLiteral("6")}},
        {QStringLiteral("隐藏净利润"), QStringLiteral("xiaoshouyin4"), {QStringLiteral("a5")}},
        {QStringLiteral("隐藏全部客户信息"), QStringLiteral("xiaoshouyin5"), {name, contact, address, remark}, false, true},
        {QStringLiteral("显示客户编号"), QStringLiteral("xiaoshouyin6"), {QStringLiteral("z")}, true},
        {QStringLiteral("隐藏客户名称"), QStringLiteral("xiaoshouyin7"), {name}},
        {QStringLiteral("隐藏联系方式"), QStringLiteral("xiaoshouyin8"), {contact}},
        {QStringLiteral("隐藏地址"), QStringLiteral("xiaoshouyin9"), {address}},
        {QStringLiteral("隐藏备注"), QStringLiteral("xiaoshouyin10"), {remark}},
    };
}

} // namespace hideoptions
