// Fills the images library window's list from a 20,000-record library through its loading
// thread (one synchronised step per record), against the same 20,000 rows added with
// TListItems::AddItem on the user-interface thread (the reference), in the same run; prints
// both times and their ratio.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "app/ImageLibraryForm.h"
#include "engine/ImagesLibrary.h"
#include "imagelib/ImageLib.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Application.h"
#include "platform/win/Forms.h"
#include "platform/win/ListView.h"

namespace {

constexpr int Records = 20000;

double Seconds(std::chrono::steady_clock::time_point Start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

std::string NameOf(int I)
{
    return "C:\\Pictures\\Downloaded Files\\Task " + std::to_string(I % 40) + "\\Saved\\picture" + std::to_string(I) +
           (I % 3 ? ".jpg" : ".png");
}

// The window made, shown and pumped until its list is full; the seconds that took.
double LoadThroughTheWindow()
{
    const TComponentPtr<TImageLibraryForm> Form(new TImageLibraryForm(nullptr));
    const auto Start = std::chrono::steady_clock::now();
    Form->Show();
    while (Form->Loading)
        Application->HandleMessage();
    const double T = Seconds(Start);
    if (Form->ImageLibListView->GetItems()->GetCount() != Records)
        std::printf("library_load: wrong row count %d\n", Form->ImageLibListView->GetItems()->GetCount());
    return T;
}

// The same rows, with the window's columns and an icon index, added in one loop.
double AddDirectly()
{
    const TComponentPtr<TImageLibraryForm> Form(new TImageLibraryForm(nullptr));
    Form->HandleNeeded();
    TListView* List = Form->ImageLibListView;
    const auto Start = std::chrono::steady_clock::now();
    for (int I = 0; I < Records; ++I) {
        const std::string Name = NameOf(I);
        TListItem* Row = List->GetItems()->AddItem(Name, -1, nullptr,
                                                  {"picture" + std::to_string(I) + ".jpg", IntToStr((I % 900)) + " KB",
                                                   IntToStr(640), IntToStr(480)});
        Row->Value().Set(Name);
    }
    return Seconds(Start);
}

} // namespace

int main()
{
    ApplicationInit();
    ImageLibInit();
    ImageLibrary = new TImageLibrary();
    for (int I = 0; I < Records; ++I) {
        auto D = std::make_unique<TImageDetail>();
        D->SetFileName(NameOf(I));
        D->SetFileSize((I % 900) * 1024);
        D->SetWidth(640);
        D->SetHeight(480);
        ImageLibrary->Add(std::move(D));
    }
    // Both once before measuring: first-use costs (window classes, shell icons) stay outside.
    LoadThroughTheWindow();
    AddDirectly();
    const double Window = LoadThroughTheWindow();
    const double Direct = AddDirectly();
    std::printf("library_load: %d records: loading thread %.3f s, AddItem on the user-interface thread %.3f s, "
                "ratio %.2f\n",
                Records, Window, Direct, Direct > 0 ? Window / Direct : 0.0);
    delete ImageLibrary;
    ImageLibrary = nullptr;
    ImageLibDone();
    ApplicationDone();
    return 0;
}
