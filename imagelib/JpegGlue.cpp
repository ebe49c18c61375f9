// libjpeg over TStream with an error manager that longjmps back to the trap in JpegRun.
#include "imagelib/JpegGlue.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "imagelib/ImgMisc.h"

namespace {

void KeepText(char* Target, size_t Size, const char* Text)
{
    std::strncpy(Target, Text ? Text : "", Size - 1);
    Target[Size - 1] = '\0';
}

TJpegErrorManager* ErrorsOf(j_common_ptr Info) { return reinterpret_cast<TJpegErrorManager*>(Info->err); }

// libjpeg calls this for every fatal error; control goes back to the armed trap.
void ErrorExit(j_common_ptr Info)
{
    TJpegErrorManager* E = ErrorsOf(Info);
    (*Info->err->format_message)(Info, E->Message);
    longjmp(E->Trap, 1);
}

// Warnings (corrupt or truncated data) are counted; trace messages are dropped, so they can
// never end a decode.
void EmitMessage(j_common_ptr Info, int Level)
{
    if (Level < 0) {
        Info->err->num_warnings++;
        ErrorsOf(Info)->Warnings++;
    }
}

void OutputMessage(j_common_ptr) {}

void ScanLimit(j_common_ptr Info)
{
    if (!Info->is_decompressor)
        return;
    j_decompress_ptr D = reinterpret_cast<j_decompress_ptr>(Info);
    if (D->input_scan_number > kJpegMaxScans) {
        TJpegErrorManager* E = ErrorsOf(Info);
        KeepText(E->Message, sizeof(E->Message), "Too many scans in a progressive JPEG file");
        longjmp(E->Trap, 1);
    }
}

void InitErrors(TJpegErrorManager* E)
{
    jpeg_std_error(&E->Pub);
    E->Pub.error_exit = ErrorExit;
    E->Pub.emit_message = EmitMessage;
    E->Pub.output_message = OutputMessage;
    E->Message[0] = '\0';
    E->Warnings = 0;
    E->StreamFailed = false;
    E->StreamError[0] = '\0';
}

// The stream calls proper: a C++ exception stops here, its text is kept, and the caller
// reports the failure to libjpeg only after the catch block has been left.
int32_t ReadStream(TStream* Stream, void* Buffer, int32_t Count, TJpegErrorManager* E) noexcept
{
    try {
        return Stream->Read(Buffer, Count);
    } catch (const std::exception& X) {
        KeepText(E->StreamError, sizeof(E->StreamError), X.what());
    } catch (...) {
        KeepText(E->StreamError, sizeof(E->StreamError), "Stream read failed");
    }
    E->StreamFailed = true;
    return -1;
}

int32_t WriteStream(TStream* Stream, const void* Buffer, int32_t Count, TJpegErrorManager* E) noexcept
{
    try {
        return Stream->Write(Buffer, Count);
    } catch (const std::exception& X) {
        KeepText(E->StreamError, sizeof(E->StreamError), X.what());
    } catch (...) {
        KeepText(E->StreamError, sizeof(E->StreamError), "Stream write failed");
    }
    E->StreamFailed = true;
    return -1;
}

void SeekBack(TStream* Stream, int64_t Count) noexcept
{
    try {
        Stream->Seek(-Count, soCurrent);
    } catch (...) {
        // Called from libjpeg: a stream that cannot go back just stays after the read-ahead.
    }
}

// --- source ------------------------------------------------------------------------------

TJpegStreamSource* SourceOf(j_decompress_ptr Info) { return reinterpret_cast<TJpegStreamSource*>(Info->src); }

void InitSource(j_decompress_ptr Info) { SourceOf(Info)->AtStart = true; }

boolean FillInputBuffer(j_decompress_ptr Info)
{
    TJpegStreamSource* S = SourceOf(Info);
    int32_t Got = ReadStream(S->Stream, S->Buffer, int32_t(kJpegSourceBufferSize), S->Errors);
    if (Got < 0)
        ERREXIT(Info, JERR_FILE_READ);
    if (Got == 0) {
        if (S->AtStart)
            ERREXIT(Info, JERR_INPUT_EMPTY);
        // As libjpeg's own file source: a fake end of image, so a cut file decodes as far as it goes.
        WARNMS(Info, JWRN_JPEG_EOF);
        S->Buffer[0] = 0xFF;
        S->Buffer[1] = JPEG_EOI;
        Got = 2;
    }
    S->Pub.next_input_byte = S->Buffer;
    S->Pub.bytes_in_buffer = size_t(Got);
    S->AtStart = false;
    return TRUE;
}

void SkipInputData(j_decompress_ptr Info, long Count)
{
    if (Count <= 0)
        return;
    jpeg_source_mgr* Src = Info->src;
    while (Count > long(Src->bytes_in_buffer)) {
        Count -= long(Src->bytes_in_buffer);
        (void)(*Src->fill_input_buffer)(Info);
    }
    Src->next_input_byte += size_t(Count);
    Src->bytes_in_buffer -= size_t(Count);
}

// Gives back what was read ahead, so the stream stands right after the image.
void TermSource(j_decompress_ptr Info)
{
    TJpegStreamSource* S = SourceOf(Info);
    if (S->Pub.bytes_in_buffer > 0 && S->Pub.next_input_byte >= S->Buffer &&
        S->Pub.next_input_byte < S->Buffer + kJpegSourceBufferSize)
        SeekBack(S->Stream, int64_t(S->Pub.bytes_in_buffer));
    S->Pub.bytes_in_buffer = 0;
}

// --- destination ---------------------------------------------------------------------------

TJpegStreamDest* DestOf(j_compress_ptr Info) { return reinterpret_cast<TJpegStreamDest*>(Info->dest); }

void InitDestination(j_compress_ptr Info)
{
    TJpegStreamDest* D = DestOf(Info);
    D->Pub.next_output_byte = D->Buffer;
    D->Pub.free_in_buffer = kJpegDestBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr Info)
{
    TJpegStreamDest* D = DestOf(Info);
    if (WriteStream(D->Stream, D->Buffer, int32_t(kJpegDestBufferSize), D->Errors) != int32_t(kJpegDestBufferSize))
        ERREXIT(Info, JERR_FILE_WRITE);
    D->Pub.next_output_byte = D->Buffer;
    D->Pub.free_in_buffer = kJpegDestBufferSize;
    return TRUE;
}

void TermDestination(j_compress_ptr Info)
{
    TJpegStreamDest* D = DestOf(Info);
    const int32_t Count = int32_t(kJpegDestBufferSize - D->Pub.free_in_buffer);
    if (Count > 0 && WriteStream(D->Stream, D->Buffer, Count, D->Errors) != Count)
        ERREXIT(Info, JERR_FILE_WRITE);
}

// --- traps ---------------------------------------------------------------------------------

[[noreturn]] void ThrowFailure(const TJpegErrorManager& E)
{
    throw EJpegError(E.StreamFailed ? E.StreamError : E.Message);
}

// Plain frames only between the setjmp and the libjpeg code that may longjmp.
__attribute__((noinline)) bool TrapDecompress(TJpegDecompressor* D, TJpegDecompressStep Step, void* Arg)
{
    if (setjmp(D->Errors.Trap) != 0)
        return false;
    Step(&D->Info, Arg);
    return true;
}

__attribute__((noinline)) bool TrapCompress(TJpegCompressor* C, TJpegCompressStep Step, void* Arg)
{
    if (setjmp(C->Errors.Trap) != 0)
        return false;
    Step(&C->Info, Arg);
    return true;
}

// Rows of one chunk, read under the trap: plain data only.
struct TRowRun {
    JSAMPARRAY Rows;
    JDIMENSION Count;
    JDIMENSION Done;
};

void ReadRowRun(j_decompress_ptr Info, void* Arg)
{
    auto* R = static_cast<TRowRun*>(Arg);
    while (R->Done < R->Count) {
        const JDIMENSION Got = jpeg_read_scanlines(Info, R->Rows + R->Done, R->Count - R->Done);
        if (Got == 0)
            break;
        R->Done += Got;
    }
}

} // namespace

