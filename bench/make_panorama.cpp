// Writes a photograph-like image of any size, row by row, so that images far
// beyond what ImageMagick's limits allow cost no memory to make: one colour
// with noise, which the decoders have to work through like real texture.
// A tiled TIFF carries a pyramid: reduced images down to under 1024 pixels
// wide, as scanners and slide tools write them.
// A BMP is 24-bit, stored bottom-up; a PSD is a PSB (the larger kind, no
// side limit of 30000), uncompressed RGB, with no layers. A Radiance HDR
// holds the colours' linear light in new-style run-length scanlines (all
// literal, as noise codes), within 0-1 so that they show as they are.
// Usage: make_panorama jpeg|png|tiff|bmp|psd|hdr WIDTH HEIGHT OUT [RRGGBB]
//        make_panorama read FILE [BOUND_W BOUND_H]
//   read: the floor to compare with, one plain pass of the library over the
//   file: a PNG's rows streamed once, a TIFF's tiles of the smallest level
//   at least BOUND (default 1440 x 900) read once, a BMP, PSD or HDR read through
//   once. Prints the time in ms.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include <png.h>
#include <string>
#include <tiffio.h>
#include <vector>

namespace {

struct Noise {
    uint32_t state = 2463534242u;
    int next() { // -24 .. 24
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return int(state % 49) - 24;
    }
};

void fillRow(std::vector<unsigned char>& row, const int colour[3], Noise& noise) {
    for (size_t i = 0; i < row.size(); i += 3) {
        const int n = noise.next();
        for (int c = 0; c < 3; ++c)
            row[i + size_t(c)] =
                static_cast<unsigned char>(std::min(255, std::max(0, colour[c] + n)));
    }
}

bool writeJpeg(FILE* out, int width, int height, const int colour[3]) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(size_t(width) * 3);
    Noise noise;
    while (info.next_scanline < info.image_height) {
        fillRow(row, colour, noise);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

bool writePng(FILE* out, int width, int height, const int colour[3]) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!png || !info || setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, out);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Fast to make; the decoder's work per pixel is the same.
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    std::vector<unsigned char> row(size_t(width) * 3);
    Noise noise;
    for (int y = 0; y < height; ++y) {
        fillRow(row, colour, noise);
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// Tiles of 256, deflate; each level one more halving, of the same kind of
// content (made afresh, not averaged: only its cost matters here).
bool writeTiff(const char* path, int width, int height, const int colour[3]) {
    TIFF* t = TIFFOpen(path, "w8");
    if (!t)
        return false;
    const int tile = 256;
    Noise noise;
    bool ok = true;
    for (int w = width, h = height, level = 0; ok && (level == 0 || w * 2 >= 1024);
         w /= 2, h /= 2, ++level) {
        TIFFSetField(t, TIFFTAG_SUBFILETYPE, level ? FILETYPE_REDUCEDIMAGE : 0);
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(w));
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(h));
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        TIFFSetField(t, TIFFTAG_ZIPQUALITY, 1);
        TIFFSetField(t, TIFFTAG_TILEWIDTH, tile);
        TIFFSetField(t, TIFFTAG_TILELENGTH, tile);
        std::vector<unsigned char> band(size_t(w) * 3 * tile), piece(size_t(tile) * tile * 3);
        std::vector<unsigned char> row(size_t(w) * 3);
        for (int y = 0; ok && y < h; y += tile) {
            for (int r = 0; r < tile; ++r) {
                fillRow(row, colour, noise);
                std::memcpy(band.data() + size_t(r) * row.size(), row.data(), row.size());
            }
            for (int x = 0; ok && x < w; x += tile) {
                for (int r = 0; r < tile; ++r)
                    for (int c = 0; c < tile * 3; ++c) {
                        const size_t at = size_t(r) * row.size() + size_t(x) * 3 + size_t(c);
                        piece[size_t(r) * tile * 3 + size_t(c)] =
                            at < band.size() && x * 3 + c < w * 3 ? band[at] : 0;
                    }
                ok = TIFFWriteTile(t, piece.data(), uint32_t(x), uint32_t(y), 0, 0) >= 0;
            }
        }
        ok = ok && TIFFWriteDirectory(t);
    }
    TIFFClose(t);
    return ok;
}

