#include "platform/imagesource/ExifProperties.h"

#include <QColorSpace>
#include <QSet>
#include <QVariantList>
#include <exiv2/exiv2.hpp>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <mutex>

namespace {

// Values longer than this are binary tables of no use to a reader.
constexpr long maxListLength = 64;

void setUpExiv2() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        // The XMP toolkit must be set up once before threads use it.
        Exiv2::XmpParser::initialize();
    });
}

// Tags that are structure (offsets, pointers, embedded blobs), not information.
bool isStructural(const std::string& name) {
    static const QSet<QByteArray> names = {
        "ExifTag", "GPSTag", "InteroperabilityTag", "JPEGInterchangeFormat",
        "JPEGInterchangeFormatLength", "StripOffsets", "StripByteCounts", "TileOffsets",
        "TileByteCounts", "SubIFDs", "InterColorProfile", "XMLPacket", "IPTCNAA", "ImageResources",
        "PrintImageMatching", "DNGPrivateData", "MakerNote", "MakerNoteSafety", "RowsPerStrip",
        "PlanarConfiguration", "JPEGTables", "OpcodeList1", "OpcodeList2", "OpcodeList3",
    };
    return names.contains(QByteArray::fromStdString(name));
}

QString groupFor(const std::string& exivGroup) {
    const QString g = QString::fromStdString(exivGroup);
    if (g == QLatin1String("Image"))
        return QStringLiteral("{TIFF}");
    if (g == QLatin1String("Photo") || g == QLatin1String("Iop"))
        return QStringLiteral("{Exif}");
    if (g == QLatin1String("GPSInfo"))
        return QStringLiteral("{GPS}");
    static const char* makers[][2] = {
        {"Canon", "{MakerCanon}"}, {"Nikon", "{MakerNikon}"}, {"Olympus", "{MakerOlympus}"},
        {"Fujifilm", "{MakerFuji}"}, {"Minolta", "{MakerMinolta}"}, {"Pentax", "{MakerPentax}"},
        {"Sony", "{MakerSony}"}, {"Panasonic", "{MakerPanasonic}"}, {"Samsung", "{MakerSamsung}"},
        {"Sigma", "{MakerSigma}"}, {"Apple", "{MakerApple}"}, {"Casio", "{MakerCasio}"},
    };
    for (const auto& maker : makers) {
        if (g.startsWith(QLatin1String(maker[0])))
            return QString::fromLatin1(maker[1]);
    }
    return QString(); // the thumbnail's IFD, sub-images of raws and the like
}

QString keyFor(const QString& group, const std::string& tagName) {
    QString key = QString::fromStdString(tagName);
    if (group == QLatin1String("{GPS}")) {
        if (key == QLatin1String("GPSVersionID"))
            return QStringLiteral("Version");
        if (key.startsWith(QLatin1String("GPS")))
            key = key.mid(3);
    }
    return key;
}

QString text(const Exiv2::Metadatum& datum) {
    QString s = QString::fromStdString(datum.toString());
    while (s.endsWith(QChar(0)))
        s.chop(1);
    return s.trimmed();
}

// "0232" -> (2, 3, 2); "0220" -> (2, 2); "0100" -> (1, 0): the major number,
// then the minor digits, a trailing zero digit dropped.
QVariant versionList(const Exiv2::Metadatum& datum) {
    std::string digits;
    for (long i = 0; i < datum.count() && i < 4; ++i)
        digits += char(datum.toLong(i));
    if (digits.size() != 4 || !std::all_of(digits.begin(), digits.end(), ::isdigit))
        return QVariant();
    QVariantList list{std::stoi(digits.substr(0, 2)), digits[2] - '0'};
    if (digits[3] != '0')
        list.append(digits[3] - '0');
    return list;
}

QVariant number(const Exiv2::Metadatum& datum, long i) {
    switch (datum.typeId()) {
    case Exiv2::unsignedRational:
    case Exiv2::signedRational: {
        const Exiv2::Rational r = datum.toRational(i);
        if (r.second == 0)
            return QVariant();
        return double(r.first) / double(r.second);
    }
    case Exiv2::tiffFloat:
    case Exiv2::tiffDouble:
        return double(datum.toFloat(i));
    default:
        return qlonglong(datum.toLong(i));
    }
}