TJpegDecompressor* JpegCreateDecompressor(TStream* Stream)
{
    auto* D = static_cast<TJpegDecompressor*>(std::calloc(1, sizeof(TJpegDecompressor)));
    if (!D)
        throw EJpegError("Insufficient memory");
    InitErrors(&D->Errors);
    D->Info.err = &D->Errors.Pub;
    if (!TrapDecompress(D, [](j_decompress_ptr I, void*) { jpeg_create_decompress(I); }, nullptr)) {
        const TJpegErrorManager Kept = D->Errors;
        JpegDestroyDecompressor(D);
        ThrowFailure(Kept);
    }
    TJpegStreamSource& S = D->Source;
    S.Stream = Stream;
    S.Errors = &D->Errors;
    S.Pub.init_source = InitSource;
    S.Pub.fill_input_buffer = FillInputBuffer;
    S.Pub.skip_input_data = SkipInputData;
    S.Pub.resync_to_restart = jpeg_resync_to_restart;
    S.Pub.term_source = TermSource;
    S.Pub.next_input_byte = nullptr;
    S.Pub.bytes_in_buffer = 0;
    D->Info.src = &S.Pub;
    D->Progress.progress_monitor = ScanLimit;
    D->Info.progress = &D->Progress;
    return D;
}

void JpegDestroyDecompressor(TJpegDecompressor* D) noexcept
{
    if (!D)
        return;
    jpeg_destroy_decompress(&D->Info);
    std::free(D);
}

