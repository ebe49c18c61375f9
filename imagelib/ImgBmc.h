#pragma once
// Front end of the bitmap codec library: reads and writes a TDibGraphic through bmc, turning
// its codes into EBmcError. Portable (no Win32 of its own).

#include <cstdint>
#include <string>

#include "imagelib/ImgDib.h"
#include "imagelib/ImgMisc.h"

class TStream;

// The format is chosen by FileName's extension ("File.pcx"). Raises EBmcError
// "bmc_guess_filetype failed.", "bmc_read_header failed.", "bmc_read_data failed." or
// "Internal error: Invalid image format".
void BmcReadGraphic(TStream* Stream, TDibGraphic* Graphic, const std::string& FileName,
                    const TDidodazaProgressEvent& OnProgress, const std::string& Options);
// Writes at the stream's position. Raises "bmc_guess_filetype failed.", "bmc_write failed."
// or "Internal error: Invalid image format".
void BmcWriteGraphic(TStream* Stream, TDibGraphic* Graphic, const std::string& FileName,
                     const TDidodazaProgressEvent& OnProgress);
// The codecs' progress callback; Data is a TDibGraphic whose OnProgress gets each percent.
void BmcProgress(int32_t Percent, void* Data);

// The library's start and end for these formats (Win32 part, BmcRegister.cpp).
// BmcFormatsInit: bmc_init and the icon-stream writer hook. BmcFormatsDone: the reverse.
void BmcFormatsInit();
void BmcFormatsDone();
// PCX, PCC, DCX: registered after JPEG.
void RegisterPcxFormats();
// BMP; TGA, VST, AFI; EPS; PPM, PGM, PBM: registered after PNG.
void RegisterBmcFormats();

// Load helpers shared by the format classes: when Stream is not at 0, the rest of it is copied
// into Copy and Copy is returned (the codecs measure the file from its start and end).
TStream* StreamFromStart(TStream* Stream, TMemoryStream& Copy);
