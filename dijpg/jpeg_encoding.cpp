#include "dijpg/jpeg_encoding.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

#include "dijpg.h"

namespace dijpg {

namespace {

// The progressive scans: the DC of all three components together (a small whole picture at
// once), then the luma's coarsest detail, each chroma whole and the rest of the luma. Every
// coefficient goes out once at full precision, never refined by a later scan: each scan costs
// a pass over the coefficients to gather its Huffman statistics, and the refinements of the
// common ten-scan script double those passes for no gain once the file is whole. A file
// decoded whole gives the same pixels as a baseline one.
constexpr jpeg_scan_info kScans[] = {
    {3, {0, 1, 2, 0}, 0, 0, 0, 0},  {1, {0, 0, 0, 0}, 1, 5, 0, 0},  {1, {2, 0, 0, 0}, 1, 63, 0, 0},
    {1, {1, 0, 0, 0}, 1, 63, 0, 0}, {1, {0, 0, 0, 0}, 6, 63, 0, 0},
};

struct Failing {
    jpeg_error_mgr manager;
    std::jmp_buf back;
};

[[noreturn]] void leave(j_common_ptr info) {
    std::longjmp(static_cast<Failing*>(info->client_data)->back, 1);
}

void quiet(j_common_ptr) {}

// The encoded file in memory that grows as it is written; its owner frees it.
struct Destination {
    jpeg_destination_mgr manager;
    unsigned char* bytes = nullptr;
    std::size_t capacity = 0;
    std::size_t size = 0;
};

Destination& destinationOf(j_compress_ptr info) {
    return *reinterpret_cast<Destination*>(info->dest);
}

void grow(j_compress_ptr info, std::size_t capacity) {
    Destination& destination = destinationOf(info);
    void* grown = std::realloc(destination.bytes, capacity);
    if (!grown) {
        info->err->msg_code = JERR_OUT_OF_MEMORY;
        info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
    }
    const std::size_t used = destination.capacity - destination.manager.free_in_buffer;
    destination.bytes = static_cast<unsigned char*>(grown);
    destination.manager.next_output_byte = destination.bytes + used;
    destination.manager.free_in_buffer = capacity - used;
    destination.capacity = capacity;
}

// Room for a quarter of the pixels' bytes at first: most pictures at quality 90 fit.
void startDestination(j_compress_ptr info) {
    grow(info, std::size_t(info->image_width) * info->image_height * 3 / 4 + 65536);
}

boolean growDestination(j_compress_ptr info) {
    grow(info, destinationOf(info).capacity * 2);
    return TRUE;
}

void endDestination(j_compress_ptr info) {
    Destination& destination = destinationOf(info);
    destination.size = destination.capacity - destination.manager.free_in_buffer;
}

void setParameters(jpeg_compress_struct& info, const ScratchPicture& picture, int quality,
                   bool progressive) {
    info.image_width = JDIMENSION(picture.width);
    info.image_height = JDIMENSION(picture.height);
    const bool padded = picture.layout == ScratchPicture::Layout::Bgrx;
    info.input_components = padded ? 4 : 3;
    info.in_color_space = padded ? JCS_EXT_BGRX : JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    // The accurate transform: the fast one's rounding costs more fidelity than its time.
    info.dct_method = JDCT_ISLOW;
    // At quality 90 and above the colour detail is kept whole (no chroma subsampling), as the
    // common tools do: halving it there costs more fidelity than the quality number promises.
    if (quality >= 90)
        for (int c = 0; c < info.num_components; ++c)
            info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    if (progressive) {
        info.scan_info = kScans;
        info.num_scans = int(std::size(kScans));
        info.optimize_coding = TRUE;  // progressive scans have no standard Huffman tables
    }
}

void writeRows(jpeg_compress_struct& info, const ScratchPicture& picture) {
    if (picture.layout == ScratchPicture::Layout::Indexed) {
        JSAMPARRAY colours = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info),
                                                       JPOOL_IMAGE, info.image_width * 3, 1);
        while (info.next_scanline < info.image_height) {
            const unsigned char* indexes = picture.row(int(info.next_scanline));
            for (int x = 0; x < picture.width; ++x)
                std::memcpy(colours[0] + 3 * x, picture.palette[indexes[x]], 3);
            jpeg_write_scanlines(&info, colours, 1);
        }
        return;
    }
    // The rows are encoded from the file's bytes as they lie.
    JSAMPROW rows[16];
    while (info.next_scanline < info.image_height) {
        const int from = int(info.next_scanline);
        const int count = std::min(16, picture.height - from);
        for (int i = 0; i < count; ++i) rows[i] = const_cast<JSAMPROW>(picture.row(from + i));
        jpeg_write_scanlines(&info, rows, JDIMENSION(count));
    }
}

// Between the jump's start and its target no object has a destructor: an error leaves through
// the jump and the caller cleans up.
bool compress(jpeg_compress_struct& info, Failing& failing, const ScratchPicture& picture,
              int quality, bool progressive, Destination& destination) {
    if (setjmp(failing.back) != 0) return false;
    jpeg_create_compress(&info);
    destination.manager.init_destination = startDestination;
    destination.manager.empty_output_buffer = growDestination;
    destination.manager.term_destination = endDestination;
    info.dest = &destination.manager;
    setParameters(info, picture, quality, progressive);
    jpeg_start_compress(&info, TRUE);
    writeRows(info, picture);
    jpeg_finish_compress(&info);
    return true;
}

}  // namespace

std::int32_t encodeJpeg(const ScratchPicture& picture, int quality, bool progressive,
                        EncodedJpeg& jpeg) {
    Failing failing;
    jpeg_compress_struct info;
    std::memset(&info, 0, sizeof info);
    info.err = jpeg_std_error(&failing.manager);
    failing.manager.error_exit = leave;
    failing.manager.output_message = quiet;
    info.client_data = &failing;  // kept by jpeg_create_compress, which may fail already
    Destination destination{};
    const bool done = compress(info, failing, picture, quality, progressive, destination);
    jpeg_destroy_compress(&info);
    jpeg.bytes.reset(destination.bytes);
    jpeg.size = done ? static_cast<unsigned long>(destination.size) : 0;
    return done ? DIJPG_OK : DIJPG_ERROR_ENCODE;
}

}  // namespace dijpg
