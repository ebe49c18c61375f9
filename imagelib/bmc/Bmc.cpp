// The codec library's core: the format table, dispatch, error texts, options and progress.

#include "imagelib/bmc/Bmc.h"

#include <limits>

#include "imagelib/bmc/BmcFormats.h"

namespace {

// In format-number order.
const BMCFORMAT* const kFormats[BMC_N_FILETYPES] = {&bmc_format_bmp, &bmc_format_pcx, &bmc_format_tga};

const BMCFORMAT* FormatOf(int32_t Type)
{
    return Type >= 0 && Type < BMC_N_FILETYPES ? kFormats[Type] : nullptr;
}

bool IsSeparator(char C)
{
    return C == ' ' || C == '\t' || C == ',';
}

char Lower(char C)
{
    return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C;
}

bool SameWord(std::string_view A, std::string_view B)
{
    if (A.size() != B.size())
        return false;
    for (size_t I = 0; I < A.size(); ++I)
        if (Lower(A[I]) != Lower(B[I]))
            return false;
    return true;
}

// Calls Fn with each word of Words until it returns true.
template <class F>
bool AnyWord(std::string_view Words, F Fn)
{
    size_t I = 0;
    while (I < Words.size()) {
        while (I < Words.size() && IsSeparator(Words[I]))
            ++I;
        const size_t Start = I;
        while (I < Words.size() && !IsSeparator(Words[I]))
            ++I;
        if (I > Start && Fn(Words.substr(Start, I - Start)))
            return true;
    }
    return false;
}

const char* const kCoreTexts[] = {
    "ok",
    "out of memory",
    "not supported",
    "bad option(s)",
    "not found",
    "bad magic number / signiture block",
    "bad bitmap size",
    "can't read file",
    "can't write file",
    "bad argument to bmc function",
};

} // namespace

int32_t bmc_init()
{
    bmc_io_setup(nullptr);
    return BMC_OK;
}

int32_t bmc_deinit()
{
    return BMC_OK;
}

int32_t bmc_query_n_filetypes()
{
    return BMC_N_FILETYPES;
}

std::string_view bmc_file_extension(std::string_view FileName)
{
    const size_t Dot = FileName.rfind('.');
    if (Dot == std::string_view::npos)
        return {};
    const size_t Sep = FileName.find_last_of("/\\");
    if (Sep != std::string_view::npos && Sep > Dot)
        return {};
    return FileName.substr(Dot + 1);
}

int32_t bmc_guess_filetype(const char* FileName, int32_t* Type)
{
    if (!FileName || !Type)
        return BMC_ERR_BAD_ARG;
    const std::string_view Ext = bmc_file_extension(FileName);
    if (Ext.empty())
        return BMC_ERR_NOT_FOUND;
    for (int32_t T = 0; T < BMC_N_FILETYPES; ++T)
        if (AnyWord(kFormats[T]->ft.extensions, [&](std::string_view W) { return SameWord(W, Ext); })) {
            *Type = T;
            return BMC_OK;
        }
    return BMC_ERR_NOT_FOUND;
}

int32_t bmc_query_filetype(int32_t Type, BMCFT* Ft)
{
    const BMCFORMAT* F = FormatOf(Type);
    if (!F || !Ft)
        return BMC_ERR_BAD_ARG;
    return F->query(Ft);
}

int32_t bmc_read_header(const char* FileName, TStream* Stream, int32_t Type, BMC* Bmc, const char* Options)
{
    const BMCFORMAT* F = FormatOf(Type);
    if (!F || !Stream || !Bmc)
        return BMC_ERR_BAD_ARG;
    *Bmc = BMC{};
    const int32_t Rc = F->read_header(FileName, Stream, Bmc, Options ? Options : "");
    if (Rc != BMC_OK) {
        *Bmc = BMC{};
        return Rc;
    }
    Bmc->priv.format = Type;
    Bmc->priv.width = Bmc->width;
    Bmc->priv.height = Bmc->height;
    Bmc->priv.bpp = Bmc->bpp;
    return BMC_OK;
}

int32_t bmc_read_palette(TStream* Stream, int32_t Type, const BMC* Bmc, BMCRGB* Palette)
{
    const BMCFORMAT* F = FormatOf(Type);
    if (!F || !Stream || !Bmc || !Palette || !bmc_header_matches(Bmc, Type))
        return BMC_ERR_BAD_ARG;
    for (int I = 0; I < 256; ++I)
        Palette[I] = BMCRGB{0, 0, 0};
    return F->read_palette(Stream, Bmc, Palette);
}

