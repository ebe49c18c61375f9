// The add-item dialog and the group-items dialog run modally on a designed form with a manager,
// categories "File" and "Edit" and two groups; a user-interface-thread timer answers them by
// messages. Checked: their windows and layouts (with screenshots), the item classes and names
// offered, a refused name keeping the dialog open, the rows, headers and row heights of the
// group-items list with the pixels of a header row, and what OK and Cancel hand back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/customize/cbBarAddGroupItemsEd.h"
#include "commandbars/customize/cbBarItemEd.h"
#include "platform/rtl/Classes.h"
#include "platform/win/Forms.h"
#include "platform/win/Graphics.h"
#include "tests/commandbars/PixelBuffer.h"
#include "tests/commandbars/support/ModalFormAnswerer.h"
#include "tests/support/NoClippedText.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using namespace CommandBarsTest;

namespace {

class TCountingDesigner : public IFormDesigner {
public:
    void Modified() override { ++ModifiedCount; }
    void SelectComponent(TPersistent*) override {}
    int ModifiedCount = 0;
};

// A designed form: categories "File" (New, Open, the sub-item Recent) and "Edit" (Cut, the edit
// Find), and the groups FileGroup and EditGroup.
struct TEditorScene {
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    TCountingDesigner Designer;
    TcbBarManager* Manager = nullptr;
    TcbBarButton *New = nullptr, *Open = nullptr, *Cut = nullptr;
    TcbBarSubItem* Recent = nullptr;
    TcbBarEdit* Find = nullptr;
    TcbBarGroup *FileGroup = nullptr, *EditGroup = nullptr;

    explicit TEditorScene(bool TwoGroups = true)
    {
        Form->SetDesigning(true);
        Form->SetDesigner(&Designer);
        Manager = new TcbBarManager(Form.get());
        Manager->SetName("cbBarManager1");
        TStrings* C = Manager->GetCategories();
        C->Clear();
        C->Add("File");
        C->Add("Edit");
        New = Make<TcbBarButton>("New", "&New", 0);
        Open = Make<TcbBarButton>("Open", "&Open...", 0);
        Recent = Make<TcbBarSubItem>("Recent", "&Recent", 0);
        Cut = Make<TcbBarButton>("Cut", "Cu&t", 1);
        Find = Make<TcbBarEdit>("Find", "&Find", 1);
        FileGroup = Manager->AddGroup();
        FileGroup->SetName("FileGroup");
        if (TwoGroups) {
            EditGroup = Manager->AddGroup();
            EditGroup->SetName("EditGroup");
        }
        Designer.ModifiedCount = 0;
    }

