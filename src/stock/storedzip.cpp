#include "stock/storedzip.h"

#include <QtEndian>
#include <array>
#include <cstdint>

namespace {

uint32_t crc32(const QByteArray &bytes)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (const char byte : bytes)
        c = table[(c ^ uint8_t(byte)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void put16(QByteArray &out, uint16_t v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray &out, uint32_t v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

} // namespace

QByteArray storedZip(const QList<std::pair<QByteArray, QByteArray>> &entries)
{
    QByteArray out;
    QByteArray directory;
    for (const auto &[name, data] : entries) {
        const uint32_t offset = uint32_t(out.size());
        const uint32_t crc = crc32(data);
        const uint32_t size = uint32_t(data.size());
        // Local file header: version 2.0, no flags, method 0 (stored), no time.
        put32(out, 0x04034b50);
        put16(out, 20);
        put16(out, 0);
        put16(out, 0);
        put16(out, 0);
        put16(out, 0);
        put32(out, crc);
        put32(out, size);
        put32(out, size);
        put16(out, uint16_t(name.size()));
        put16(out, 0);
        out.append(name);
        out.append(data);
        // Its central directory entry.
        put32(directory, 0x02014b50);
        put16(directory, 20);
        put16(directory, 20);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put32(directory, crc);
        put32(directory, size);
        put32(directory, size);
        put16(directory, uint16_t(name.size()));
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put32(directory, 0);
        put32(directory, offset);
        directory.append(name);
    }
    const uint32_t directoryOffset = uint32_t(out.size());
    out.append(directory);
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, uint16_t(entries.size()));
    put16(out, uint16_t(entries.size()));
    put32(out, uint32_t(directory.size()));
    put32(out, directoryOffset);
    put16(out, 0);
    return out;
}
