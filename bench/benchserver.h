#pragma once

#include <QString>

class PrivatePostgres;

// The shops of the benchmarks' server places: shop files copied into databases of one PostgreSQL
// server of the benchmark's own (a local socket), started when a server place is first needed and
// stopped at the end of the run.
//
// The server's cluster is kept between runs in the shop cache folder, with one finished copy of
// each shop file as a template named by the file's path, size and modification time; a run takes
// its databases as copies of those templates, so a second run starts in seconds and finds every
// shop as generated. A template whose file has changed or gone is dropped and copied afresh. When
// the kept cluster cannot be used (another run holds it, it does not start) the run copies its
// shops into a server in a temporary folder instead, and says why.

// Whether the server places are measured (TOLVANE_BENCH_SERVER=0 leaves them out).
bool serverWanted();

// The benchmark's server, started at the first call; ends the run when no server can be had.
PrivatePostgres &benchServer();

// The connection string of this run's copy of the shop file `shopFile` on the server, made at the
// first call for that file and shared by the benchmarks that name the same file.
QString serverShop(const QString &shopFile);

// A copy of `shopFile` on the server of its own at every call, for a benchmark that writes to it.
QString writableServerShop(const QString &shopFile);

// Drops the database `name` of the server, and any connection still open to it.
void dropServerDatabase(const QString &name);
