#include "users/logindialog.h"

#include "common/appcontext.h"

LoginDialog::LoginDialog(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("Tloginfm"));
    setWindowTitle(QStringLiteral("用户登录"));
}
