// The Library window's thumbnails under real input (SendInput): the mouse wheel scrolls them as
// soon as Preview shows them, by whole notches however finely the wheel turns, and never past
// either end.

#include <algorithm>

#include "app/ImageLibraryForm.h"
#include "app/JpegBrowser.h"
#include "engine/ImagesLibrary.h"
#include "imagelib/JpegGraphic.h"
#include "platform/win/ExtCtrls.h"
#include "tests/app/PictureTestFiles.h"
#include "tests/support/InputDriver.h"

using namespace PictureTest;
using TestSupport::PumpUntil;

namespace {

// The wheel turned by Delta (WHEEL_DELTA a notch, toward the user negative) with the pointer at
// a point of the screen.
void Wheel(POINT At, int32_t Delta)
{
    TestSupport::MoveTo(At);
    INPUT I{};
    I.type = INPUT_MOUSE;
    I.mi.dwFlags = MOUSEEVENTF_WHEEL;
    I.mi.mouseData = static_cast<DWORD>(Delta);
    SendInput(1, &I, sizeof(INPUT));
    EXPECT_TRUE(TestSupport::WaitProcessed());
}

} // namespace

TEST(ThumbnailInput, TheWheelScrollsThePreviewByNotchesWithinItsEnds)
{
    TestSupport::TTempFolder Temp;
    ImageLibrary = new TImageLibrary();
    struct TDropLibrary {
        ~TDropLibrary()
        {
            delete ImageLibrary;
            ImageLibrary = nullptr;
        }
    } Drop;
    for (int I = 0; I < 40; ++I) {
        auto D = std::make_unique<TImageDetail>();
        D->SetFileName(WritePicture<TJpegGraphic>(Temp.File("p" + std::to_string(I) + ".jpg"), 16, 12));
        D->SetFileSize(1024);
        D->SetWidth(16);
        D->SetHeight(12);
        ImageLibrary->Add(std::move(D));
    }
    TComponentPtr<TImageLibraryForm> Form(new TImageLibraryForm(nullptr));
    Form->Show();
    ASSERT_TRUE(PumpUntil([&] { return !Form->Loading; }, 60000, "the list loaded"));
    Form->SetClientSize(560 + Form->GetClientWidth() - Form->ClientPanel->GetClientWidth(),
                        330 + Form->GetClientHeight() - Form->ClientPanel->GetClientHeight());
    ASSERT_TRUE(TestSupport::BringToFront(*Form));
    // The list has the keyboard, as after a click on a row; Preview then hides it.
    Form->ImageLibListView->SetFocus();
    Command(Form->GetHandle(), laPreview);
    TJpegBrowser* B = Form->JpegBrowser;
    ASSERT_EQ(B->GetPanels().size(), 40u);
    EXPECT_EQ(GetFocus(), B->GetHandle()) << "the thumbnails take the keyboard from the hidden list";
    TControlScrollBar* Bar = B->GetVertScrollBar();
    ASSERT_TRUE(Bar->IsScrollBarVisible());
    const TPoint Middle = B->ClientToScreen(Point(B->GetClientWidth() / 2, B->GetClientHeight() / 2));
    const POINT At{Middle.x, Middle.y};
    TJpegPanel* First = B->GetPanels().front();

    Wheel(At, -WHEEL_DELTA);
    const int32_t Notch = Bar->GetPosition();
    EXPECT_GT(Notch, 0) << "one notch toward the user scrolls down";
    EXPECT_LE(Notch, Bar->GetPageSize()) << "a notch scrolls no more than a page";
    EXPECT_EQ(First->GetTop(), -Notch) << "the panels move with the bar";
    Wheel(At, WHEEL_DELTA);
    EXPECT_EQ(Bar->GetPosition(), 0);
    EXPECT_EQ(First->GetTop(), 0);
    Wheel(At, WHEEL_DELTA);
    EXPECT_EQ(Bar->GetPosition(), 0) << "nothing above the first row";

    // A fine wheel's half notches: the first moves nothing, the second one notch.
    Wheel(At, -WHEEL_DELTA / 2);
    EXPECT_EQ(Bar->GetPosition(), 0);
    Wheel(At, -WHEEL_DELTA / 2);
    EXPECT_EQ(Bar->GetPosition(), Notch);

    // Far past the end: the last row at the bottom, and no further.
    Wheel(At, -40 * WHEEL_DELTA);
    const int32_t End = Bar->GetRange() - Bar->GetPageSize();
    EXPECT_EQ(Bar->GetPosition(), End);
    TJpegPanel* Last = B->GetPanels().back();
    EXPECT_LE(Last->GetTop() + Last->GetHeight(), B->GetClientHeight());
    EXPECT_GE(Last->GetTop() + Last->GetHeight() + B->GetSplitterWidth(), B->GetClientHeight());

    // After a click on a thumbnail the wheel still scrolls the thumbnails.
    const TPoint OnPanel = B->ClientToScreen(Point(Last->GetLeft() + 50, Last->GetTop() + 50));
    TestSupport::Click(POINT{OnPanel.x, OnPanel.y});
    ASSERT_TRUE(TestSupport::WaitProcessed());
    EXPECT_EQ(B->GetSelected(), Last);
    Wheel(At, 2 * WHEEL_DELTA);
    EXPECT_EQ(Bar->GetPosition(), std::max(End - 2 * Notch, 0));
    Form.reset();
}
