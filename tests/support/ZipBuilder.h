#pragma once

// Writes zip archives for the tests, byte by byte, so that every field a
// test cares about can be set on purpose: raw name bytes, flags, DOS dates,
// wrong CRCs and sizes, cut-off data, traditional encryption, a prefix before
// the archive and the zip64 records of archives with more than 65,535
// entries. Deflate comes from qCompress with its zlib framing removed.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>
#include <deque>
#include <optional>
#include <zlib.h>

class ZipBuilder {
  public:
    struct Entry {
        QByteArray name; // stored as is
        QByteArray data;
        bool deflated = true;
        quint16 flag = 0;
        quint32 dosDate = packDosDate(2021, 6, 15, 10, 20, 30);
        std::optional<quint32> crc;          // stored CRC; the real one by default
        std::optional<quint64> declaredSize; // stored uncompressed size; the real one by default
        qsizetype keepCompressed = -1;       // cut the stored data to this many bytes
        QByteArray password;                 // traditional encryption when set
    };

    static quint32 packDosDate(int year, int month, int day, int hour, int minute, int second) {
        const quint32 date = quint32(((year - 1980) << 9) | (month << 5) | day);
        const quint32 time = quint32((hour << 11) | (minute << 5) | (second / 2));
        return (date << 16) | time;
    }

    Entry& add(const QByteArray& name, const QByteArray& data = QByteArray()) {
        // A deque, so that the reference stays good while more are added.
        entries.push_back(Entry{});
        entries.back().name = name;
        entries.back().data = data;
        return entries.back();
    }

    // The archive, after `prefix` (as self-extracting archives carry one).
    QByteArray bytes(const QByteArray& prefix = QByteArray()) const {
        QByteArray out = prefix;
        QByteArray directory;
        for (const Entry& entry : entries) {
            const quint32 crc = crc32(entry.data);
            QByteArray payload = entry.deflated ? deflate(entry.data) : entry.data;
            quint16 flag = entry.flag;
            if (!entry.password.isEmpty()) {
                flag |= 1;
                payload = encrypt(payload, entry.password, crc);
            }
            if (entry.keepCompressed >= 0)
                payload.truncate(entry.keepCompressed);
            const quint64 size = entry.declaredSize.value_or(quint64(entry.data.size()));
            const bool big = size >= 0xFFFFFFFFull;
            QByteArray extra;
            if (big)
                put(extra, quint16(1), quint16(8), size);
            const quint32 storedSize = big ? 0xFFFFFFFFu : quint32(size);
            const quint16 version = big ? 45 : 20, method = entry.deflated ? 8 : 0;
            const quint16 nameSize = quint16(entry.name.size());
            const quint32 offset = quint32(out.size() - prefix.size());
            // The fields the local header and the directory entry share.
            auto common = [&](QByteArray& to) {
                put(to, flag, method, entry.dosDate, entry.crc.value_or(crc),
                    quint32(payload.size()), storedSize, nameSize);
            };
            put(out, quint32(0x04034b50), version);
            common(out);
            put(out, quint16(0));
            out += entry.name + payload;

            put(directory, quint32(0x02014b50), quint16(0x031e), version); // made on Unix
            common(directory);
            put(directory, quint16(extra.size()), quint16(0), quint16(0), quint16(0),
                entry.name.endsWith('/') ? 0x41ed0010u : 0x81a40000u, offset);
            directory += entry.name + extra;
        }
        const quint64 directoryOffset = quint64(out.size() - prefix.size());
        out += directory;
        const quint64 count = quint64(entries.size());
        if (count > 0xFFFF) {
            const quint64 recordOffset = quint64(out.size());
            put(out, quint32(0x06064b50), quint64(44), quint16(45), quint16(45), quint32(0),
                quint32(0), count, count, quint64(directory.size()), directoryOffset);
            put(out, quint32(0x07064b50), quint32(0), recordOffset, quint32(1));
        }
        const quint16 shortCount = count > 0xFFFF ? 0xFFFF : quint16(count);
        put(out, quint32(0x06054b50), quint16(0), quint16(0), shortCount, shortCount,
            quint32(directory.size()), quint32(directoryOffset), quint16(0));
        return out;
    }

    bool writeTo(const QString& path, const QByteArray& prefix = QByteArray()) const {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes(prefix)) >= 0;
    }

    static quint32 crc32(const QByteArray& data) {
        const auto* bytes = reinterpret_cast<const Bytef*>(data.constData());
        return quint32(::crc32(0, bytes, uInt(data.size())));
    }

    // Raw deflate: qCompress gives a 4-byte length, a 2-byte zlib header,
    // the deflate stream and a 4-byte Adler-32.
    static QByteArray deflate(const QByteArray& data) {
        const QByteArray framed = qCompress(data, 6);
        return framed.mid(6, framed.size() - 10);
    }

  private:
    static const z_crc_t* crcTable() { return get_crc_table(); }

    // The traditional PKWARE scheme: a 12-byte header whose last byte is the
    // CRC's high byte, then every byte run through the key stream.
    static QByteArray encrypt(const QByteArray& payload, const QByteArray& password, quint32 crc) {
        quint32 keys[3] = {0x12345678u, 0x23456789u, 0x34567890u};
        auto update = [&keys](quint8 c) {
            keys[0] = crcTable()[(keys[0] ^ c) & 0xFF] ^ (keys[0] >> 8);
            keys[1] = (keys[1] + (keys[0] & 0xFF)) * 134775813u + 1;
            keys[2] = crcTable()[(keys[2] ^ (keys[1] >> 24)) & 0xFF] ^ (keys[2] >> 8);
        };
        auto encode = [&](quint8 plain) {
            const quint32 temp = (keys[2] | 2) & 0xFFFF; // unsigned: the product overflows int
            const quint8 cipher = quint8(plain ^ quint8((temp * (temp ^ 1)) >> 8));
            update(plain);
            return char(cipher);
        };
        for (const char c : password)
            update(quint8(c));
        QByteArray out;
        for (int i = 0; i < 11; ++i)
            out += encode(quint8(0x5A + 17 * i));
        out += encode(quint8(crc >> 24));
        for (const char c : payload)
            out += encode(quint8(c));
        return out;
    }

    // Little-endian fields, each as wide as its type.
    template <typename... T> static void put(QByteArray& out, T... values) {
        auto one = [&out](auto value) {
            const auto le = qToLittleEndian(value);
            out.append(reinterpret_cast<const char*>(&le), sizeof le);
        };
        (one(values), ...);
    }

    std::deque<Entry> entries;
};
