#include "users/loginlog.h"

#include "common/appcontext.h"
#include "common/clock.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "data/routines.h"

namespace loginlog {

void record(AppContext &ctx, const QString &user)
{
    Dataset &work = ctx.data.workQuery;
    routines::execute(work, Statement(QStringLiteral("insert into rz (username,btime) values (?,?)"),
                                      {user, datetext::dateTime(ctx.clock.now())}));
    // The key of the row just inserted, not the highest key in the table: they differ once rows
    // have been removed or the log was copied in from elsewhere.
    const long long loginNumber = ctx.db.lastInsertId();
    work.close();
    ctx.session.userName = user;
    ctx.session.loginNumber = int(loginNumber);
}

} // namespace loginlog
