#include "platform/imagesource/RadianceRowReader.h"
#include "platform/ImageSource.h"
#include "platform/imagesource/AreaReducer.h"
#include "platform/imagesource/ColorConversion.h"
#include "support/TestImages.h"

#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <stb_image.h>
#include <vector>

namespace {

QByteArray header(const char* resolution, const char* format = "FORMAT=32-bit_rle_rgbe\n") {
    return QByteArray("#?RADIANCE\n# made here\n") + format + "EXPOSURE=0.5\n\n" + resolution +
           "\n";
}

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (const int v : values)
        out += char(v);
    return out;
}

// Two pixels and their values: 128 and 64 over 2^7, and 128 over 2^8.
const QByteArray a = bytes({128, 64, 32, 129}), b = bytes({128, 128, 128, 128});
const std::vector<float> aValue = {1.0f, 0.5f, 0.25f, 1.0f}, bValue = {0.5f, 0.5f, 0.5f, 1.0f};

// Runs of known pixels as linear RGBA floats.
std::vector<float> runs(std::initializer_list<std::pair<int, const std::vector<float>*>> parts) {
    std::vector<float> out;
    for (const auto& [count, value] : parts)
        for (int i = 0; i < count; ++i)
            out.insert(out.end(), value->begin(), value->end());
    return out;
}

// A scanline of four a then four b, the new way: components in runs.
const QByteArray coded = bytes({2,  2,  0,  8,  0x84, 128, 0x84, 128, 0x84, 64,  0x84, 128, 8,
                                32, 32, 32, 32, 128,  128, 128,  128, 0x84, 129, 0x84, 128});

// A picture of the given size in new-style runs, each a stretch of equal
// bytes, the axes as `axes` names them, the value of each pixel as stored.
QByteArray picture(int width, int height, const char* axes,
                   const std::function<float(int x, int y, int c)>& value) {
    QByteArray out = header(QByteArray(axes)
                                .replace("H", QByteArray::number(height))
                                .replace("W", QByteArray::number(width)));
    for (int y = 0; y < height; ++y) {
        std::vector<uchar> rgbe(size_t(width) * 4);
        for (int x = 0; x < width; ++x) {
            const float r = value(x, y, 0), g = value(x, y, 1), b = value(x, y, 2);
            int e = 0;
            const float m = std::frexp(std::max({r, g, b}), &e) * 256.0f / std::max({r, g, b});
            uchar* p = &rgbe[size_t(x) * 4];
            p[0] = uchar(r * m), p[1] = uchar(g * m), p[2] = uchar(b * m), p[3] = uchar(e + 128);
        }
        out += bytes({2, 2, width >> 8, width & 255});
        for (int c = 0; c < 4; ++c)
            for (int x = 0, n = 1; x < width; x += n, n = 1) {
                const char v = char(rgbe[size_t(x) * 4 + size_t(c)]);
                while (n < 127 && x + n < width && char(rgbe[size_t(x + n) * 4 + size_t(c)]) == v)
                    ++n;
                out += char(128 + n) + QByteArray(1, v);
            }
    }
    return out;
}

} // namespace

