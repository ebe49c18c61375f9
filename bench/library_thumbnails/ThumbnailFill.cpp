// Fills the images library window's thumbnail view (preview mode) from libraries of 2,000 and
// 20,000 records whose files are small JPEG pictures on disk, and resizes the window step by
// step while the view shows them. Prints the fill times and their ratio, and the user-interface
// time of a resize step that changes the number of columns and of one that does not.
//
// Every figure is the median of a few runs and includes the messages the step leaves behind
// (painting the panels in view), handled before the clock stops.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/ImageLibraryForm.h"
#include "app/JpegBrowser.h"
#include "bench/support/BenchSupport.h"
#include "engine/ImagesLibrary.h"
#include "imagelib/ImageLib.h"
#include "imagelib/JpegGraphic.h"
#include "platform/rtl/FileStream.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Actions.h"
#include "platform/win/Application.h"
#include "platform/win/Forms.h"

namespace {

const int Sizes[] = {2000, 20000};

// The messages waiting now, handled (paints included).
void Settle()
{
    MSG M;
    for (int Round = 0; Round < 4; ++Round) {
        while (PeekMessageA(&M, nullptr, 0, 0, PM_NOREMOVE))
            Application->ProcessMessages();
    }
}

std::string PictureBytes()
{
    TJpegGraphic G;
    G.NewImage(48, 32, ifTrueColor);
    G.Fill(0x3366CC);
    char Temp[MAX_PATH];
    GetTempPathA(MAX_PATH, Temp);
    const std::string Path = std::string(Temp) + "qm-thumb-bench-" + std::to_string(GetCurrentProcessId()) + ".jpg";
    G.SaveToFile(Path);
    std::string Bytes;
    {
        TFileStream F(Path, fmOpenRead | fmShareDenyNone);
        Bytes.resize(static_cast<size_t>(F.GetSize()));
        F.ReadBuffer(Bytes.data(), static_cast<int32_t>(Bytes.size()));
    }
    DeleteFileA(Path.c_str());
    return Bytes;
}

void WriteFile(const std::string& Path, const std::string& Bytes)
{
    HANDLE H = CreateFileA(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD Done = 0;
    ::WriteFile(H, Bytes.data(), static_cast<DWORD>(Bytes.size()), &Done, nullptr);
    CloseHandle(H);
}

struct TFigures {
    double Fill = 0, ColumnsStep = 0, SameColumnsStep = 0;
    size_t Panels = 0;
};

TFigures Measure(const std::vector<std::string>& Files, int Records)
{
    delete ImageLibrary;
    ImageLibrary = new TImageLibrary();
    for (int I = 0; I < Records; ++I) {
        auto D = std::make_unique<TImageDetail>();
        D->SetFileName(Files[static_cast<size_t>(I)]);
        D->SetFileSize(1024);
        D->SetWidth(48);
        D->SetHeight(32);
        ImageLibrary->Add(std::move(D));
    }
    TFigures R;
    const TComponentPtr<TImageLibraryForm> Form(new TImageLibraryForm(nullptr));
    Form->SetBounds(40, 40, 760, 560);
    Form->Show();
    while (Form->Loading)
        Application->HandleMessage();
    Settle();
    Form->PreviewAction->Execute();
    Settle();
    R.Panels = Form->JpegBrowser->GetPanels().size();
    // Preview off, then on again: the fill.
    std::vector<double> Fills;
    for (int I = 0; I < 3; ++I) {
        Form->PreviewAction->Execute(); // off
        Settle();
        const double S = Bench::Seconds();
        Form->PreviewAction->Execute(); // on: the fill
        Settle();
        Fills.push_back(Bench::Seconds() - S);
    }
    std::sort(Fills.begin(), Fills.end());
    R.Fill = Fills[1];

    // Resize steps: 110 pixels (one column more or less) and 3 pixels (the same columns), with
    // the view scrolled to its end, where a wider window also moves the scroll position.
    SendMessageA(Form->JpegBrowser->GetHandle(), WM_VSCROLL, SB_BOTTOM, 0);
    Settle();
    int Width = Form->GetWidth();
    int Sign = 1;
    R.ColumnsStep = Bench::Median(
        [&] {
            Width += Sign * 110;
            Sign = -Sign;
            Form->SetBounds(Form->GetLeft(), Form->GetTop(), Width, Form->GetHeight());
            Settle();
        },
        7);
    R.SameColumnsStep = Bench::Median(
        [&] {
            Width += Sign * 3;
            Sign = -Sign;
            Form->SetBounds(Form->GetLeft(), Form->GetTop(), Width, Form->GetHeight());
            Settle();
        },
        7);
    if (Form->JpegBrowser->GetPanels().size() != static_cast<size_t>(Records))
        std::printf("library_thumbnails: %d records gave %zu panels\n", Records, Form->JpegBrowser->GetPanels().size());
    Form->Close();
    return R;
}

} // namespace

int main()
{
    ApplicationInit();
    ImageLibInit();
    const std::string Folder = Bench::MakeScratchFolder("qm-thumbs-");
    const std::string Bytes = PictureBytes();
    std::vector<std::string> Files;
    for (int I = 0; I < Sizes[1]; ++I) {
        Files.push_back(Folder + "picture" + std::to_string(I) + ".jpg");
        WriteFile(Files.back(), Bytes);
    }
    Measure(Files, Sizes[0]); // first-use costs (window classes, the loader) stay outside
    TFigures F[2];
    for (int K = 0; K < 2; ++K) {
        F[K] = Measure(Files, Sizes[K]);
        std::printf("library_thumbnails: %d records: fill %.3f s, resize step across columns %.1f ms, "
                    "within the same columns %.1f ms\n",
                    Sizes[K], F[K].Fill, F[K].ColumnsStep * 1000, F[K].SameColumnsStep * 1000);
    }
    std::printf("library_thumbnails: fill ratio 20,000 / 2,000 records: %.2f (goal at most 12)\n",
                F[0].Fill > 0 ? F[1].Fill / F[0].Fill : 0.0);
    std::fflush(stdout);
    delete ImageLibrary;
    ImageLibrary = nullptr;
    Bench::RemoveFolder(Folder);
    ImageLibDone();
    ApplicationDone();
    return 0;
}
