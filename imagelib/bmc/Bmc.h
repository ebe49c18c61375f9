#pragma once
// The bitmap codec library: PCX, Targa and BMP read and written through a table of formats and
// a table of stream procedures. Every procedure returns a code (texts by bmc_err) and raises
// nothing of its own; the front end turns codes into exceptions.
//
// Pixel data, read and written: rows bottom-up (row 0 is the bottom row), each padded to
// bmc_row_bytes (a multiple of 4), 24-bit pixels as blue, green, red; bmc_data_size bytes in
// all, the layout of a bottom-up DIB. A front end gives a buffer of that size, or copies row y
// of it into its picture's row y counted from the bottom.
//
// Reading: bmc_read_header, then for 1, 4 and 8 bits bmc_read_palette, then bmc_read_data.
// Each positions the stream itself, relative to where the header began, so the palette may
// be read before or after the data.

#include <cstdint>
#include <string_view>

class TStream;

enum : int32_t {
    BMC_OK = 0,
    BMC_ERR_MEM = 1,
    BMC_ERR_NOT_SUPPORTED = 2,
    BMC_ERR_BAD_OPTIONS = 3,
    BMC_ERR_NOT_FOUND = 4,
    BMC_ERR_BAD_MAGIC = 5,
    BMC_ERR_BAD_SIZE = 6,
    BMC_ERR_READ = 7,
    BMC_ERR_WRITE = 8,
    BMC_ERR_BAD_ARG = 9,
    BMC_ERR_BMP_PLANES = 300,
    BMC_ERR_BMP_BITS = 301,
    BMC_ERR_BMP_CBFIX = 302,
    BMC_ERR_BMP_COMPRESSION = 303,
    BMC_ERR_BMP_INDEX = 304,
    BMC_ERR_TGA_BPP = 400,
    BMC_ERR_TGA_COMPRESSION = 401,
    BMC_ERR_TGA_MAP = 402,
    BMC_ERR_PCX_VERSION = 700,
    BMC_ERR_PCX_ENCODING = 701,
    BMC_ERR_PCX_PLANES = 702,
    BMC_ERR_PCX_TRAILER = 703,
};

// Format numbers: the index into the format table.
enum : int32_t { BMC_FT_BITMAP = 0, BMC_FT_PCX = 1, BMC_FT_TARGA = 2, BMC_N_FILETYPES = 3 };

// BMCFT flags: what a format reads and writes.
enum : uint32_t {
    BMC_READ_1 = 0x01,
    BMC_READ_4 = 0x02,
    BMC_READ_8 = 0x04,
    BMC_READ_24 = 0x08,
    BMC_WRITE_1 = 0x10,
    BMC_WRITE_4 = 0x20,
    BMC_WRITE_8 = 0x40,
    BMC_WRITE_24 = 0x80,
};

// One palette entry.
struct BMCRGB {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

struct BMCFT {
    const char* short_name = nullptr;
    const char* long_name = nullptr;
    const char* extensions = nullptr; // space-separated
    uint32_t flags;
};

// Filled by a format's header reader for its palette and data readers; callers leave it alone.
struct BMCPRIV {
    int32_t format = -1; // the format whose header filled it
    // The size the header gave: a changed BMC is refused instead of trusted.
    int32_t width = 0;
    int32_t height = 0;
    int32_t bpp = 0;
    int64_t pal_pos = 0;    // stream positions
    int64_t data_pos = 0;
    int64_t data_end = -1;  // where the pixel data must stop; -1: the end of the stream
    uint32_t options = 0;   // the reading options found
    int32_t file_bits = 0;  // PCX bits per plane, Targa and BMP bits per pixel
    int32_t planes = 0;     // PCX
    int32_t line_bytes = 0; // PCX bytes per line and plane
    int32_t coding = 0;     // Targa image type, BMP compression
    bool top_down = false;  // Targa and BMP: the first row stored is the top one
    int32_t pal_first = 0;  // palette entries in the file: first index, count, bytes each
    int32_t pal_count = 0;
    int32_t pal_entry_bytes = 0;
    uint8_t header_palette[48] = {}; // PCX
};

struct BMC {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bpp = 0; // 1, 4, 8 or 24
    BMCPRIV priv;
};

// Progress: called with a percentage 0..100 and the caller's data.
using BMC_PROGRESS = void (*)(int32_t Percent, void* Data);

// The stream procedures the codecs reach files through. The "file" is a TStream. Seek origins
// are 0 from the beginning, 1 from the current position, 2 from the end; seek returns the new
// position, read and write the bytes moved; each returns -1 when the stream fails.
struct BMCIO {
    TStream* (*open)(const char* FileName);   // nullptr when it cannot be opened
    TStream* (*create)(const char* FileName); // nullptr when it cannot be created
    int32_t (*close)(TStream* Stream);
    int64_t (*seek)(TStream* Stream, int64_t Offset, int32_t Origin);
    int32_t (*read)(TStream* Stream, void* Buffer, int32_t Count);
    int32_t (*write)(TStream* Stream, const void* Buffer, int32_t Count);
};

// Both return 0. bmc_init installs the TStream procedures.
int32_t bmc_init();
int32_t bmc_deinit();

// Installs a stream procedure table (copied); nullptr installs the TStream procedures. Meant
// for library start, before any codec runs.
void bmc_io_setup(const BMCIO* Io);
const BMCIO& bmc_io();

int32_t bmc_query_n_filetypes();
// The text after the last dot when no slash or backslash follows that dot; else empty.
std::string_view bmc_file_extension(std::string_view FileName);
// The first format listing the file's extension; 4 when none does.
int32_t bmc_guess_filetype(const char* FileName, int32_t* Type);
int32_t bmc_query_filetype(int32_t Type, BMCFT* Ft);

// Options are words separated by blanks, tabs or commas. Reading: PCX "trunc"; BMP "inv",
// "invb". Writing: Targa "16", "24", "32", "yup", "ydown"; BMP "1.1", "win", "2.0", "inv",
// "invb", "darkfg", "lightfg".
int32_t bmc_read_header(const char* FileName, TStream* Stream, int32_t Type, BMC* Bmc, const char* Options);
// Palette: room for 256 entries; the file's entries, the rest zero.
int32_t bmc_read_palette(TStream* Stream, int32_t Type, const BMC* Bmc, BMCRGB* Palette);
// Data: room for bmc_data_size(Bmc) bytes.
int32_t bmc_read_data(TStream* Stream, int32_t Type, const BMC* Bmc, BMC_PROGRESS ProgressProc,
                      void* ProgressData, uint8_t* Data);
// Writes at the stream's position. Palette (256 entries) is needed below 24 bits.
int32_t bmc_write(const char* FileName, TStream* Stream, int32_t Type, const BMC* Bmc, const BMCRGB* Palette,
                  const uint8_t* Data, const char* Options, BMC_PROGRESS ProgressProc, void* ProgressData);

// The text of a code; "general error" for codes nobody knows.
const char* bmc_err(int32_t Code);

// True when Word is one of Words, ignoring ASCII case.
bool bmc_find_word(const char* Words, const char* Word);

// Percent of Current within Min..Max (0 when the range is empty), passed to Proc only when it
// differs from Last; returns it (0 without a procedure).
int32_t bmc_progress(BMC_PROGRESS Proc, void* Data, int64_t Current, int64_t Min, int64_t Max, int32_t Last);

// Layout of the pixel data for Bmc's width, height and bits per pixel (0 when they are bad).
int32_t bmc_row_bytes(const BMC* Bmc);
int64_t bmc_data_size(const BMC* Bmc);
