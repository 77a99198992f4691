#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string_view>
#include <vector>

// The entries of a zip archive held in memory, read one at a time as a stream of pieces: an entry
// is never inflated into memory as a whole. Every offset, size and name of the archive is checked
// against the bytes there are before it is used; an entry is refused when it inflates to more
// than its directory says or than `maxEntryBytes`, or when its checksum does not match.
class ZipArchive {
public:
    // What makes the archive unreadable, in Chinese words for the person (a part of a sentence).
    class Broken : public std::runtime_error {
    public:
        explicit Broken(const QString &why) : std::runtime_error(why.toStdString()), m_why(why) {}
        const QString &why() const { return m_why; }

    private:
        QString m_why;
    };

    struct Entry {
        QByteArray name;
        uint16_t flags = 0;
        uint16_t method = 0;
        uint32_t crc = 0;
        uint64_t compressedSize = 0;
        uint64_t size = 0;
        uint64_t localHeader = 0;
    };

    // Reads the central directory of `bytes`, which must outlive the archive. Raises Broken.
    explicit ZipArchive(const QByteArray &bytes);

    // The entry of that name (zip names are compared exactly, then without regard to letter case,
    // as the parts of an Office document are named); null when there is none.
    const Entry *find(std::string_view name) const;

    // Hands the inflated bytes of `entry` to `piece` in order, with how far through its
    // compressed bytes the reading is (0…1). Raises Broken; what `piece` raises passes through.
    using Piece = std::function<void(std::string_view bytes, double fraction)>;
    void read(const Entry &entry, const Piece &piece, uint64_t maxEntryBytes) const;

private:
    std::string_view dataOf(const Entry &entry) const;
    std::string_view m_bytes;
    std::vector<Entry> m_entries;
};
