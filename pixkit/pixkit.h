#pragma once
/*
 * pixkit: reading, writing, cropping and flipping Windows BMP images, and converting between
 * BMP and JPEG. Plain C functions without state of their own; any thread may call them.
 *
 * Two in-memory forms, little-endian, in the Windows layouts:
 *  - BMP image: a whole .bmp file in memory: the 14-byte file header ("BM", bfSize,
 *    reserved, bfOffBits), the 40-byte BITMAPINFOHEADER, for 8 bits a 256-entry palette of
 *    {blue, green, red, 0}, then the pixel rows, each padded to a multiple of 4 bytes
 *    (bottom-up for a positive height, top-down for a negative one).
 *  - DIB: the same without the file header: the 40-byte header and the 1024-byte palette
 *    (a 1064-byte head), then the rows. The DIB functions take 8-bit DIBs only.
 *
 * Results: 0 success, -1 failure (RecortaBMP also -2 for a bad box). A failure writes no
 * file and leaves the caller's buffers as they were unless said otherwise. Every size taken
 * from a file or an image header is checked against the bytes really there before use.
 */

#include <stddef.h>

#if defined(PIXKIT_BUILDING_LIBRARY)
#define PIXKIT_API __attribute__((visibility("default")))
#else
#define PIXKIT_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Reverses the order of `rows` rows of `rowBytes` bytes in place. -1 for a null buffer or a
 * negative count. */
PIXKIT_API int OrientarBuffer(unsigned char* buffer, int rowBytes, int rows);

/* Builds an 8-bit grey DIB in `dib` from |width| x |height| pixels whose rows are padded to
 * a multiple of 4 bytes, as the DIB's are. `dib` holds 1064 + stride x |height| bytes. */
PIXKIT_API int Img2Bmp(const unsigned char* pixels, unsigned char* dib, int width, int height);

/* Reads a BMP file and puts the bytes that follow its 14-byte file header (bfSize - 14 of
 * them) into `out`, which holds `capacity` bytes. -1 when the file cannot be read, is not a
 * well-formed BMP file (sizes checked against its real length), or does not fit. */
PIXKIT_API int LeeBmp(const char* path, unsigned char* out, size_t capacity);

/* Copies the box (x0, y0)-(x1, y1) of an 8-bit DIB, counted from its top row, x1 and y1
 * exclusive and clamped to the image and to 640 x 480, into `out` as a new bottom-up DIB
 * (1064 + stride x rows bytes). -2 for an empty or negative box, -1 for a DIB that is not
 * 8-bit or whose sizes are out of range. */
PIXKIT_API int RecortaBMP(const unsigned char* source, unsigned char* out, int x0, int y0, int x1, int y1);

/* Writes an 8-bit DIB as a BMP file: the file header, the 1064-byte head and the rows
 * (biSizeImage bytes, or stride x |height| when biSizeImage is 0). -1 when it cannot be
 * written completely. */
PIXKIT_API int SaveBmp(const char* path, const unsigned char* dib);

/* Read a whole 24-bit (8-bit) BMP file, bfSize bytes, into `out`, which holds `capacity`
 * bytes. -1 unless the file is a well-formed BMP file of that depth and fits. */
PIXKIT_API int LeeBmp24(const char* path, unsigned char* out, size_t capacity);
PIXKIT_API int LeeBmp8(const char* path, unsigned char* out, size_t capacity);

/* The bits per pixel, width, height (as stored: negative for top-down rows), biSizeImage and
 * bfSize of a BMP file; all five are -1 first and stay so on failure (-1). Any output may be
 * null. */
PIXKIT_API int LeeInfoGenBmp(const char* path, int* bitsPerPixel, int* width, int* height, int* imageSize,
                             int* fileSize);

/* Writes the bfSize bytes of a BMP image to a new file. SaveBmp24 is the same function. -1
 * when the image does not start with "BM" and a size of at least 54, or the file cannot be
 * written completely. */
PIXKIT_API int SaveBmp8(const char* path, const unsigned char* bmp);
PIXKIT_API int SaveBmp24(const char* path, const unsigned char* bmp);

/* Writes the 256-entry grey palette (entry i = i, i, i, 0) into 1024 bytes. */
PIXKIT_API int GeneraPaletaGrises(unsigned char* palette);

/* Converts an 8-bit (grey levels) or 24-bit BMP, read from the file `bmpPath` and/or given as
 * the BMP image `bmp`, to JPEG at `quality` (1 to 100). The JPEG is written to the file
 * `jpgPath` when given, and into `jpg` when given: on entry `*jpgLength` is the capacity of
 * `jpg`, on success the JPEG's length (with only a file, its length too). A JPEG larger than
 * the capacity is not copied: -1 with `*jpgLength` set to the length needed. */
PIXKIT_API int Bmp2Jpg(const char* bmpPath, const unsigned char* bmp, int quality, const char* jpgPath,
                       unsigned char* jpg, int* jpgLength);

/* Decodes a JPEG, from the file `jpgPath` or else the `jpgLength` bytes at `jpg`, into a BMP
 * image of 24 or 8 (grey) bits per pixel: written to the file `bmpPath` when given, and into
 * `bmp` when given, whose capacity `*bmpSize` gives on entry. On success `*bmpSize` (when
 * given) is the image's size; when only the buffer is too small, -1 with `*bmpSize` set to the
 * size needed. */
PIXKIT_API int Jpg2Bmp(const char* jpgPath, const unsigned char* jpg, int bitsPerPixel, int jpgLength,
                       const char* bmpPath, unsigned char* bmp, int* bmpSize);

/* The size of the BMP image of 24 or 8 bits per pixel that Jpg2Bmp makes from the JPEG bytes,
 * or `size` unchanged when they are no JPEG that can be decoded. */
PIXKIT_API int BmpSize(const unsigned char* jpg, int bitsPerPixel, int jpgLength, int size);

#ifdef __cplusplus
}
#endif