// Each scanline flat or in runs of either kind, any run checked against the
// row; what the header does not describe as RGBE scanlines is refused.
TEST(RadianceRowReader, ScanlinesDecodeToTheirValuesAndDamageIsAnError) {
    const auto ab = runs({{4, &aValue}, {4, &bValue}});
    const auto twice = runs({{4, &aValue}, {4, &bValue}, {4, &aValue}, {4, &bValue}});
    const auto repeat = [](int n) { return bytes({1, 1, 1, n}); };
    const struct {
        const char* name;
        QByteArray bytes;
        std::vector<float> values; // empty: a scanline fails; no bytes: refused
        bool opens = true;
    } cases[] = {
        {"flat", header("-Y 1 +X 8") + a.repeated(4) + b.repeated(4), ab},
        {"new runs", header("-Y 1 +X 8") + coded, ab},
        {"old runs", header("-Y 1 +X 8") + a + repeat(3) + b + repeat(3), ab},
        // Markers straight after one another count in bytes upwards: 1 + 1 + 256.
        {"old runs, shifted", header("-Y 1 +X 300") + a + repeat(1) + repeat(1) + b + repeat(41),
         runs({{258, &aValue}, {42, &bValue}})},
        {"flat, then new runs", header("-Y 2 +X 8") + a.repeated(4) + b.repeated(4) + coded, twice},
        // Narrower than any new-style run: flat, whatever the first bytes.
        {"flat, narrow",
         header("-Y 1 +X 2") + bytes({2, 2, 0, 136}) + a,
         {2.0f, 2.0f, 0.0f, 1.0f, 1.0f, 0.5f, 0.25f, 1.0f}},
        {"no format line", header("-Y 1 +X 8", "") + coded, ab},
        {"new run past the row", header("-Y 1 +X 8") + coded.left(4) + bytes({0x89, 1}), {}},
        {"literal past the row",
         header("-Y 1 +X 8") + coded.left(4) + bytes({9}) + a.repeated(3),
         {}},
        {"zero literal", header("-Y 1 +X 8") + coded.left(4) + bytes({0}) + coded.mid(4), {}},
        {"width unlike the line's", header("-Y 1 +X 8") + bytes({2, 2, 0, 9}) + coded.mid(4), {}},
        {"old run past the row", header("-Y 1 +X 8") + a + repeat(8), {}},
        {"old run with nothing before", header("-Y 1 +X 8") + repeat(1) + a.repeated(7), {}},
        {"cut in the runs", header("-Y 1 +X 8") + coded.chopped(1), {}},
        {"cut in the flat pixels", header("-Y 1 +X 8") + a.repeated(7) + b.left(3), {}},
        {"cut after a scanline", header("-Y 2 +X 8") + coded + coded.left(6), {}},
        {"other format", header("-Y 1 +X 8", "FORMAT=32-bit_rle_xyze\n") + coded, {}, false},
        {"stored by columns", header("+X 8 -Y 1") + coded, {}, false},
        {"no blank line", QByteArray("#?RADIANCE\n-Y 1 +X 8\n") + coded, {}, false},
        {"side beyond any image", header("-Y 1 +X 300000") + coded, {}, false},
        {"far fewer bytes than scanlines", header("-Y 100 +X 8") + coded, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto reader = RadianceRowReader::open(c.bytes);
        ASSERT_EQ(bool(reader), c.opens);
        if (!reader)
            continue;
        std::vector<uchar> rgbe(size_t(reader->width()) * 4);
        std::vector<float> values;
        bool read = true;
        for (int y = 0; read && y < reader->height(); ++y) {
            read = reader->readScanline(rgbe.data());
            std::vector<float> row(rgbe.size());
            RadianceRowReader::toLinear(rgbe.data(), reader->width(), row.data());
            values.insert(values.end(), row.begin(), row.end());
        }
        EXPECT_EQ(read, !c.values.empty());
        if (read) {
            EXPECT_EQ(values, c.values);
        }
    }
}

TEST(RadianceRowReader, AnHdrOverTheBudgetIsReducedFromItsRowsToneMappedAsWhole) {
    // Bright enough that the tone mapping compresses it; in stretches of
    // eight alike, so that the file is under the budget's megabyte.
    const auto value = [](int x, int y, int c) {
        return 0.01f + float(x / 8) / 5.0f * (c == 0 ? 1.0f : 0.5f) +
               float(y % 7) / (c == 2 ? 3 : 9);
    };
    const QByteArray bytes = picture(600, 480, "-Y H +X W", value);
    const QImage whole = ImageSource::createWithData(bytes)->imageAtIndex(0);
    ASSERT_EQ(whole.size(), QSize(600, 480));
    // The picture stb_image decodes, tone-mapped whole.
    int w = 0, h = 0, n = 0;
    float* stb = stbi_loadf_from_memory(reinterpret_cast<const stbi_uc*>(bytes.constData()),
                                        int(bytes.size()), &w, &h, &n, 4);
    ASSERT_TRUE(stb);
    const std::vector<float> rgba(stb, stb + size_t(w) * size_t(h) * 4);
    stbi_image_free(stb);
    EXPECT_EQ(whole, ColorConversion::toneMapped(rgba, w, h, false));
    // Stored from the bottom right, shown the same.
    const QByteArray turned = picture(
        600, 480, "+Y H -X W", [&](int x, int y, int c) { return value(599 - x, 479 - y, c); });
    EXPECT_EQ(ImageSource::createWithData(turned)->imageAtIndex(0), whole);
    QTemporaryDir folder;
    const QString path = folder.filePath("over.hdr");
    ASSERT_TRUE(TestImages::write(path, bytes));
    TestImages::SmallBudget budget;
    for (const auto& source :
         {ImageSource::createWithData(bytes), ImageSource::createWithURL(path)}) {
        ASSERT_TRUE(source);
        EXPECT_TRUE(source->imageAtIndex(0).isNull());
        const QVariantMap properties = source->propertiesAtIndex(0);
        EXPECT_EQ(properties.value("Depth"), 32);
        EXPECT_EQ(properties.value("IsFloat"), true);
        EXPECT_EQ(source->type(), QStringLiteral("public.radiance"));
        EXPECT_EQ(source->overview(QSize(300, 300)), AreaReducer::averaged(whole, QSize(300, 240)));
        EXPECT_EQ(source->region(QRect(100, 400, 64, 80)), whole.copy(100, 400, 64, 80));
        int rows = 0;
        EXPECT_TRUE(source->streamImage([&](const QImage& band) {
            EXPECT_EQ(band, whole.copy(0, rows, 600, band.height()));
            rows += band.height();
            return true;
        }));
        EXPECT_EQ(rows, 480);
    }
    const auto cut = ImageSource::createWithData(bytes.chopped(100));
    ASSERT_TRUE(cut);
    EXPECT_TRUE(cut->overview(QSize(300, 300)).isNull());
}
