#include "engine/ImagesLibraryMeasure.h"

#include "engine/TaskThread.h"
#include "imagelib/ImageLib.h"
#include "imagelib/Gif.h"
#include "imagelib/ImgScroll.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Files.h"

TImageSize MeasurePictureFile(const std::string& FileName)
{
    TImageSize Size;
    if (SameText(ExtractFileExt(FileName), ".gif")) {
        const auto Gif = std::make_unique<TGif>();
        Gif->LoadFromFile(FileName);
        Size.Width = Gif->GetWidth();
        Size.Height = Gif->GetHeight();
    } else {
        // No owner: worker threads must not enter the application's component list. Never
        // parented, it never makes a window.
        const TComponentPtr<TImageScrollBox> Box(new TImageScrollBox(nullptr));
        Box->LoadFromFile(FileName, 1);
        const TDibGraphic* G = Box->GetGraphic();
        if (G->GetEmpty())
            throw EDidodazaError("No picture in " + FileName);
        Size.Width = G->GetWidth();
        Size.Height = G->GetHeight();
    }
    return Size;
}

void InstallPictureMeasurer() { SetDefaultImageMeasurer(MeasurePictureFile); }

void LinkCrawlToImagesLibrary(bool Linked)
{
    if (Linked)
        SetStartAddImageHook([](TTask*, const std::string& FileName) { StartAddImageThread(FileName); });
    else
        SetStartAddImageHook(nullptr);
}

// =============================================================================================
// TImagesLibrarySession

namespace {

std::string JsonText(const std::string& S)
{
    std::string Out = "\"";
    for (const unsigned char C : S) {
        if (C == '"' || C == '\\') {
            Out += '\\';
            Out += static_cast<char>(C);
        } else if (C < 0x20 || C >= 0x80) {
            // Names are in the system code page: each byte goes out as its own code point.
            Out += "\\u" + IntToHex(static_cast<uint64_t>(C), 4);
        } else {
            Out += static_cast<char>(C);
        }
    }
    return Out + "\"";
}

} // namespace

TImagesLibrarySession::TImagesLibrarySession(std::string File) : FFile(std::move(File))
{
    ImageLibInit();
    InstallPictureMeasurer();
    ImageLibrary = new TImageLibrary();
    AddImageThreads = new TAddImageThreadList();
    TScopeExit FreeOnFailure([this] { FreeGlobals(); });
    if (FileExists(FFile))
        ImageLibrary->LoadFromFile(FFile);
    FreeOnFailure.Dismiss();
    LinkCrawlToImagesLibrary(true);
}

TImagesLibrarySession::~TImagesLibrarySession()
{
    LinkCrawlToImagesLibrary(false);
    try {
        AddImageThreads->WaitForAll();
    } catch (...) {
        // The list's destructor still ends what is left.
    }
    FreeGlobals();
}

void TImagesLibrarySession::FreeGlobals()
{
    delete AddImageThreads;
    AddImageThreads = nullptr;
    delete ImageLibrary;
    ImageLibrary = nullptr;
    ImageLibDone();
}

std::string TImagesLibrarySession::Finish()
{
    AddImageThreads->WaitForAll();
    ImageLibrary->SaveToFile(FFile);
    std::string Json;
    TThreadListGuard L(ImageLibrary->GetList());
    for (void* P : *L) {
        const auto* D = static_cast<const TImageDetail*>(P);
        Json += std::string(Json.empty() ? "" : ",") + "{\"name\":" + JsonText(D->GetFileName()) +
                ",\"size\":" + IntToStr(D->GetFileSize()) + ",\"width\":" + IntToStr(D->GetWidth()) +
                ",\"height\":" + IntToStr(D->GetHeight()) + "}";
    }
    return "{\"imglib\":[" + Json + "]}";
}