    template <class T>
    T* Make(const std::string& Name, const std::string& Caption, int32_t Category)
    {
        auto* Item = new T(Form.get());
        Item->SetName(Name);
        Item->SetCaption(Caption);
        Item->SetCategory(Category);
        return Item;
    }
};

TSize ClientSizeOf(HWND W)
{
    RECT R{};
    GetClientRect(W, &R);
    return TSize{R.right - R.left, R.bottom - R.top};
}

bool Overlap(const TRect& A, const TRect& B)
{
    return A.left < B.right && B.left < A.right && A.top < B.bottom && B.top < A.bottom;
}

// Every shown control lies inside its parent's client area and no two shown siblings overlap;
// every caption fits its control.
void ExpectSoundLayout(TWinControl* Parent, const std::string& Where)
{
    const int32_t W = Parent->GetClientWidth(), H = Parent->GetClientHeight();
    std::vector<TControl*> Shown;
    for (int32_t I = 0; I < Parent->GetControlCount(); ++I)
        if (TControl* C = Parent->GetControls(I); C->GetVisible())
            Shown.push_back(C);
    for (size_t I = 0; I < Shown.size(); ++I) {
        const TRect A = Shown[I]->GetBoundsRect();
        const std::string What = Where + ": " + Shown[I]->ClassName() + " '" + Shown[I]->GetCaption() + "'";
        EXPECT_GE(A.left, 0) << What;
        EXPECT_GE(A.top, 0) << What;
        EXPECT_LE(A.right, W) << What;
        EXPECT_LE(A.bottom, H) << What;
        for (size_t J = I + 1; J < Shown.size(); ++J)
            EXPECT_FALSE(Overlap(A, Shown[J]->GetBoundsRect()))
                << What << " overlaps " << Shown[J]->ClassName() << " '" << Shown[J]->GetCaption() << "'";
        if (auto* Child = dynamic_cast<TWinControl*>(Shown[I]))
            ExpectSoundLayout(Child, Where);
    }
}

std::string TextOf(HWND W)
{
    char Text[256] = {};
    GetWindowTextA(W, Text, sizeof Text);
    return Text;
}

std::vector<std::string> ComboRows(TComboBox* Combo)
{
    std::vector<std::string> Rows;
    for (int32_t I = 0; I < Combo->GetItems()->GetCount(); ++I)
        Rows.push_back(Combo->GetItems()->GetStrings(I));
    return Rows;
}

int32_t ItemHeightOf(TListBox* List, int32_t Index)
{
    return static_cast<int32_t>(SendMessageA(List->GetHandle(), LB_GETITEMHEIGHT, static_cast<WPARAM>(Index), 0));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The add-item dialog

TEST(ItemAddEditor, OffersTheVisibleClassesAndNamesTheChosenOne)
{
    TEditorScene S;
    std::vector<std::string> Visible;
    for (int32_t I = 0; TcbBarItemClass Class = GetVisibleBarItemClass(I); ++I)
        Visible.push_back(Class->Name);
    ASSERT_EQ(Visible.size(), 7u);

    TModalFormAnswerer Answer("Add Item", [&](HWND W, TWinControl* Form) {
        auto* E = dynamic_cast<TcbBarItemAddEditor*>(Form);
        EXPECT_NE(E, nullptr);
        if (!E)
            return true;
        const TSize Client = ClientSizeOf(W);
        EXPECT_EQ(Client.cx, 263);
        EXPECT_EQ(Client.cy, 150);
        EXPECT_TRUE(GetWindowLongPtrA(W, GWL_EXSTYLE) & WS_EX_TOPMOST) << "the dialog stays on top";
        EXPECT_EQ(ComboRows(E->ComboBox1), Visible) << "the visible classes in registration order";
        EXPECT_EQ(E->ComboBox1->GetItemIndex(), 0);
        EXPECT_EQ(ComboRows(E->ComboBox2), (std::vector<std::string>{"File", "Edit"}));
        EXPECT_EQ(E->ComboBox2->GetItemIndex(), 1) << "the category asked for";
        EXPECT_EQ(TextOf(E->Edit1->GetHandle()), "cbBarButton1");
        EXPECT_EQ(TextOf(E->Edit2->GetHandle()), "New Item");
        // The form's own focus: the system's focus follows it only while the program is in the
        // foreground, which another test program running beside this one may hold.
        EXPECT_EQ(E->GetActiveControl(), E->Edit1) << "the name has the focus";
        if (GetForegroundWindow() == W) {
            EXPECT_EQ(GetFocus(), E->Edit1->GetHandle()) << "the name has the focus";
        }
        ExpectSoundLayout(E, "add-item dialog");
        TestSupport::ExpectNoClippedText(E);
        TestSupport::SaveShot(TestSupport::CaptureFullPaint(W), "editor-add-item");

        const auto Edit = std::find(Visible.begin(), Visible.end(), "TcbBarEdit") - Visible.begin();
        ChooseComboRow(E->ComboBox1, static_cast<int>(Edit));
        EXPECT_EQ(TextOf(E->Edit1->GetHandle()), "cbBarEdit1");
        SetWindowTextA(E->Edit2->GetHandle(), "Search");
        ClickButton(E->BOk);
        return true;
    });
    const int32_t Items = S.Manager->GetItemCount();
    TcbBarItem* Made = ShowItemAddEditor(S.Manager, 1);
    EXPECT_TRUE(Answer.Answered());
    ASSERT_NE(Made, nullptr);
    EXPECT_NE(dynamic_cast<TcbBarEdit*>(Made), nullptr);
    EXPECT_EQ(Made->ClassName(), "TcbBarEdit");
    EXPECT_EQ(Made->GetName(), "cbBarEdit1");
    EXPECT_EQ(Made->GetCaption(), "Search");
    EXPECT_EQ(Made->GetCategory(), 1);
    EXPECT_EQ(Made->GetOwner(), S.Form.get());
    EXPECT_EQ(Made->GetBarManager(), S.Manager);
    EXPECT_EQ(S.Manager->GetItemCount(), Items + 1);
    EXPECT_TRUE(S.Manager->IsModified());
    EXPECT_GE(S.Designer.ModifiedCount, 1);
}

TEST(ItemAddEditor, ATakenOrInvalidNameKeepsTheDialogOpenWithAFreshOne)
{
    TEditorScene S;
    int Step = 0;
    std::vector<std::string> Proposed;
    const int32_t Items = S.Manager->GetItemCount();
    const int32_t Components = S.Form->GetComponentCount();
    TModalFormAnswerer Answer("Add Item", [&](HWND, TWinControl* Form) {
        auto* E = dynamic_cast<TcbBarItemAddEditor*>(Form);
        if (!E)
            return true;
        // A taken name, an invalid one, then Cancel.
        for (const char* Name : {"Open", "not a name"}) {
            ++Step;
            SetWindowTextA(E->Edit1->GetHandle(), Name);
            ClickButton(E->BOk);
            EXPECT_TRUE(IsWindowVisible(E->GetHandle())) << Name << ": the dialog closed";
            Proposed.push_back(TextOf(E->Edit1->GetHandle()));
            EXPECT_EQ(S.Manager->GetItemCount(), Items) << Name;
            EXPECT_EQ(S.Form->GetComponentCount(), Components) << Name << ": the refused item stayed";
        }
        ClickButton(E->BCancel);
        return true;
    });
    // CategoryIndex out of range selects the first category.
    TcbBarItem* Made = ShowItemAddEditor(S.Manager, 7);
    EXPECT_TRUE(Answer.Answered());
    EXPECT_EQ(Step, 2);
    EXPECT_EQ(Made, nullptr);
    EXPECT_EQ(Proposed, (std::vector<std::string>{"cbBarButton1", "cbBarButton1"}));
    EXPECT_EQ(S.Manager->GetItemCount(), Items);
    EXPECT_EQ(S.Form->FindComponent("Open"), S.Open) << "the existing item keeps its name";
    EXPECT_EQ(S.Designer.ModifiedCount, 0);

    // The first category when the one asked for does not exist.
    TModalFormAnswerer Again("Add Item", [&](HWND, TWinControl* Form) {
        auto* E = dynamic_cast<TcbBarItemAddEditor*>(Form);
        if (!E)
            return true;
        EXPECT_EQ(E->ComboBox2->GetItemIndex(), 0);
        ClickButton(E->BOk);
        return true;
    });
    Made = ShowItemAddEditor(S.Manager, -3);
    ASSERT_NE(Made, nullptr);
    EXPECT_EQ(Made->GetCategory(), 0);
    EXPECT_EQ(Made->GetName(), "cbBarButton1");
}

// ---------------------------------------------------------------------------------------------
// The group-items dialog

TEST(AddGroupItemsDialog, ListsOtherGroupsUnderAHeaderOnlyWhenThereAreAnyAndItemsByCategory)
{
    for (bool TwoGroups : {false, true}) {
        SCOPED_TRACE(TwoGroups ? "two groups" : "one group");
        TEditorScene S(TwoGroups);
        std::vector<std::string> Rows;
        std::vector<TObject*> Objects;
        TModalFormAnswerer Answer("Add Group Items", [&](HWND, TWinControl* Form) {
            auto* D = dynamic_cast<TfrmAddGroupItems*>(Form);
            if (!D)
                return true;
            TStrings* Items = D->lbGroupItems->GetItems();
            for (int32_t I = 0; I < Items->GetCount(); ++I) {
                Rows.push_back(Items->GetStrings(I));
                Objects.push_back(Items->GetObjects(I));
            }
            ClickButton(D->btnCancel);
            return true;
        });
        TList Result;
        EXPECT_FALSE(ShowAddGroupItems(S.FileGroup, &Result));
        EXPECT_EQ(Result.GetCount(), 0);
        std::vector<std::string> Expected;
        std::vector<TObject*> ExpectedObjects;
        if (TwoGroups) {
            Expected = {"~< Groups >", "EditGroup"};
            ExpectedObjects = {nullptr, S.EditGroup};
        }
        for (const char* R : {"~File", "&New", "&Open...", "&Recent", "~Edit", "Cu&t", "&Find"})
            Expected.push_back(R);
        for (TObject* O : std::vector<TObject*>{nullptr, S.New, S.Open, S.Recent, nullptr, S.Cut, S.Find})
            ExpectedObjects.push_back(O);
        EXPECT_EQ(Rows, Expected);
        EXPECT_EQ(Objects, ExpectedObjects);
    }
}

TEST(AddGroupItemsDialog, HeaderRowsShowTheirNameOnButtonFaceAndRowsAreALineOrTwoHigh)
{
    TEditorScene S(false);
    TModalFormAnswerer Answer("Add Group Items", [&](HWND W, TWinControl* Form) {
        auto* D = dynamic_cast<TfrmAddGroupItems*>(Form);
        if (!D)
            return true;
        TcbAddGroupItemsListBox* List = D->lbGroupItems;
        const TSize Client = ClientSizeOf(W);
        EXPECT_EQ(Client.cx, 280);
        EXPECT_EQ(Client.cy, 360);
        EXPECT_EQ(D->pnlButtons->GetHeight(), 41);
        ExpectSoundLayout(D, "group-items dialog");
        TestSupport::ExpectNoClippedText(D);
        TestSupport::SaveShot(TestSupport::CaptureFullPaint(W), "editor-add-group-items");

        // The class redraws on width changes; the background is never erased.
        EXPECT_TRUE(GetClassLongPtrA(List->GetHandle(), GCL_STYLE) & CS_HREDRAW);
        HDC DC = GetDC(List->GetHandle());
        EXPECT_EQ(SendMessageA(List->GetHandle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0), 1);
        ReleaseDC(List->GetHandle(), DC);

        // A line is the height of "Qq" and 2; an item's row holds two.
        const int32_t Line = MeasureText(List->GetFont(), "Qq", DT_SINGLELINE).cy + 2;
        EXPECT_EQ(ItemHeightOf(List, 0), Line) << "header";
        EXPECT_EQ(ItemHeightOf(List, 1), 2 * Line) << "item";
        EXPECT_EQ(ItemHeightOf(List, 4), Line) << "header";

        // Row 0 "~File" is "File" at (2, 1) on button face, as the test draws it (with the
        // focus rectangle moved away from it).
        SendMessageA(List->GetHandle(), LB_SETCARETINDEX, 3, FALSE);
        const TestSupport::TShot Shot = TestSupport::CaptureFullPaint(List->GetHandle());
        const POINT O = TestSupport::ClientOrigin(List->GetHandle());
        RECT Row{};
        SendMessageA(List->GetHandle(), LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&Row));
        TDib Ref(Row.right - Row.left, Row.bottom - Row.top, Sys(COLOR_BTNFACE));
        HGDIOBJ OldFont = SelectObject(Ref.DC(), List->GetFont()->GetHandle());
        SetTextColor(Ref.DC(), Sys(COLOR_BTNTEXT));
        SetBkColor(Ref.DC(), Sys(COLOR_BTNFACE));
        SetBkMode(Ref.DC(), OPAQUE);
        TextOutA(Ref.DC(), 2, 1, "File", 4);
        SelectObject(Ref.DC(), OldFont);
        int32_t Differing = 0;
        for (int32_t Y = 0; Y < Ref.Height(); ++Y)
            for (int32_t X = 0; X < Ref.Width(); ++X) {
                const COLORREF C = Ref.Pixel(X, Y);
                const uint32_t Want = GetRValue(C) << 16 | GetGValue(C) << 8 | GetBValue(C);
                Differing += Shot.At(O.x + X, O.y + Y) != Want;
            }
        EXPECT_EQ(Differing, 0) << "the header row differs from \"File\" drawn at (2, 1)";

        auto Count = [&](const RECT& R, COLORREF C) {
            const uint32_t Want = GetRValue(C) << 16 | GetGValue(C) << 8 | GetBValue(C);
            int32_t N = 0;
            for (int32_t Y = R.top; Y < R.bottom; ++Y)
                for (int32_t X = R.left; X < R.right; ++X)
                    N += Shot.At(O.x + X, O.y + Y) == Want;
            return N;
        };
        // Below the last row the list shows button face down to its bottom.
        const int32_t Last = List->GetItems()->GetCount() - 1;
        RECT LastRow{};
        SendMessageA(List->GetHandle(), LB_GETITEMRECT, static_cast<WPARAM>(Last), reinterpret_cast<LPARAM>(&LastRow));
        RECT ListClient{};
        GetClientRect(List->GetHandle(), &ListClient);
        EXPECT_LT(LastRow.bottom, ListClient.bottom - 4);
        const RECT Below{0, LastRow.bottom, ListClient.right, ListClient.bottom};
        EXPECT_EQ(Count(Below, Sys(COLOR_BTNFACE)), (Below.right - Below.left) * (Below.bottom - Below.top));

        // The dialog keeps at least a 200 x 200 client area.
        MINMAXINFO Info{};
        SendMessageA(W, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&Info));
        RECT Frame{0, 0, 200, 200};
        AdjustWindowRectEx(&Frame, static_cast<DWORD>(GetWindowLongPtrA(W, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrA(W, GWL_EXSTYLE)));
        EXPECT_EQ(Info.ptMinTrackSize.x, Frame.right - Frame.left);
        EXPECT_EQ(Info.ptMinTrackSize.y, Frame.bottom - Frame.top);
        // Sized down to it, the buttons keep to the right edge and the layout stays sound.
        D->SetClientSize(200, 200);
        EXPECT_EQ(D->btnCancel->GetLeft() + D->btnCancel->GetWidth(), 272 - 80);
        ExpectSoundLayout(D, "group-items dialog at 200 x 200");
        ClickButton(D->btnCancel);
        return true;
    });
    TList Result;
    EXPECT_FALSE(ShowAddGroupItems(S.FileGroup, &Result));
    EXPECT_TRUE(Answer.Answered());
}

TEST(AddGroupItemsDialog, OkHandsBackTheChosenObjectsInListOrderWithoutHeaders)
{
    TEditorScene S;
    TModalFormAnswerer Answer("Add Group Items", [&](HWND, TWinControl* Form) {
        auto* D = dynamic_cast<TfrmAddGroupItems*>(Form);
        if (!D)
            return true;
        HWND List = D->lbGroupItems->GetHandle();
        // Chosen out of order, headers included: Find, the "~< Groups >" header, New, "~Edit",
        // EditGroup.
        for (int Row : {8, 0, 3, 6, 1})
            SendMessageA(List, LB_SETSEL, TRUE, Row);
        ClickButton(D->btnOk);
        return true;
    });
    TList Result;
    Result.Add(S.Cut); // the caller's earlier entries stay
    ASSERT_TRUE(ShowAddGroupItems(S.FileGroup, &Result));
    std::vector<void*> Got(Result.begin(), Result.end());
    EXPECT_EQ(Got, (std::vector<void*>{static_cast<TComponent*>(S.Cut), static_cast<TComponent*>(S.EditGroup),
                                        static_cast<TComponent*>(S.New), static_cast<TComponent*>(S.Find)}));
    // Nothing joined the group yet: that is the caller's part.
    EXPECT_EQ(S.FileGroup->GetCount(), 0);
    // Without a group nothing is shown.
    EXPECT_FALSE(ShowAddGroupItems(nullptr, &Result));
    EXPECT_EQ(Result.GetCount(), 4);
}