void put(FILE* out, uint64_t value, int bytes, bool bigEndian) {
    for (int i = 0; i < bytes; ++i)
        std::fputc(int(value >> (8 * (bigEndian ? bytes - 1 - i : i)) & 255), out);
}

bool writeBmp(FILE* out, int width, int height, const int colour[3]) {
    const uint64_t stride = (uint64_t(width) * 3 + 3) / 4 * 4;
    std::fputs("BM", out);
    put(out, 54 + stride * uint64_t(height), 4, false); // wraps past 4 GB, as readers expect
    put(out, 0, 4, false);
    put(out, 54, 4, false);
    for (const uint64_t v : {uint64_t(40), uint64_t(width), uint64_t(height)})
        put(out, v, 4, false);
    put(out, 1, 2, false);
    put(out, 24, 2, false);
    for (int i = 0; i < 6; ++i)
        put(out, 0, 4, false);
    std::vector<unsigned char> row(size_t(width) * 3), stored(stride, 0);
    Noise noise;
    for (int y = 0; y < height; ++y) {
        fillRow(row, colour, noise);
        for (size_t x = 0; x < row.size(); x += 3) {
            stored[x] = row[x + 2];
            stored[x + 1] = row[x + 1];
            stored[x + 2] = row[x];
        }
        if (std::fwrite(stored.data(), 1, stored.size(), out) != stored.size())
            return false;
    }
    return true;
}

// Channels one plane after another: the same noise made afresh for each.
bool writePsb(FILE* out, int width, int height, const int colour[3]) {
    std::fputs("8BPS", out);
    put(out, 2, 2, true);
    put(out, 0, 6, true);
    put(out, 3, 2, true);
    put(out, uint64_t(height), 4, true);
    put(out, uint64_t(width), 4, true);
    put(out, 8, 2, true);
    put(out, 3, 2, true);
    put(out, 0, 4, true); // colour mode data
    put(out, 0, 4, true); // resources
    put(out, 0, 8, true); // layers
    put(out, 0, 2, true); // raw
    std::vector<unsigned char> row(size_t(width) * 3), plane(static_cast<size_t>(width));
    for (int c = 0; c < 3; ++c) {
        Noise noise;
        for (int y = 0; y < height; ++y) {
            fillRow(row, colour, noise);
            for (size_t x = 0; x < plane.size(); ++x)
                plane[x] = row[3 * x + size_t(c)];
            if (std::fwrite(plane.data(), 1, plane.size(), out) != plane.size())
                return false;
        }
    }
    return true;
}