int32_t bmc_read_data(TStream* Stream, int32_t Type, const BMC* Bmc, BMC_PROGRESS ProgressProc,
                      void* ProgressData, uint8_t* Data)
{
    const BMCFORMAT* F = FormatOf(Type);
    if (!F || !Stream || !Bmc || !Data || !bmc_header_matches(Bmc, Type))
        return BMC_ERR_BAD_ARG;
    return F->read_data(Stream, Bmc, ProgressProc, ProgressData, Data);
}

int32_t bmc_write(const char* FileName, TStream* Stream, int32_t Type, const BMC* Bmc, const BMCRGB* Palette,
                  const uint8_t* Data, const char* Options, BMC_PROGRESS ProgressProc, void* ProgressData)
{
    const BMCFORMAT* F = FormatOf(Type);
    if (!F || !Stream || !Bmc || !Data)
        return BMC_ERR_BAD_ARG;
    if (Bmc->bpp != 1 && Bmc->bpp != 4 && Bmc->bpp != 8 && Bmc->bpp != 24)
        return BMC_ERR_BAD_ARG;
    if (Bmc->bpp != 24 && !Palette)
        return BMC_ERR_BAD_ARG;
    if (bmc_check_size(Bmc->width, Bmc->height, Bmc->bpp) != BMC_OK)
        return BMC_ERR_BAD_SIZE;
    const uint32_t WriteFlag = Bmc->bpp == 1 ? BMC_WRITE_1 : Bmc->bpp == 4 ? BMC_WRITE_4 : Bmc->bpp == 8 ? BMC_WRITE_8 : BMC_WRITE_24;
    if (!(F->ft.flags & WriteFlag))
        return BMC_ERR_NOT_SUPPORTED;
    return F->write(FileName, Stream, Bmc, Palette, Data, Options ? Options : "", ProgressProc, ProgressData);
}

const char* bmc_err(int32_t Code)
{
    if (Code >= 0 && Code < static_cast<int32_t>(sizeof(kCoreTexts) / sizeof(kCoreTexts[0])))
        return kCoreTexts[Code];
    for (const BMCFORMAT* F : kFormats)
        if (const char* Text = F->error(Code))
            return Text;
    return "general error";
}

bool bmc_find_word(const char* Words, const char* Word)
{
    if (!Words || !Word || !*Word)
        return false;
    const std::string_view W(Word);
    return AnyWord(Words, [&](std::string_view Each) { return SameWord(Each, W); });
}

int32_t bmc_progress(BMC_PROGRESS Proc, void* Data, int64_t Current, int64_t Min, int64_t Max, int32_t Last)
{
    if (!Proc)
        return 0;
    int64_t Percent = 0;
    if (Max > Min) {
        // Divide first when the product could overflow.
        const int64_t Done = Current - Min;
        const int64_t Range = Max - Min;
        Percent = Done > std::numeric_limits<int64_t>::max() / 100 ? Done / (Range / 100 + 1) : Done * 100 / Range;
        if (Percent < 0)
            Percent = 0;
        if (Percent > 100)
            Percent = 100;
    }
    if (Percent != Last)
        Proc(static_cast<int32_t>(Percent), Data);
    return static_cast<int32_t>(Percent);
}

int64_t bmc_row_bytes_of(int64_t Width, int32_t Bpp)
{
    if (Width < 1 || Width > std::numeric_limits<int32_t>::max() || (Bpp != 1 && Bpp != 4 && Bpp != 8 && Bpp != 24))
        return 0;
    return (Width * Bpp + 31) / 32 * 4;
}

int32_t bmc_check_size(int64_t Width, int64_t Height, int32_t Bpp)
{
    const int64_t Row = bmc_row_bytes_of(Width, Bpp);
    if (Row == 0 || Height < 1 || Height > std::numeric_limits<int32_t>::max() / Row)
        return BMC_ERR_BAD_SIZE;
    return BMC_OK;
}

int32_t bmc_row_bytes(const BMC* Bmc)
{
    if (!Bmc || bmc_check_size(Bmc->width, Bmc->height, Bmc->bpp) != BMC_OK)
        return 0;
    return static_cast<int32_t>(bmc_row_bytes_of(Bmc->width, Bmc->bpp));
}

int64_t bmc_data_size(const BMC* Bmc)
{
    return static_cast<int64_t>(bmc_row_bytes(Bmc)) * (Bmc ? Bmc->height : 0);
}

bool bmc_header_matches(const BMC* Bmc, int32_t Format)
{
    return Bmc->priv.format == Format && Bmc->width == Bmc->priv.width && Bmc->height == Bmc->priv.height &&
           Bmc->bpp == Bmc->priv.bpp && bmc_check_size(Bmc->width, Bmc->height, Bmc->bpp) == BMC_OK;
}