QVariant valueOf(const Exiv2::Metadatum& datum) {
    const std::string name = datum.tagName();
    if (name == "ExifVersion" || name == "FlashpixVersion" || name == "InteroperabilityVersion")
        return versionList(datum);
    switch (datum.typeId()) {
    case Exiv2::asciiString:
    case Exiv2::string:
    case Exiv2::date:
    case Exiv2::time:
    case Exiv2::xmpText:
    case Exiv2::xmpAlt:
    case Exiv2::xmpBag:
    case Exiv2::xmpSeq:
    case Exiv2::langAlt:
        return text(datum);
    case Exiv2::comment: {
        const auto* comment = dynamic_cast<const Exiv2::CommentValue*>(&datum.value());
        QString s = comment ? QString::fromStdString(comment->comment()) : text(datum);
        while (s.endsWith(QChar(0)))
            s.chop(1);
        s = s.trimmed();
        return s.isEmpty() ? QVariant() : QVariant(s);
    }
    case Exiv2::undefined:
        if (datum.count() > 16)
            return QVariant(); // binary blobs: maker data, print settings
        break;
    default:
        break;
    }
    const long count = datum.count();
    if (count <= 0 || count > maxListLength)
        return QVariant();
    if (count == 1)
        return number(datum, 0);
    QVariantList list;
    for (long i = 0; i < count; ++i) {
        const QVariant v = number(datum, i);
        if (v.isValid())
            list.append(v);
    }
    return list;
}

// Degrees, minutes and seconds as one decimal number of degrees.
QVariant degrees(const QVariant& value) {
    const QVariantList parts = value.toList();
    if (parts.size() != 3)
        return value;
    return parts[0].toDouble() + parts[1].toDouble() / 60.0 + parts[2].toDouble() / 3600.0;
}

QVariant timeStamp(const QVariant& value) {
    const QVariantList parts = value.toList();
    if (parts.size() != 3)
        return value;
    const double seconds = parts[2].toDouble();
    return QStringLiteral("%1:%2:%3")
        .arg(parts[0].toInt(), 2, 10, QLatin1Char('0'))
        .arg(parts[1].toInt(), 2, 10, QLatin1Char('0'))
        .arg(seconds, seconds == std::floor(seconds) ? 2 : 5, 'f', seconds == std::floor(seconds) ? 0 : 2,
             QLatin1Char('0'));
}

void insertValue(QVariantMap& group, const QString& key, const QVariant& value) {
    // Repeated tags (IPTC keywords) gather into a list.
    const auto existing = group.find(key);
    if (existing == group.end()) {
        group.insert(key, value);
        return;
    }
    QVariantList list = existing->typeId() == QMetaType::QVariantList ? existing->toList()
                                                                     : QVariantList{*existing};
    list.append(value);
    *existing = list;
}

void readExif(const Exiv2::ExifData& exif, ExifProperties& out) {
    long resolutionUnit = 2;
    for (const Exiv2::Exifdatum& datum : exif) {
        const std::string tag = datum.tagName();
        const std::string exivGroup = datum.groupName();
        if (exivGroup == "Image") {
            if (tag == "Orientation" && datum.count() >= 1) {
                const long o = datum.toLong(0);
                if (o >= 1 && o <= 8)
                    out.orientation = int(o);
            } else if (tag == "ResolutionUnit" && datum.count() >= 1) {
                resolutionUnit = datum.toLong(0);
            } else if (tag == "XResolution" && datum.count() >= 1) {
                out.dpiWidth = number(datum, 0).toDouble();
            } else if (tag == "YResolution" && datum.count() >= 1) {
                out.dpiHeight = number(datum, 0).toDouble();
            }
        }
        const QString group = groupFor(exivGroup);
        if (group.isEmpty() || isStructural(tag) || tag.rfind("0x", 0) == 0)
            continue;
        const QString key = keyFor(group, tag);
        QVariant value = valueOf(datum);
        if (!value.isValid())
            continue;
        if (group == QLatin1String("{GPS}")) {
            if (key == QLatin1String("Latitude") || key == QLatin1String("Longitude") ||
                key == QLatin1String("DestLatitude") || key == QLatin1String("DestLongitude"))
                value = degrees(value);
            else if (key == QLatin1String("TimeStamp"))
                value = timeStamp(value);
        }
        QVariantMap map = out.groups.value(group).toMap();
        map.insert(key, value);
        out.groups.insert(group, map);
    }
    if (resolutionUnit == 3) { // centimetres
        out.dpiWidth *= 2.54;
        out.dpiHeight *= 2.54;
    } else if (resolutionUnit == 1) { // no absolute unit: only an aspect ratio
        out.dpiWidth = out.dpiHeight = 0.0;
    }
}

