#include "workbooks/ziparchive.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

constexpr uint32_t kEndOfDirectory = 0x06054b50;
constexpr uint32_t kZip64EndLocator = 0x07064b50;
constexpr uint32_t kZip64End = 0x06064b50;
constexpr uint32_t kDirectoryEntry = 0x02014b50;
constexpr uint32_t kLocalHeader = 0x04034b50;
constexpr uint16_t kZip64Extra = 0x0001;
constexpr uint16_t kStored = 0, kDeflated = 8;
constexpr uint16_t kEncryptedFlag = 0x0001;

ZipArchive::Broken broken(const QString &why)
{
    return ZipArchive::Broken(why);
}

// Little-endian fields of a record, never read past the bytes given.
class Fields {
public:
    Fields(std::string_view bytes, size_t at) : m_bytes(bytes), m_at(at) {}
    template <class T>
    T take()
    {
        const std::string_view b = bytes(sizeof(T));
        T value = 0;
        for (size_t i = 0; i < sizeof(T); ++i)
            value |= T(uint8_t(b[i])) << (8 * i);
        return value;
    }
    std::string_view bytes(size_t count)
    {
        if (m_at > m_bytes.size() || count > m_bytes.size() - m_at)
            throw broken(QStringLiteral("压缩包的目录超出了文件的末尾"));
        const std::string_view b = m_bytes.substr(m_at, count);
        m_at += count;
        return b;
    }
    void skip(size_t count) { bytes(count); }
    size_t at() const { return m_at; }

private:
    std::string_view m_bytes;
    size_t m_at;
};

// Where the end-of-directory record stands: it is the last thing in the file, behind a comment
// of at most 65,535 bytes.
size_t findEndOfDirectory(std::string_view bytes)
{
    constexpr size_t kRecord = 22;
    if (bytes.size() < kRecord)
        throw broken(QStringLiteral("文件太短，不是完整的压缩包"));
    const size_t lowest = bytes.size() - kRecord > 65535 ? bytes.size() - kRecord - 65535 : 0;
    for (size_t at = bytes.size() - kRecord + 1; at-- > lowest;) {
        if (Fields(bytes, at).take<uint32_t>() == kEndOfDirectory)
            return at;
    }
    throw broken(QStringLiteral("找不到压缩包的目录，文件可能不完整"));
}

// The sizes and offset a zip64 extra field holds in place of the fields that read 0xFFFFFFFF.
void applyZip64Extra(std::string_view extra, ZipArchive::Entry &entry, bool sizeFull, bool compressedFull,
                     bool offsetFull)
{
    Fields f(extra, 0);
    while (f.at() + 4 <= extra.size()) {
        const uint16_t id = f.take<uint16_t>();
        const uint16_t length = f.take<uint16_t>();
        Fields field(f.bytes(length), 0);
        if (id != kZip64Extra)
            continue;
        if (sizeFull)
            entry.size = field.take<uint64_t>();
        if (compressedFull)
            entry.compressedSize = field.take<uint64_t>();
        if (offsetFull)
            entry.localHeader = field.take<uint64_t>();
        return;
    }
    if (sizeFull || compressedFull || offsetFull)
        throw broken(QStringLiteral("压缩包的目录缺少 zip64 信息"));
}

} // namespace

ZipArchive::ZipArchive(const QByteArray &bytes) : m_bytes(bytes.constData(), size_t(bytes.size()))
{
    const size_t end = findEndOfDirectory(m_bytes);
    Fields record(m_bytes, end + 4);
    record.skip(6); // disk numbers, entries on this disk
    uint64_t count = record.take<uint16_t>();
    uint64_t directorySize = record.take<uint32_t>();
    uint64_t directoryOffset = record.take<uint32_t>();
    if (end >= 20 && Fields(m_bytes, end - 20).take<uint32_t>() == kZip64EndLocator) {
        Fields locator(m_bytes, end - 16);
        const uint64_t at = locator.take<uint64_t>();
        if (at > m_bytes.size())
            throw broken(QStringLiteral("压缩包的 zip64 目录位置不对"));
        Fields zip64(m_bytes, size_t(at));
        if (zip64.take<uint32_t>() != kZip64End)
            throw broken(QStringLiteral("压缩包的 zip64 目录位置不对"));
        zip64.skip(8 + 2 + 2 + 4 + 4 + 8); // record size, versions, disks, entries on this disk
        count = zip64.take<uint64_t>();
        directorySize = zip64.take<uint64_t>();
        directoryOffset = zip64.take<uint64_t>();
    }
    if (directoryOffset > m_bytes.size() || directorySize > m_bytes.size() - directoryOffset)
        throw broken(QStringLiteral("压缩包的目录超出了文件的末尾"));
    // Each directory record takes at least 46 bytes: a count beyond that is a lie.
    if (count > directorySize / 46)
        throw broken(QStringLiteral("压缩包目录中的文件数不对"));
    const std::string_view directory = m_bytes.substr(size_t(directoryOffset), size_t(directorySize));
    Fields f(directory, 0);
    m_entries.reserve(size_t(count));
    for (uint64_t i = 0; i < count; ++i) {
        if (f.take<uint32_t>() != kDirectoryEntry)
            throw broken(QStringLiteral("压缩包的目录已损坏"));
        Entry entry;
        f.skip(4); // versions
        entry.flags = f.take<uint16_t>();
        entry.method = f.take<uint16_t>();
        f.skip(4); // time, date
        entry.crc = f.take<uint32_t>();
        entry.compressedSize = f.take<uint32_t>();
        entry.size = f.take<uint32_t>();
        const uint16_t nameLength = f.take<uint16_t>();
        const uint16_t extraLength = f.take<uint16_t>();
        const uint16_t commentLength = f.take<uint16_t>();
        f.skip(8); // disk, attributes
        entry.localHeader = f.take<uint32_t>();
        const std::string_view name = f.bytes(nameLength);
        entry.name = QByteArray(name.data(), qsizetype(name.size()));
        applyZip64Extra(f.bytes(extraLength), entry, entry.size == 0xFFFFFFFF, entry.compressedSize == 0xFFFFFFFF,
                        entry.localHeader == 0xFFFFFFFF);
        f.skip(commentLength);
        m_entries.push_back(std::move(entry));
    }
}

