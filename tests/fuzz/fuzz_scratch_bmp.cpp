// The writer library's reading of its scratch picture: any bytes in the BMP file it is handed
// must give a JPEG or an error code, never a crash or a huge allocation.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dijpg/dijpg.h"

namespace {

const std::string& workFolder() {
    static const std::string folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/velaria-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        return pattern;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string scratch = workFolder() + "/scratch.bmp";
    const std::string output = workFolder() + "/out.jpg";
    std::FILE* file = std::fopen(scratch.c_str(), "wb");
    if (!file) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);

    if (DISetScratchPath(scratch.c_str()) != DIJPG_OK) std::abort();
    const std::int32_t result = DIWriteJpg(output.c_str(), 90, size % 2);
    if (result < DIJPG_OK || result > 64) std::abort();
    std::remove(output.c_str());
    return 0;
}