bool writeHdr(FILE* out, int width, int height, const int colour[3]) {
    if (width < 8 || width > 32767)
        return false; // beyond what new-style runs code
    std::fprintf(out, "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y %d +X %d\n", height, width);
    float linear[256];
    for (int i = 0; i < 256; ++i) {
        const double v = i / 255.0;
        linear[i] = float(v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
    }
    std::vector<unsigned char> row(size_t(width) * 3), rgbe(size_t(width) * 4), coded;
    Noise noise;
    for (int y = 0; y < height; ++y) {
        fillRow(row, colour, noise);
        for (size_t x = 0; x < size_t(width); ++x) {
            const float r = linear[row[3 * x]], g = linear[row[3 * x + 1]],
                        b = linear[row[3 * x + 2]];
            const float top = std::max(r, std::max(g, b));
            int e = 0;
            const float scale = top > 1e-32f ? std::frexp(top, &e) * 256.0f / top : 0.0f;
            rgbe[4 * x] = static_cast<unsigned char>(r * scale);
            rgbe[4 * x + 1] = static_cast<unsigned char>(g * scale);
            rgbe[4 * x + 2] = static_cast<unsigned char>(b * scale);
            rgbe[4 * x + 3] = static_cast<unsigned char>(top > 1e-32f ? e + 128 : 0);
        }
        coded.assign({2, 2, static_cast<unsigned char>(width >> 8),
                      static_cast<unsigned char>(width & 255)});
        for (size_t c = 0; c < 4; ++c)
            for (size_t x = 0; x < size_t(width); x += 128) {
                const size_t n = std::min<size_t>(128, size_t(width) - x);
                coded.push_back(static_cast<unsigned char>(n));
                for (size_t i = x; i < x + n; ++i)
                    coded.push_back(rgbe[4 * i + c]);
            }
        if (std::fwrite(coded.data(), 1, coded.size(), out) != coded.size())
            return false;
    }
    return true;
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

int readOnce(const char* path, int boundW, int boundH) {
    const auto start = std::chrono::steady_clock::now();
    FILE* in = std::fopen(path, "rb");
    unsigned char magic[8] = {};
    if (!in || std::fread(magic, 1, 8, in) != 8)
        return 1;
    if (png_sig_cmp(magic, 0, 8) == 0) {
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        if (!png || !info || setjmp(png_jmpbuf(png)))
            return 1;
        png_init_io(png, in);
        png_set_sig_bytes(png, 8);
        png_read_info(png, info);
        std::vector<unsigned char> row(png_get_rowbytes(png, info));
        for (png_uint_32 y = 0; y < png_get_image_height(png, info); ++y)
            png_read_row(png, row.data(), nullptr);
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(in);
        std::printf("%.0f\n", millisecondsSince(start));
        return 0;
    }
    if (std::memcmp(magic, "BM", 2) == 0 || std::memcmp(magic, "8BPS", 4) == 0 ||
        std::memcmp(magic, "#?", 2) == 0) {
        std::vector<unsigned char> piece(size_t(4) << 20);
        while (std::fread(piece.data(), 1, piece.size(), in) == piece.size()) {
        }
        std::fclose(in);
        std::printf("%.0f\n", millisecondsSince(start));
        return 0;
    }
    std::fclose(in);
    TIFF* t = TIFFOpen(path, "rm");
    if (!t)
        return 1;
    // The last directory that is still at least the bound.
    int chosen = 0;
    for (int d = 0; TIFFSetDirectory(t, tdir_t(d)); ++d) {
        uint32_t w = 0, h = 0;
        TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
        TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
        if (int(w) >= boundW && int(h) >= boundH)
            chosen = d;
    }
    TIFFSetDirectory(t, tdir_t(chosen));
    std::vector<unsigned char> tile(size_t(TIFFTileSize(t)));
    for (uint32_t i = 0; i < TIFFNumberOfTiles(t); ++i)
        if (TIFFReadEncodedTile(t, i, tile.data(), tmsize_t(tile.size())) < 0)
            return 1;
    TIFFClose(t);
    std::printf("%.0f\n", millisecondsSince(start));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "read")
        return readOnce(argv[2], argc > 4 ? std::atoi(argv[3]) : 1440,
                        argc > 4 ? std::atoi(argv[4]) : 900);
    if (argc < 5) {
        std::fprintf(
            stderr,
            "usage: %s jpeg|png|tiff|bmp|psd|hdr WIDTH HEIGHT OUT [RRGGBB] | read FILE [W H]\n",
            argv[0]);
        return 2;
    }
    if (std::string(argv[1]) == "tiff") {
        const unsigned long rgb = argc > 5 ? std::strtoul(argv[5], nullptr, 16) : 0xe07828;
        const int colour[3] = {int(rgb >> 16 & 255), int(rgb >> 8 & 255), int(rgb & 255)};
        return writeTiff(argv[4], std::atoi(argv[2]), std::atoi(argv[3]), colour) ? 0 : 1;
    }
    const std::string format = argv[1];
    const int width = std::atoi(argv[2]), height = std::atoi(argv[3]);
    const unsigned long rgb = argc > 5 ? std::strtoul(argv[5], nullptr, 16) : 0xe07828;
    const int colour[3] = {int(rgb >> 16 & 255), int(rgb >> 8 & 255), int(rgb & 255)};
    FILE* out = std::fopen(argv[4], "wb");
    if (width <= 0 || height <= 0 || !out)
        return 2;
    const bool ok = format == "jpeg"  ? writeJpeg(out, width, height, colour)
                    : format == "png" ? writePng(out, width, height, colour)
                    : format == "bmp" ? writeBmp(out, width, height, colour)
                    : format == "psd" ? writePsb(out, width, height, colour)
                                      : format == "hdr" && writeHdr(out, width, height, colour);
    return std::fclose(out) == 0 && ok ? 0 : 1;
}