TJpegCompressor* JpegCreateCompressor(TStream* Stream)
{
    auto* C = static_cast<TJpegCompressor*>(std::calloc(1, sizeof(TJpegCompressor)));
    if (!C)
        throw EJpegError("Insufficient memory");
    InitErrors(&C->Errors);
    C->Info.err = &C->Errors.Pub;
    if (!TrapCompress(C, [](j_compress_ptr I, void*) { jpeg_create_compress(I); }, nullptr)) {
        const TJpegErrorManager Kept = C->Errors;
        JpegDestroyCompressor(C);
        ThrowFailure(Kept);
    }
    TJpegStreamDest& D = C->Dest;
    D.Stream = Stream;
    D.Errors = &C->Errors;
    D.Pub.init_destination = InitDestination;
    D.Pub.empty_output_buffer = EmptyOutputBuffer;
    D.Pub.term_destination = TermDestination;
    C->Info.dest = &D.Pub;
    return C;
}

void JpegDestroyCompressor(TJpegCompressor* C) noexcept
{
    if (!C)
        return;
    jpeg_destroy_compress(&C->Info);
    std::free(C);
}

void JpegRun(TJpegDecompressor* D, TJpegDecompressStep Step, void* Arg)
{
    if (!TrapDecompress(D, Step, Arg))
        ThrowFailure(D->Errors);
}

void JpegRun(TJpegCompressor* C, TJpegCompressStep Step, void* Arg)
{
    if (!TrapCompress(C, Step, Arg))
        ThrowFailure(C->Errors);
}

TJpegImageInfo JpegGetImageInfo(const TJpegDecompressor* D)
{
    const jpeg_decompress_struct& I = D->Info;
    return TJpegImageInfo{I.output_width, I.output_height, I.output_components, I.density_unit,
                          I.X_density,    I.Y_density,     I.jpeg_color_space};
}

TJpegImageInfo JpegStartReading(TJpegDecompressor* D)
{
    JpegRun(D, [](j_decompress_ptr I, void*) { jpeg_read_header(I, TRUE); });
    // CMYK and YCCK stay in their four components and are refused below.
    const J_COLOR_SPACE Space = D->Info.jpeg_color_space;
    if (Space == JCS_GRAYSCALE)
        D->Info.out_color_space = JCS_GRAYSCALE;
    else if (Space != JCS_CMYK && Space != JCS_YCCK)
        D->Info.out_color_space = JCS_EXT_BGR;
    JpegRun(D, [](j_decompress_ptr I, void*) { jpeg_calc_output_dimensions(I); });
    const TJpegImageInfo Info = JpegGetImageInfo(D);
    if (Info.Components != 1 && Info.Components != 3)
        throw EJpegError("Invalid number of samples, " + std::to_string(Info.Components));
    return Info;
}

void JpegReadImage(TJpegDecompressor* D, const TJpegImageInfo& Info, JSAMPROW* Rows,
                   const std::function<void(uint32_t RowsDone)>& OnChunk)
{
    JpegRun(D, [](j_decompress_ptr I, void*) { jpeg_start_decompress(I); });
    // The rows were sized from the earlier computation; libjpeg must deliver exactly that.
    const jpeg_decompress_struct& I = D->Info;
    if (I.output_width != Info.Width || I.output_height != Info.Height || I.output_components != Info.Components)
        throw EJpegError("The JPEG decoder changed the picture's size");
    for (uint32_t Y = 0; Y < Info.Height;) {
        TRowRun Run{Rows + Y, std::min(kJpegRowChunk, Info.Height - Y), 0};
        JpegRun(D, ReadRowRun, &Run);
        if (Run.Done == 0)
            throw EJpegError("The JPEG decoder delivered no rows");
        Y += Run.Done;
        if (OnChunk)
            OnChunk(Y);
    }
    JpegRun(D, [](j_decompress_ptr I, void*) { jpeg_finish_decompress(I); });
}

void JpegSetCompressParams(TJpegCompressor* C, const TJpegCompressParams& Params)
{
    JpegRun(
        C,
        [](j_compress_ptr I, void* Arg) {
            const auto* P = static_cast<const TJpegCompressParams*>(Arg);
            I->image_width = P->Width;
            I->image_height = P->Height;
            I->input_components = P->Components;
            I->in_color_space = P->InColorSpace;
            jpeg_set_defaults(I);
            I->density_unit = P->DensityUnit;
            I->X_density = P->XDensity;
            I->Y_density = P->YDensity;
            jpeg_set_quality(I, P->Quality, TRUE);
            if (P->Progressive)
                jpeg_simple_progression(I);
            I->optimize_coding = P->Optimize ? TRUE : FALSE;
        },
        const_cast<TJpegCompressParams*>(&Params));
}
