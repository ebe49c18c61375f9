// imgcheck: reads and writes pictures through the image library's registry, for the
// cross-check scripts (run under Wine).
//   imgcheck dump FILE                 width, height, format, dpi, palette, every pixel 0xRRGGBB
//   imgcheck dump FILE.gif all         the same for image 0, then the whole GIF: screen, tables,
//                                      every image with its extensions and indexes
//   imgcheck convert IN OUT [name=value ...]
//   imgcheck batch LISTFILE            one "dump ..." or "convert ..." command per line
// Properties named on convert go to the target class; format classes add theirs to
// ApplyProperty. An unknown name is an error, so a script cannot silently test nothing.
// GIF files are not in the picture registry: ".gif" is read as image 0's bitmap and written
// through TGif::AddBitmap.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "imagelib/Gif.h"
#include "imagelib/ImageLib.h"
#include "imagelib/ImgDib.h"
#include "imagelib/IconGraphic.h"
#include "imagelib/JpegGraphic.h"
#include "imagelib/PngGlue.h"
#include "imagelib/PngGraphic.h"
#include "imagelib/PpmGraphic.h"
#include "imagelib/TiffGraphic.h"
#include "platform/rtl/FileStream.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Application.h"

namespace {

bool Flag(const std::string& Value) { return Value == "1" || Value == "true" || Value == "True"; }

// Colours are 0xRRGGBB (hex with or without 0x, or decimal).
uint32_t ColorValue(const std::string& Value) { return static_cast<uint32_t>(std::stoul(Value, nullptr, 0)); }

void ApplyProperty(TDibGraphic& Target, const std::string& Name, const std::string& Value)
{
    if (auto* J = dynamic_cast<TJpegGraphic*>(&Target)) {
        if (Name == "quality")
            return J->SetQuality(static_cast<uint8_t>(std::stoi(Value)));
        if (Name == "progressive")
            return J->SetProgressive(Flag(Value));
        if (Name == "optimize")
            return J->SetOptimizeCoding(Flag(Value));
    }
    if (auto* P = dynamic_cast<TPngGraphic*>(&Target)) {
        if (Name == "interlaced")
            return P->SetInterlaced(Flag(Value));
        if (Name == "level")
            return P->SetCompressionLevel(static_cast<uint8_t>(std::stoi(Value)));
        if (Name == "transparent")
            return P->SetTransparent(Flag(Value));
        if (Name == "transparentcolor")
            return P->SetTransparentColor(ColorValue(Value));
        if (Name == "background")
            return P->SetBackgroundColor(ColorValue(Value));
        if (Name == "usebackground")
            return P->SetUseBackgroundColor(Flag(Value));
        if (Name == "writebackground")
            return P->SetWriteBackground(Flag(Value));
    }
    if (auto* T = dynamic_cast<TTiffGraphic*>(&Target)) {
        if (Name == "compression")
            return T->SetCompression(static_cast<TiffCompression>(std::stoi(Value)));
        if (Name == "rowsperstrip")
            return T->SetRowsPerStrip(std::stoi(Value));
        if (Name.rfind("usertag", 0) == 0 && Name.size() > 7) {
            const int32_t Slot = std::stoi(Name.substr(7)) - 1;
            T->CustomTag(Slot).Text = Value;
            T->CustomTag(Slot).WriteEnabled = true;
            return;
        }
        for (const TTiffStringTag& Tag : kTiffStringTags)
            if (SameText(Name, Tag.Name)) {
                (T->*Tag.Field) = Value;
                return;
            }
    }
    if (auto* N = dynamic_cast<TPpmGraphic*>(&Target)) {
        if (Name == "binary")
            return N->SetBinary(Flag(Value));
    }
    if (auto* I = dynamic_cast<TIconGraphic*>(&Target)) {
        if (Name == "BackgroundColor")
            return I->SetBackgroundColor(ColorValue(Value));
    }
    if (auto* M = dynamic_cast<TMetaFileGraphic*>(&Target)) {
        if (Name == "BackgroundColor")
            return M->SetBackgroundColor(ColorValue(Value));
    }
    throw Exception("imgcheck: unknown property " + Name);
}

bool IsGif(const std::string& FileName) { return SameText(ExtractFileExt(FileName), ".gif"); }

std::unique_ptr<TDibGraphic> Load(const std::string& FileName)
{
    if (IsGif(FileName)) {
        TGif Gif;
        Gif.LoadFromFile(FileName);
        auto G = std::make_unique<TDibGraphic>();
        G->Assign(Gif.GetBitmap(0));
        return G;
    }
    std::unique_ptr<TDibGraphic> G = CreateGraphicForFile(FileName);
    G->LoadFromFile(FileName);
    return G;
}

std::string Hex(const uint8_t* Data, size_t Size)
{
    static const char Digits[] = "0123456789abcdef";
    std::string R;
    for (size_t I = 0; I < Size; ++I) {
        R += Digits[Data[I] >> 4];
        R += Digits[Data[I] & 15];
    }
    return R;
}

// Colours of a table as 0xRRGGBB (the file model keeps 0x00BBGGRR).
std::string TableText(const TGifColorTable& T)
{
    std::string R;
    char Buffer[16];
    for (int32_t I = 0; I < T.Count; ++I) {
        const uint32_t C = T.Colors[I];
        std::snprintf(Buffer, sizeof(Buffer), " 0x%06X", PackRgb(C & 0xFF, (C >> 8) & 0xFF, (C >> 16) & 0xFF));
        R += Buffer;
    }
    return R;
}

void DumpExtension(const TGifExtension& E, std::ostream& Out)
{
    std::string Blocks;
    for (const auto& B : E.SubBlocks)
        Blocks += " " + Hex(B.data(), B.size());
    switch (E.Label) {
    case gifGraphicControl:
        Out << "graphiccontrol disposal " << int(E.Disposal) << " userinput " << int(E.UserInput) << " transparent "
            << int(E.TransparentFlag) << " index " << int(E.TransparentIndex) << " delay " << E.Delay << "\n";
        break;
    case gifComment:
        Out << "comment" << Blocks << "\n";
        break;
    case gifPlainText:
        Out << "plaintext grid " << E.GridLeft << " " << E.GridTop << " " << E.GridWidth << " " << E.GridHeight
            << " cell " << int(E.CellWidth) << " " << int(E.CellHeight) << " colors " << int(E.ForegroundIndex) << " "
            << int(E.BackgroundIndex) << Blocks << "\n";
        break;
    case gifApplication:
        Out << "application " << Hex(E.Identifier, 8) << " " << Hex(E.AuthCode, 3) << Blocks << "\n";
        break;
    default:
        Out << "extension " << int(E.Label) << Blocks << "\n";
    }
}

// The whole file model: what a round trip through another program must keep.
void DumpGifModel(const std::string& FileName, std::ostream& Out)
{
    TGif Gif;
    Gif.LoadFromFile(FileName);
    const TGifDocument& D = Gif.Document();
    Out << "signature " << D.Signature << "\n";
    Out << "screen " << D.Screen.Width << " " << D.Screen.Height << " global " << int(D.Screen.GlobalTable)
        << " table " << D.Screen.GlobalTableIndex << " resolution " << int(D.Screen.ColorResolution)
        << " background " << int(D.Screen.BackgroundIndex) << " aspect " << int(D.Screen.AspectRatio) << "\n";
    for (size_t I = 0; I < D.Tables.size(); ++I)
        Out << "colortable " << I << " " << D.Tables[I].Count << TableText(D.Tables[I]) << "\n";
    for (size_t I = 0; I < D.Images.size(); ++I) {
        const TGifImage& Im = D.Images[I];
        Out << "image " << I << " at " << Im.Left << " " << Im.Top << " size " << Im.Width << " " << Im.Height
            << " local " << int(Im.LocalTable) << " interlaced " << int(Im.Interlaced) << " table " << Im.TableIndex
            << " lzw " << int(Im.LZWSize) << "\n";
        for (const TGifExtension& E : Im.Extensions)
            DumpExtension(E, Out);
        for (int32_t Y = 0; Y < Im.Height; ++Y)
            Out << "indexes " << Hex(Im.Pixels.data() + size_t(Y) * size_t(Im.Width), size_t(Im.Width)) << "\n";
    }
    for (const TGifExtension& E : D.Pending)
        DumpExtension(E, Out);
}

void ApplyGifProperty(TGif& Gif, const std::string& Name, const std::string& Value)
{
    if (Name == "interlaced")
        return Gif.SetInterlaced(Flag(Value));
    if (Name == "delay")
        return Gif.SetImageDelay(std::stoi(Value));
    if (Name == "transparentcolor") {
        const uint32_t C = ColorValue(Value);
        return Gif.SetTransparentColor(static_cast<TColor>(((C & 0xFF) << 16) | (C & 0xFF00) | ((C >> 16) & 0xFF)));
    }
    throw Exception("imgcheck: unknown property " + Name);
}

void Dump(const std::string& FileName, bool Everything, std::ostream& Out)
{
    if (Everything && !IsGif(FileName))
        throw Exception("imgcheck: \"all\" is for GIF files");
    const auto G = Load(FileName);
    Out << "file " << FileName << "\n";
    Out << "width " << G->GetWidth() << "\nheight " << G->GetHeight() << "\n";
    Out << "format " << int(G->GetImageFormat()) << " " << ImageFormatName(G->GetImageFormat()) << "\n";
    Out << "dpi " << G->GetXDpi() << " " << G->GetYDpi() << "\n";
    const TDibLogPalette* P = G->LogPalette();
    Out << "palette " << (G->GetImageFormat() == ifTrueColor ? 0 : P->NumEntries) << "\n";
    char Buffer[16];
    if (G->GetImageFormat() != ifTrueColor)
        for (int I = 0; I < P->NumEntries; ++I) {
            std::snprintf(Buffer, sizeof(Buffer), "0x%06X", PackRgb(P->Entries[I].Red, P->Entries[I].Green, P->Entries[I].Blue));
            Out << Buffer << (I + 1 < P->NumEntries ? " " : "\n");
        }
    for (int32_t Y = 0; Y < G->GetHeight(); ++Y) {
        std::string Line;
        for (int32_t X = 0; X < G->GetWidth(); ++X) {
            std::snprintf(Buffer, sizeof(Buffer), "0x%06X", G->GetPixelColor(X, Y));
            Line += X ? " " : "";
            Line += Buffer;
        }
        Out << Line << "\n";
    }
    if (Everything)
        DumpGifModel(FileName, Out);
    Out << "end\n";
}

void Convert(const std::vector<std::string>& Args)
{
    if (Args.size() < 2)
        throw Exception("imgcheck: convert IN OUT [name=value ...]");
    const auto Source = Load(Args[0]);
    if (IsGif(Args[1])) {
        TBitmap Bitmap;
        Source->AssignTo(&Bitmap);
        TGif Gif;
        Gif.AddBitmap(&Bitmap);
        for (size_t I = 2; I < Args.size(); ++I) {
            const size_t Eq = Args[I].find('=');
            if (Eq == std::string::npos)
                throw Exception("imgcheck: expected name=value, got " + Args[I]);
            ApplyGifProperty(Gif, Args[I].substr(0, Eq), Args[I].substr(Eq + 1));
        }
        Gif.SaveToFile(Args[1]);
        return;
    }
    std::unique_ptr<TDibGraphic> Target = CreateGraphicForFile(Args[1]);
    Target->Assign(Source.get());
    for (size_t I = 2; I < Args.size(); ++I) {
        const size_t Eq = Args[I].find('=');
        if (Eq == std::string::npos)
            throw Exception("imgcheck: expected name=value, got " + Args[I]);
        ApplyProperty(*Target, Args[I].substr(0, Eq), Args[I].substr(Eq + 1));
    }
    Target->SaveToFile(Args[1]);
}

// Runs one command; errors are reported on the output as "error <text>" so a batch goes on.
int Run(const std::vector<std::string>& Words, std::ostream& Out)
{
    try {
        if ((Words.size() == 2 || (Words.size() == 3 && Words[2] == "all")) && Words[0] == "dump") {
            Dump(Words[1], Words.size() == 3, Out);
        } else if (Words.size() >= 3 && Words[0] == "convert") {
            Convert(std::vector<std::string>(Words.begin() + 1, Words.end()));
            Out << "converted " << Words[2] << "\n";
        } else {
            Out << "error usage: dump FILE [all] | convert IN OUT [name=value ...] | batch LIST\n";
            return 2;
        }
    } catch (const std::exception& E) {
        Out << "error " << E.what() << "\n";
        return 1;
    }
    return 0;
}

// Words split at tabs, so file names may hold blanks.
std::vector<std::string> SplitTabs(const std::string& Line)
{
    std::vector<std::string> Words;
    std::stringstream S(Line);
    std::string W;
    while (std::getline(S, W, '\t'))
        if (!W.empty())
            Words.push_back(W);
    return Words;
}

} // namespace

int main(int argc, char** argv)
{
    ApplicationInit();
    ImageLibInit();
    // A script waits for this tool: a warning box nobody can answer would hang it.
    SetPngWarningsSilenced(true);
    int Result = 0;
    std::vector<std::string> Words(argv + 1, argv + argc);
    if (Words.size() == 2 && Words[0] == "batch") {
        std::ifstream List(Words[1]);
        if (!List) {
            std::cout << "error cannot read " << Words[1] << "\n";
            Result = 1;
        }
        std::string Line;
        while (std::getline(List, Line)) {
            if (!Line.empty() && Line.back() == '\r')
                Line.pop_back();
            if (Line.empty())
                continue;
            if (Run(SplitTabs(Line), std::cout) != 0)
                Result = 1;
        }
    } else {
        Result = Run(Words, std::cout);
    }
    std::cout.flush();
    ImageLibDone();
    ApplicationDone();
    return Result;
}
