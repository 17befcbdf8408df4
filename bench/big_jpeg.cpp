// Writes a large photo-like JPEG a few rows at a time, as a camera does (baseline, 4:2:0,
// quality 92), without ever holding the whole picture; or progressive, as optimisers and export
// dialogs write it, its colour halved both ways, across only, or kept whole:
//   big_jpeg [--progressive] [--sampling 420|422|444] WIDTH HEIGHT OUTPUT
// A smooth colour field with fine grain, so that its data is as large as a real photo's.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// After what it takes for granted.
#include <jpeglib.h>

// Natural-looking rows: slow colour waves under a fine grain.
void writeRows(jpeg_compress_struct& info, int width, int height) {
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
}

int main(int argc, char** argv) {
    bool progressive = false;
    int across = 2, down = 2;  // the colour's sampling: 4:2:0
    for (; argc > 1 && argv[1][0] == '-'; --argc, ++argv) {
        if (std::strcmp(argv[1], "--progressive") == 0) {
            progressive = true;
        } else if (std::strcmp(argv[1], "--sampling") == 0 && argc > 2) {
            const int kind = std::atoi(argv[2]);
            across = kind == 444 ? 1 : 2;
            down = kind == 420 ? 2 : 1;
            --argc;
            ++argv;
        } else {
            argc = 0;
            break;
        }
    }
    if (argc != 4) {
        std::fprintf(stderr,
                     "usage: big_jpeg [--progressive] [--sampling 420|422|444] WIDTH HEIGHT "
                     "OUTPUT\n");
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
    info.comp_info[0].h_samp_factor = across;
    info.comp_info[0].v_samp_factor = down;
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    writeRows(info, width, height);
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(out) == 0 ? 0 : 1;
}
