#include "info/InfoSummary.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

QVariantMap exifOf(std::initializer_list<std::pair<const char*, QVariant>> tags) {
    QVariantMap map;
    for (const auto& [key, value] : tags)
        map.insert(QString::fromLatin1(key), value);
    return map;
}

} // namespace

// Exposure times as cameras print them, from the rational's value or the APEX
// shutter speed; nonsense leaves the time out.
TEST(InfoSummaryTest, ExposureTimesReadAsCamerasWriteThem) {
    const std::pair<double, const char*> times[] = {
        {10.0 / 1000.0, "1/100 s"},
        {1.0 / 124.9, "1/125 s"},
        {1.0 / 8000.0, "1/8000 s"},
        {1.0 / 3.0, "1/3 s"},
        {0.3, "0.3 s"},
        {2.0, "2 s"},
        {1.5, "1.5 s"},
        {0.0, ""},
        {-0.01, ""},
        {NAN, ""},
        {1e9, ""},
    };
    for (const auto& [seconds, text] : times)
        EXPECT_EQ(InfoSummary::exposureTime(seconds), QString::fromUtf8(text)) << seconds;

    const std::pair<QVariantMap, const char*> exposures[] = {
        {exifOf({{"ExposureTime", 0.01},
                 {"FNumber", 2.8},
                 {"ISOSpeedRatings", QVariantList{200}},
                 {"FocalLength", 35.0}}),
         "1/100 s · f/2.8 · ISO 200 · 35 mm"},
        // APEX: t = 2^-Tv, N = 2^(Av/2); the time wins over the shutter value.
        {exifOf({{"ShutterSpeedValue", 6.965784}, {"ApertureValue", 7.0}}), "1/125 s · f/11"},
        {exifOf({{"ShutterSpeedValue", -1.0}, {"ApertureValue", 3.0}}), "2 s · f/2.8"},
        {exifOf({{"ExposureTime", 0.5}, {"ShutterSpeedValue", 10.0}}), "1/2 s"},
        {exifOf({{"PhotographicSensitivity", 6400},
                 {"FocalLength", 4.2},
                 {"FocalLengthIn35mmFilm", 26}}),
         "ISO 6400 · 4.2 mm (26 mm equiv.)"},
        {exifOf({{"FocalLength", 50.0}, {"FocalLengthIn35mmFilm", 50}}), "50 mm"},
        // Missing or nonsense parts go, not shown as zero.
        {exifOf({{"ExposureTime", 0.0},
                 {"FNumber", -2.0},
                 {"ISOSpeedRatings", 0},
                 {"FocalLength", QStringLiteral("x")},
                 {"ShutterSpeedValue", 1e300}}),
         ""},
        {QVariantMap(), ""},
    };
    for (const auto& [exif, text] : exposures)
        EXPECT_EQ(InfoSummary::exposure(exif), QString::fromUtf8(text)) << text;
}

TEST(InfoSummaryTest, FlashBitsCameraNamesAndSizes) {
    const std::pair<QVariant, const char*> flashes[] = {
        {0x0, "Flash did not fire"},  {0x1, "Flash fired"}, {0x19, "Flash fired"},
        {0x18, "Flash did not fire"}, {0x20, ""},           {-1, ""},
        {QStringLiteral("1"), ""},    {QVariant(), ""},
    };
    for (const auto& [bits, text] : flashes)
        EXPECT_EQ(InfoSummary::flash(bits), QString::fromUtf8(text)) << text;

    const std::tuple<const char*, const char*, const char*> cameras[] = {
        {"Canon", "Canon EOS 5D", "Canon EOS 5D"},
        {"NIKON CORPORATION", "NIKON D850", "NIKON CORPORATION NIKON D850"},
        {"FUJIFILM", "X-T4", "FUJIFILM X-T4"},
        {"", "X100V", "X100V"},
        {"  Apple ", "", "Apple"},
    };
    for (const auto& [make, model, text] : cameras)
        EXPECT_EQ(InfoSummary::camera(QString::fromUtf8(make), QString::fromUtf8(model)),
                  QString::fromUtf8(text));

    EXPECT_EQ(InfoSummary::pixelSize(6000, 4000), QStringLiteral("6000 × 4000 (24.0 MP)"));
    EXPECT_EQ(InfoSummary::pixelSize(0, 4000), QString());
    EXPECT_EQ(InfoSummary::fileSize(512), QStringLiteral("512 bytes"));
    EXPECT_EQ(InfoSummary::fileSize(12595), QStringLiteral("12.3 KB"));
    EXPECT_EQ(InfoSummary::fileSize(4718592), QStringLiteral("4.5 MB"));
}

TEST(InfoSummaryTest, LinesLeaveOutWhatTheFileDoesNotTell) {
    const QVariantMap properties{
        {QStringLiteral("PixelWidth"), 6000},
        {QStringLiteral("PixelHeight"), 4000},
        {QStringLiteral("{TIFF}"),
         QVariantMap{{QStringLiteral("Make"), QStringLiteral("Canon")},
                     {QStringLiteral("Model"), QStringLiteral("Canon EOS 5D")}}},
        {QStringLiteral("{Exif}"),
         exifOf({{"DateTimeOriginal", QStringLiteral("2024:05:01 12:30:00")},
                 {"LensModel", QStringLiteral("EF 35mm f/2")},
                 {"ExposureTime", 0.01},
                 {"Flash", 16}})},
    };
    EXPECT_EQ(
        InfoSummary::lines(properties, QStringLiteral("/photos/a.jpg"), 2048),
        QStringList({"a.jpg", "/photos", "6000 × 4000 (24.0 MP) · 2.0 KB", "2024-05-01 12:30:00",
                     "Canon EOS 5D", "EF 35mm f/2", "1/100 s", "Flash did not fire"}));
    EXPECT_EQ(InfoSummary::lines(QVariantMap(), QString(), 10), QStringList({"10 bytes"}));
}
