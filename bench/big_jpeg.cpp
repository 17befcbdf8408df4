// Writes a large photo-like JPEG a few rows at a time, as a camera does (baseline, 4:2:0,
// quality 92), without ever holding the whole picture:
//   big_jpeg WIDTH HEIGHT OUTPUT
// A smooth colour field with fine grain, so that its data is as large as a real photo's.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

// After what it takes for granted.
#include <jpeglib.h>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: big_jpeg WIDTH HEIGHT OUTPUT\n");
        return 2;
    }
    const int width = std::atoi(argv[1]), height = std::atoi(argv[2]);
    std::FILE* out = std::fopen(argv[3], "wb");
    if (!out || width <= 0 || height <= 0) return 1;
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
    jpeg_set_quality(&info, 92, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(size_t(width) * 3);
    std::uint32_t grain = 12345;
    while (info.next_scanline < info.image_height) {
        const double y = double(info.next_scanline) / height;
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width;
            grain = grain * 1664525u + 1013904223u;
            const int noise = int(grain >> 28) - 8;
            const auto level = [&](double v) {
                return JSAMPLE(std::clamp(int(v) + noise, 0, 255));
            };
            row[size_t(x) * 3] = level(128 + 100 * std::sin(7 * u + 3 * y));
            row[size_t(x) * 3 + 1] = level(128 + 100 * std::sin(5 * y - 2 * u));
            row[size_t(x) * 3 + 2] = level(128 + 100 * std::cos(11 * u * y));
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(out) == 0 ? 0 : 1;
}
