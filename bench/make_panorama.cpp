// Writes a photograph-like image of any size, row by row, so that images far
// beyond what ImageMagick's limits allow cost no memory to make: one colour
// with noise, which the decoders have to work through like real texture.
// Usage: make_panorama jpeg|png WIDTH HEIGHT OUT [RRGGBB]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include <png.h>
#include <string>
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
            row[i + size_t(c)] = static_cast<unsigned char>(std::min(255, std::max(0, colour[c] + n)));
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

} // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s jpeg|png WIDTH HEIGHT OUT [RRGGBB]\n", argv[0]);
        return 2;
    }
    const std::string format = argv[1];
    const int width = std::atoi(argv[2]), height = std::atoi(argv[3]);
    const unsigned long rgb = argc > 5 ? std::strtoul(argv[5], nullptr, 16) : 0xe07828;
    const int colour[3] = {int(rgb >> 16 & 255), int(rgb >> 8 & 255), int(rgb & 255)};
    FILE* out = std::fopen(argv[4], "wb");
    if (width <= 0 || height <= 0 || !out)
        return 2;
    const bool ok = format == "jpeg" ? writeJpeg(out, width, height, colour)
                                     : format == "png" && writePng(out, width, height, colour);
    return std::fclose(out) == 0 && ok ? 0 : 1;
}
