#include "common/passwordhash.h"

#include "common/errors.h"

#include <sodium.h>

#include <algorithm>
#include <iterator>

namespace passwordhash {

namespace {

// The library picks its fastest code for this processor once, before its first use.
void initialise()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw UserVisibleError(QStringLiteral("无法初始化密码加密库"));
}

// Settings meant for an interactive login: a fraction of a second and 64 MiB per check.
constexpr unsigned long long kOpsLimit = crypto_pwhash_OPSLIMIT_INTERACTIVE;
constexpr size_t kMemLimit = crypto_pwhash_MEMLIMIT_INTERACTIVE;

// `stored` in the fixed-size, zero-filled buffer the library reads a hash from; false when it is
// too long to be one.
bool toBuffer(const QString &stored, char (&buffer)[crypto_pwhash_STRBYTES])
{
    const QByteArray bytes = stored.toLatin1();
    if (bytes.size() >= qsizetype(crypto_pwhash_STRBYTES))
        return false;
    std::fill(std::begin(buffer), std::end(buffer), '\0');
    std::copy(bytes.cbegin(), bytes.cend(), buffer);
    return true;
}

} // namespace

QString make(const QString &password)
{
    initialise();
    const QByteArray bytes = password.toUtf8();
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, bytes.constData(), static_cast<unsigned long long>(bytes.size()), kOpsLimit,
                          kMemLimit) != 0)
        throw UserVisibleError(QStringLiteral("内存不足，无法加密保存密码"));
    return QString::fromLatin1(hash);
}

bool isHash(const QString &stored)
{
    return stored.startsWith(QLatin1String(crypto_pwhash_STRPREFIX)) ||
           stored.startsWith(QLatin1String(crypto_pwhash_argon2i_STRPREFIX));
}

bool verify(const QString &stored, const QString &password)
{
    initialise();
    char hash[crypto_pwhash_STRBYTES];
    if (!toBuffer(stored, hash))
        return false;
    const QByteArray bytes = password.toUtf8();
    return crypto_pwhash_str_verify(hash, bytes.constData(),
                                    static_cast<unsigned long long>(bytes.size())) == 0;
}

bool isOutdated(const QString &stored)
{
    initialise();
    char hash[crypto_pwhash_STRBYTES];
    return !toBuffer(stored, hash) || crypto_pwhash_str_needs_rehash(hash, kOpsLimit, kMemLimit) != 0;
}

} // namespace passwordhash
