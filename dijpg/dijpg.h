/*
 * DIjpg: the program's JPEG writer. It encodes a picture held in a BMP file as a JPEG file.
 *
 * The caller either names the BMP file holding the picture with DISetScratchPath and then calls
 * DIWriteJpg once per JPEG, or hands both paths to DIWriteJpgFrom in one call. Paths are
 * NUL-terminated 8-bit texts in the encoding that the system's own 8-bit file functions expect.
 *
 * The destination is replaced only by a complete file: the JPEG is written under a temporary
 * name in the destination's folder and renamed over the destination once it is whole. On any
 * failure the destination is left as it was and no temporary file stays behind.
 *
 * DISetScratchPath and DIWriteJpg share the remembered path: one caller at a time. DIWriteJpgFrom
 * and DIWriteJpgDated keep nothing between calls, so several threads may call them at once (each
 * with its own scratch file and destination).
 *
 * A JPEG carries no metadata, except the moment its photo was taken when DIWriteJpgDated is
 * given one: then an EXIF block holding that moment alone, written with libexif.
 */
#ifndef DIJPG_H
#define DIJPG_H

#include <stdint.h>

/* The library's own build marks the exports; users see plain declarations. */
#ifndef DIJPG_EXPORT
#define DIJPG_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Results of both functions. */
enum {
    DIJPG_OK = 0,
    /* A null or empty path, a quality outside 1..100, or a date field not in its form. */
    DIJPG_ERROR_ARGUMENT = 1,
    /* DIWriteJpg was called before DISetScratchPath named the picture. */
    DIJPG_ERROR_NO_SCRATCH = 2,
    /* The scratch file is missing, unreadable, or not a BMP picture the writer can read. */
    DIJPG_ERROR_READ = 3,
    /* The encoder failed (or ran out of memory). */
    DIJPG_ERROR_ENCODE = 4,
    /* The temporary file in the destination's folder could not be created or written whole
       (folder missing or not writable, disk full). */
    DIJPG_ERROR_WRITE = 5,
    /* The complete file could not be renamed over the destination. */
    DIJPG_ERROR_REPLACE = 6,
    /* Out of memory while keeping the scratch path. */
    DIJPG_ERROR_MEMORY = 7,
    /* The scratch picture is larger than the writer takes: more than DIJPG_MAX_SIDE pixels a
       side or DIJPG_MAX_PIXELS in all. */
    DIJPG_ERROR_TOO_LARGE = 8
};

/* The largest picture the writer encodes. A JPEG cannot be wider or higher than 65500 pixels;
   the total keeps the writer's memory within bounds, whatever a scratch file's header claims. */
#define DIJPG_MAX_SIDE 65500
#define DIJPG_MAX_PIXELS 120000000

/* Remembers the path of the BMP file that the next DIWriteJpg calls encode (a copy is kept).
   Returns DIJPG_OK, DIJPG_ERROR_ARGUMENT or DIJPG_ERROR_MEMORY. */
DIJPG_EXPORT int32_t DISetScratchPath(const char* scratchPath);

/* Encodes the picture of the scratch BMP file as a JPEG file at `destination`, replacing any
   file there, at `quality` (1..100; from 90 up the colour is kept whole, 4:4:4, below that it is
   halved both ways, 4:2:0), progressive when `progressive` is not 0.
   Returns DIJPG_OK or one of the error codes above. */
DIJPG_EXPORT int32_t DIWriteJpg(const char* destination, int32_t quality, int32_t progressive);

/* As DIWriteJpg, taking the picture from the BMP file `scratchPath` instead of the remembered
   path, which it neither reads nor changes. Returns DIJPG_OK or one of the error codes above
   (DIJPG_ERROR_ARGUMENT for a null or empty scratch path). */
DIJPG_EXPORT int32_t DIWriteJpgFrom(const char* scratchPath, const char* destination,
                                    int32_t quality, int32_t progressive);

/* The moment a photo was taken, as EXIF writes it. `taken` is the date and time,
   "YYYY:MM:DD HH:MM:SS" (DateTimeOriginal); `subSeconds` the fraction of its second in 1 to 9
   digits (SubSecTimeOriginal); `offset` its offset from UTC, "+HH:MM" or "-HH:MM"
   (OffsetTimeOriginal). `taken` is required; the other two may be null or empty. */
typedef struct DIPhotoDate {
    const char* taken;
    const char* subSeconds;
    const char* offset;
} DIPhotoDate;

/* As DIWriteJpgFrom; with a `date` (not null) the JPEG also carries it, and nothing else, in an
   EXIF block. Returns DIJPG_OK or one of the error codes above (DIJPG_ERROR_ARGUMENT for a date
   field not in the form DIPhotoDate gives). */
DIJPG_EXPORT int32_t DIWriteJpgDated(const char* scratchPath, const char* destination,
                                     int32_t quality, int32_t progressive, const DIPhotoDate* date);

/* The exported names, for binding at run time. */
#define DIJPG_SET_SCRATCH_PATH_NAME "DISetScratchPath"
#define DIJPG_WRITE_JPG_NAME "DIWriteJpg"
#define DIJPG_WRITE_JPG_FROM_NAME "DIWriteJpgFrom"
#define DIJPG_WRITE_JPG_DATED_NAME "DIWriteJpgDated"
typedef int32_t (*DISetScratchPathFunction)(const char* scratchPath);
typedef int32_t (*DIWriteJpgFunction)(const char* destination, int32_t quality,
                                      int32_t progressive);
typedef int32_t (*DIWriteJpgFromFunction)(const char* scratchPath, const char* destination,
                                          int32_t quality, int32_t progressive);
typedef int32_t (*DIWriteJpgDatedFunction)(const char* scratchPath, const char* destination,
                                           int32_t quality, int32_t progressive,
                                           const DIPhotoDate* date);

#ifdef __cplusplus
}
#endif

#endif
