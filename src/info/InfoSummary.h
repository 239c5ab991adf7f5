#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <optional>

// The few lines above the properties tree that say what a photograph is at
// a glance: name, folder, size, date, camera and lens, and the exposure as
// photographers write it ("1/100 s · f/2.8 · ISO 200 · 35 mm"). What the
// file does not tell, or tells as nonsense (a zero or negative value), is
// left out rather than shown as zero.
class InfoSummary {
  public:
    // `properties` is the image source's map ("{Exif}", "{TIFF}" groups and
    // the top-level PixelWidth/PixelHeight); `path` is empty for bytes
    // without a file.
    static QStringList lines(const QVariantMap& properties, const QString& path, qint64 fileSize);

    // "1/100 s", "0.3 s", "2 s", "1.5 s"; none for no time or a nonsense one.
    static QString exposureTime(double seconds);
    // "f/2.8", "f/11".
    static QString aperture(double fNumber);
    // From the Exif group: the exposure time, or the APEX shutter speed when
    // there is no time; then the aperture, the ISO, the focal length.
    static QString exposure(const QVariantMap& exif);
    // "Flash fired", "Flash did not fire"; none when the camera has no flash.
    static QString flash(const QVariant& value);
    // Make and model without the make twice ("Canon Canon EOS 5D").
    static QString camera(const QString& make, const QString& model);
    // "6000 × 4000 (24.0 MP)".
    static QString pixelSize(qlonglong width, qlonglong height);
    // "512 bytes", "12.3 KB", "4.5 MB".
    static QString fileSize(qint64 bytes);

  private:
    // A finite positive number (the first of a list), or none.
    static std::optional<double> positive(const QVariant& value);
};