void readIptc(const Exiv2::IptcData& iptc, ExifProperties& out) {
    QVariantMap group;
    for (const Exiv2::Iptcdatum& datum : iptc) {
        if (datum.recordName() != "Application2")
            continue;
        const QString key = QString::fromStdString(datum.tagName());
        if (key.startsWith(QLatin1String("0x")) || key == QLatin1String("RecordVersion"))
            continue;
        const QVariant value = datum.typeId() == Exiv2::unsignedShort ? QVariant(qlonglong(datum.toLong(0)))
                                                                     : QVariant(text(datum));
        insertValue(group, key, value);
    }
    if (!group.isEmpty())
        out.groups.insert(QStringLiteral("{IPTC}"), group);
}

void readXmp(const Exiv2::XmpData& xmp, ExifProperties& out) {
    QVariantMap group;
    for (const Exiv2::Xmpdatum& datum : xmp) {
        const QString key = QString::fromStdString(datum.groupName() + ":" + datum.tagName());
        const QString value = text(datum);
        if (!value.isEmpty() && value.size() < 4096)
            group.insert(key, value);
    }
    if (!group.isEmpty())
        out.groups.insert(QStringLiteral("{XMP}"), group);
}

} // namespace

void ExifProperties::setUpLibrary() {
    setUpExiv2();
}

ExifProperties ExifProperties::read(const QByteArray& bytes) {
    ExifProperties out;
    if (bytes.size() < 8)
        return out;
    setUpExiv2();
    try {
        auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(bytes.constData()),
                                               long(bytes.size()));
        if (!image.get())
            return out;
        image->readMetadata();
        readExif(image->exifData(), out);
        readIptc(image->iptcData(), out);
        readXmp(image->xmpData(), out);
        if (image->iccProfileDefined()) {
            const Exiv2::DataBuf* icc = image->iccProfile();
            out.iccProfile = QByteArray(reinterpret_cast<const char*>(icc->pData_), int(icc->size_));
        }
        Exiv2::ExifThumbC thumb(image->exifData());
        const Exiv2::DataBuf data = thumb.copy();
        if (data.size_ > 0)
            out.thumbnail = QByteArray(reinterpret_cast<const char*>(data.pData_), int(data.size_));
    } catch (const std::exception&) {
        // Whatever was read before the failure is kept.
    } catch (...) {
    }
    return out;
}

ExifProperties ExifProperties::readExifBlock(const QByteArray& tiff) {
    ExifProperties out;
    if (tiff.size() < 8)
        return out;
    setUpExiv2();
    try {
        Exiv2::ExifData exif;
        Exiv2::ExifParser::decode(exif, reinterpret_cast<const Exiv2::byte*>(tiff.constData()),
                                  uint32_t(tiff.size()));
        readExif(exif, out);
    } catch (const std::exception&) {
    } catch (...) {
    }
    return out;
}

ExifProperties ExifProperties::readBlocks(const QByteArray& tiff, const QByteArray& xmpPacket) {
    ExifProperties out = readExifBlock(tiff);
    if (xmpPacket.isEmpty())
        return out;
    setUpExiv2();
    try {
        Exiv2::XmpData xmp;
        if (Exiv2::XmpParser::decode(xmp, xmpPacket.toStdString()) == 0)
            readXmp(xmp, out);
    } catch (const std::exception&) {
    } catch (...) {
    }
    return out;
}

void ExifProperties::addTo(QVariantMap& map) const {
    for (auto it = groups.constBegin(); it != groups.constEnd(); ++it) {
        if (!map.contains(it.key()))
            map.insert(it.key(), it.value());
    }
    if (orientation >= 1 && orientation <= 8 && !map.contains(QStringLiteral("Orientation")))
        map.insert(QStringLiteral("Orientation"), orientation);
    if (dpiWidth > 0.0 && dpiHeight > 0.0 && !map.contains(QStringLiteral("DPIWidth"))) {
        map.insert(QStringLiteral("DPIWidth"), dpiWidth);
        map.insert(QStringLiteral("DPIHeight"), dpiHeight);
    }
    if (!iccProfile.isEmpty() && !map.contains(QStringLiteral("ProfileName"))) {
        const QString name = QColorSpace::fromIccProfile(iccProfile).description();
        if (!name.isEmpty())
            map.insert(QStringLiteral("ProfileName"), name);
    }
}