const ZipArchive::Entry *ZipArchive::find(std::string_view name) const
{
    const QByteArray wanted(name.data(), qsizetype(name.size()));
    for (const Entry &entry : m_entries) {
        if (entry.name == wanted)
            return &entry;
    }
    for (const Entry &entry : m_entries) {
        if (entry.name.compare(wanted, Qt::CaseInsensitive) == 0)
            return &entry;
    }
    return nullptr;
}

std::string_view ZipArchive::dataOf(const Entry &entry) const
{
    if (entry.localHeader > m_bytes.size())
        throw broken(QStringLiteral("压缩包中 %1 的位置超出了文件的末尾").arg(QString::fromUtf8(entry.name)));
    Fields header(m_bytes, size_t(entry.localHeader));
    if (header.take<uint32_t>() != kLocalHeader)
        throw broken(QStringLiteral("压缩包中 %1 的文件头已损坏").arg(QString::fromUtf8(entry.name)));
    header.skip(22);
    const uint16_t nameLength = header.take<uint16_t>();
    const uint16_t extraLength = header.take<uint16_t>();
    header.skip(size_t(nameLength) + extraLength);
    const size_t start = header.at();
    if (entry.compressedSize > m_bytes.size() - start)
        throw broken(QStringLiteral("压缩包中的 %1 不完整").arg(QString::fromUtf8(entry.name)));
    return m_bytes.substr(start, size_t(entry.compressedSize));
}

void ZipArchive::read(const Entry &entry, const Piece &piece, uint64_t maxEntryBytes) const
{
    const QString name = QString::fromUtf8(entry.name);
    if (entry.flags & kEncryptedFlag)
        throw broken(QStringLiteral("压缩包中的 %1 已加密").arg(name));
    if (entry.method != kStored && entry.method != kDeflated)
        throw broken(QStringLiteral("压缩包中的 %1 使用了不支持的压缩方式（%2）").arg(name).arg(entry.method));
    if (entry.size > maxEntryBytes)
        throw broken(QStringLiteral("压缩包中的 %1 解压后超过 %2 MB 的上限").arg(name).arg(maxEntryBytes >> 20));
    const std::string_view data = dataOf(entry);
    uLong crc = crc32(0, nullptr, 0);
    uint64_t total = 0;
    auto hand = [&](std::string_view bytes, double fraction) {
        total += bytes.size();
        if (total > entry.size)
            throw broken(QStringLiteral("压缩包中的 %1 解压后比记录的大小大，文件已损坏或被恶意构造").arg(name));
        crc = crc32(crc, reinterpret_cast<const Bytef *>(bytes.data()), uInt(bytes.size()));
        piece(bytes, fraction);
    };
    constexpr size_t kPiece = 256 * 1024;
    if (entry.method == kStored) {
        for (size_t at = 0; at < data.size(); at += kPiece)
            hand(data.substr(at, kPiece), double(std::min(at + kPiece, data.size())) / double(data.size()));
    } else {
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
            throw std::bad_alloc();
        const std::unique_ptr<z_stream, int (*)(z_stream *)> end(&z, inflateEnd);
        const std::unique_ptr<char[]> out(new char[kPiece]);
        size_t consumed = 0;
        int status = Z_OK;
        while (status != Z_STREAM_END) {
            // zlib counts its input in 32 bits: a larger entry is given in slices.
            if (z.avail_in == 0 && consumed < data.size()) {
                const size_t slice = std::min<size_t>(data.size() - consumed, 1u << 30);
                z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data() + consumed));
                z.avail_in = uInt(slice);
                consumed += slice;
            }
            z.next_out = reinterpret_cast<Bytef *>(out.get());
            z.avail_out = uInt(kPiece);
            status = inflate(&z, Z_NO_FLUSH);
            if (status == Z_MEM_ERROR)
                throw std::bad_alloc();
            if (status != Z_OK && status != Z_STREAM_END && !(status == Z_BUF_ERROR && z.avail_in == 0 && consumed < data.size()))
                throw broken(QStringLiteral("压缩包中的 %1 已损坏或不完整").arg(name));
            const size_t produced = kPiece - z.avail_out;
            if (produced > 0) {
                const double fraction = data.empty() ? 1 : double(consumed - z.avail_in) / double(data.size());
                hand(std::string_view(out.get(), produced), fraction);
            }
        }
    }
    if (total != entry.size || crc != entry.crc)
        throw broken(QStringLiteral("压缩包中的 %1 已损坏（大小或校验和不符）").arg(name));
}
