// The tree: tree order, search, expansion, vetoed selection, owned values, images, emulated
// multiple selection driven by real clicks, read-only labels and nodes added from workers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "platform/win/Bitmap.h"
#include "platform/win/Forms.h"
#include "platform/win/Thread.h"
#include "platform/win/TreeView.h"
#include "tests/support/InputDriver.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpUntil;

namespace {

// Counts its own destruction, as a stand-in for a row's full path.
struct TCounted {
    explicit TCounted(int* C) : Count(C) {}
    TCounted(TCounted&& O) noexcept : Count(O.Count) { O.Count = nullptr; }
    TCounted(const TCounted&) = delete;
    ~TCounted()
    {
        if (Count)
            ++*Count;
    }
    int* Count;
};

struct TTreeForm {
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    TTreeView* Tree;
    TImageList* Images;
    TTreeForm()
    {
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(40, 40, 300, 500);
        Images = new TImageList(Form.get());
        TBitmap B;
        B.SetSize(48, 16);
        B.GetCanvas()->GetBrush()->SetColor(clRed);
        B.GetCanvas()->FillRect(Rect(0, 0, 48, 16));
        Images->Add(&B, nullptr);
        Tree = new TTreeView(Form.get());
        Tree->SetParent(Form.get());
        Tree->SetAlign(alClient);
        Tree->SetImages(Images);
        Form->HandleNeeded();
    }
    // 4 roots x 3 children x 2 grandchildren + ... = 40 nodes: "R<i>", "R<i>.C<j>", "R<i>.C<j>.G<k>".
    std::vector<std::string> Build(int* Freed)
    {
        std::vector<std::string> Order;
        TTreeNodes* N = Tree->GetItems();
        for (int R = 0; R < 4; ++R) {
            TTreeNode* Root = N->Add(nullptr, "R" + std::to_string(R));
            Root->SetImageIndex(0);
            Root->SetSelectedIndex(1);
            Root->Value().Set(TCounted(Freed));
            Order.push_back(Root->GetText());
            for (int C = 0; C < 3; ++C) {
                TTreeNode* Child = N->AddChild(Root, Root->GetText() + ".C" + std::to_string(C));
                Child->SetImageIndex(1);
                Child->SetSelectedIndex(2);
                Child->Value().Set(TCounted(Freed));
                Order.push_back(Child->GetText());
                for (int G = 0; G < 2; ++G) {
                    TTreeNode* GC = N->AddChild(Child, Child->GetText() + ".G" + std::to_string(G));
                    GC->SetImageIndex(2);
                    GC->SetSelectedIndex(0);
                    GC->Value().Set(TCounted(Freed));
                    Order.push_back(GC->GetText());
                }
            }
        }
        return Order;
    }
};

TVITEMA ItemOf(HWND Tree, TTreeNode* N, UINT Mask)
{
    TVITEMA I{};
    I.mask = Mask | TVIF_HANDLE;
    I.hItem = N->GetItemId();
    I.stateMask = 0xFFFF;
    SendMessageA(Tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&I));
    return I;
}

void ClickAt(HWND W, POINT P, bool Ctrl)
{
    ClientToScreen(W, &P);
    if (Ctrl)
        TestSupport::KeyDown(VK_CONTROL);
    TestSupport::Click(P);
    if (Ctrl)
        TestSupport::KeyUp(VK_CONTROL);
}

POINT NodeCenter(HWND Tree, TTreeNode* N)
{
    RECT R{};
    HTREEITEM Item = N->GetItemId();
    memcpy(&R, &Item, sizeof(Item)); // TVM_GETITEMRECT takes the item in the rectangle
    SendMessageA(Tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&R));
    return POINT{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
}

} // namespace

TEST(TTreeView, TreeOrderSearchAndExpansion)
{
    TTreeForm F;
    int Freed = 0;
    auto Order = F.Build(&Freed);
    TTreeNodes* N = F.Tree->GetItems();
    ASSERT_EQ(N->GetCount(), 40);
    ASSERT_EQ(Order.size(), 40u);
    int I = 0;
    for (TTreeNode* Node = N->GetFirstNode(); Node; Node = Node->GetNext(), ++I) {
        ASSERT_LT(I, 40);
        EXPECT_EQ(Node->GetText(), Order[static_cast<size_t>(I)]);
        EXPECT_EQ(N->GetItem(I), Node);
        EXPECT_EQ(Node->GetAbsoluteIndex(), I);
    }
    EXPECT_EQ(I, 40);
    // The system's own order agrees: walk the window with TVGN_NEXT/TVGN_CHILD.
    TTreeNode* R2 = F.Tree->FindNodeByText("R2");
    ASSERT_NE(R2, nullptr);
    EXPECT_EQ(R2->GetIndex(), 2);
    EXPECT_EQ(F.Tree->FindNodeByText("R2.C1.G0")->GetLevel(), 2);
    EXPECT_EQ(F.Tree->FindNodeByText("R2.C1.G0")->GetParent()->GetText(), "R2.C1");
    EXPECT_EQ(F.Tree->FindNodeByText("nothing"), nullptr);
    // A duplicate later in tree order is not the one found.
    TTreeNode* Dup = N->AddChild(F.Tree->FindNodeByText("R3"), "R1.C0");
    EXPECT_EQ(F.Tree->FindNodeByText("R1.C0")->GetParent()->GetText(), "R1");
    Dup->Delete();
    HWND W = F.Tree->GetHandle();
    auto Child = [W](TTreeNode* P) { return reinterpret_cast<HTREEITEM>(SendMessageA(W, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(P->GetItemId()))); };
    EXPECT_EQ(Child(R2), R2->getFirstChild()->GetItemId());
    // Expand of one level leaves the grandchildren collapsed.
    R2->Expand(false);
    EXPECT_TRUE(R2->GetExpanded());
    for (int C = 0; C < 3; ++C)
        EXPECT_FALSE(R2->GetItem(C)->GetExpanded());
    EXPECT_TRUE(SendMessageA(W, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(R2->GetItemId()), TVIS_EXPANDED) & TVIS_EXPANDED);
    TTreeNode* R1 = F.Tree->FindNodeByText("R1");
    R1->Expand(true);
    for (int C = 0; C < 3; ++C)
        EXPECT_TRUE(SendMessageA(W, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(R1->GetItem(C)->GetItemId()), TVIS_EXPANDED) & TVIS_EXPANDED);
    R1->Collapse(true);
    EXPECT_FALSE(R1->GetExpanded());
    // Images read back from the window.
    TTreeNode* C = F.Tree->FindNodeByText("R0.C2");
    TVITEMA It = ItemOf(W, C, TVIF_IMAGE | TVIF_SELECTEDIMAGE);
    EXPECT_EQ(It.iImage, 1);
    EXPECT_EQ(It.iSelectedImage, 2);
    C->SetImageIndex(2);
    EXPECT_EQ(ItemOf(W, C, TVIF_IMAGE).iImage, 2);
    EXPECT_EQ(Freed, 0);
}

TEST(TTreeView, ChangingVetoKeepsSelection)
{
    TTreeForm F;
    int Freed = 0;
    F.Build(&Freed);
    TTreeNode* A = F.Tree->FindNodeByText("R0");
    TTreeNode* B = F.Tree->FindNodeByText("R1");
    int Changes = 0;
    TTreeNode* Asked = nullptr;
    F.Tree->OnChange = [&](TObject*, TTreeNode*) { ++Changes; };
    F.Tree->SetSelected(A);
    EXPECT_EQ(F.Tree->GetSelected(), A);
    EXPECT_EQ(Changes, 1);
    F.Tree->OnChanging = [&](TObject*, TTreeNode* N, bool& Allow) { Asked = N; Allow = false; };
    F.Tree->SetSelected(B);
    EXPECT_EQ(Asked, B);
    EXPECT_EQ(F.Tree->GetSelected(), A);
    EXPECT_EQ(Changes, 1);
    F.Tree->OnChanging = nullptr;
    F.Tree->SetSelected(B);
    EXPECT_EQ(F.Tree->GetSelected(), B);
    EXPECT_EQ(Changes, 2);
}

TEST(TTreeView, DeletionFiresForEveryNodeAndFreesValues)
{
    TTreeForm F;
    int Freed = 0;
    F.Build(&Freed);
    std::vector<std::string> Deleted;
    int FreedWhenSeen = -1;
    F.Tree->OnDeletion = [&](TObject*, TTreeNode* N) {
        Deleted.push_back(N->GetText());
        if (FreedWhenSeen < 0)
            FreedWhenSeen = Freed;
        EXPECT_NE(N->Value().Get<TCounted>(), nullptr); // still there while the handler looks
    };
    TTreeNode* R1 = F.Tree->FindNodeByText("R1");
    F.Tree->SetSelected(F.Tree->FindNodeByText("R1.C1"));
    R1->Delete();
    EXPECT_EQ(Deleted.size(), 10u);
    EXPECT_EQ(Freed, 10);
    EXPECT_EQ(FreedWhenSeen, 0);
    EXPECT_NE(std::find(Deleted.begin(), Deleted.end(), "R1"), Deleted.end());
    EXPECT_NE(std::find(Deleted.begin(), Deleted.end(), "R1.C2.G1"), Deleted.end());
    EXPECT_EQ(F.Tree->GetItems()->GetCount(), 30);
    EXPECT_EQ(SendMessageA(F.Tree->GetHandle(), TVM_GETCOUNT, 0, 0), 30);
    EXPECT_EQ(F.Tree->FindNodeByText("R1.C0"), nullptr);
    // DeleteChildren keeps the node itself.
    TTreeNode* R2 = F.Tree->FindNodeByText("R2");
    R2->DeleteChildren();
    EXPECT_EQ(Freed, 19);
    EXPECT_FALSE(R2->HasChildren());
    Deleted.clear();
    F.Tree->GetItems()->Clear();
    EXPECT_EQ(Deleted.size(), 21u);
    EXPECT_EQ(Freed, 40);
    EXPECT_EQ(SendMessageA(F.Tree->GetHandle(), TVM_GETCOUNT, 0, 0), 0);
    // Freeing the control does the same.
    F.Build(&Freed);
    Deleted.clear();
    F.Tree->Free();
    EXPECT_EQ(Deleted.size(), 40u);
    EXPECT_EQ(Freed, 80);
}

TEST(TTreeView, SurvivesRecreationAndReadOnlyRefusesEditing)
{
    TTreeForm F;
    int Freed = 0;
    F.Build(&Freed);
    TTreeNode* C = F.Tree->FindNodeByText("R3.C1");
    C->MakeVisible();
    F.Tree->SetSelected(C);
    F.Tree->SetReadOnly(true);
    EXPECT_FALSE(C->EditText());
    EXPECT_EQ(SendMessageA(F.Tree->GetHandle(), TVM_GETEDITCONTROL, 0, 0), 0);
    F.Tree->SetReadOnly(false);
    EXPECT_TRUE(C->EditText());
    SendMessageA(F.Tree->GetHandle(), TVM_ENDEDITLABELNOW, TRUE, 0);
    F.Tree->SetShowLines(false);
    EXPECT_FALSE(GetWindowLongA(F.Tree->GetHandle(), GWL_STYLE) & TVS_HASLINES);
    // A re-made window gets the same nodes back.
    HWND Old = F.Tree->GetHandle();
    F.Tree->RecreateWnd();
    EXPECT_FALSE(IsWindow(Old));
    EXPECT_EQ(SendMessageA(F.Tree->GetHandle(), TVM_GETCOUNT, 0, 0), 40);
    EXPECT_EQ(F.Tree->GetSelected(), C);
    EXPECT_TRUE(F.Tree->FindNodeByText("R3")->GetExpanded());
}

TEST(TTreeView, CtrlClickMultiSelect)
{
    TTreeForm F;
    int Freed = 0;
    F.Build(&Freed);
    F.Tree->SetMultiSelect(true);
    F.Tree->FindNodeByText("R0")->Expand(false);
    F.Form->Show();
    TestSupport::BringToFront(*F.Form);
    HWND W = F.Tree->GetHandle();
    std::vector<TTreeNode*> Pick{F.Tree->FindNodeByText("R0.C0"), F.Tree->FindNodeByText("R0.C2"),
                                 F.Tree->FindNodeByText("R2")};
    for (TTreeNode* N : Pick) {
        const int Before = F.Tree->GetSelectionCount();
        ClickAt(W, NodeCenter(W, N), true);
        PumpUntil([&] { return F.Tree->GetSelectionCount() > Before; }, 5000, "a Ctrl+click taken");
    }
    EXPECT_EQ(F.Tree->GetSelectionCount(), 3);
    for (TTreeNode* N : Pick) {
        EXPECT_TRUE(N->GetSelected()) << N->GetText();
        EXPECT_TRUE(ItemOf(W, N, TVIF_STATE).state & TVIS_SELECTED) << N->GetText();
    }
    // Ctrl+click on a selected node takes it out again.
    ClickAt(W, NodeCenter(W, Pick[1]), true);
    PumpUntil([&] { return F.Tree->GetSelectionCount() == 2; }, 5000, "a Ctrl+click toggled off");
    EXPECT_FALSE(ItemOf(W, Pick[1], TVIF_STATE).state & TVIS_SELECTED);
    // A plain click selects that node alone.
    TTreeNode* Plain = F.Tree->FindNodeByText("R3");
    ClickAt(W, NodeCenter(W, Plain), false);
    PumpUntil([&] { return F.Tree->GetSelectionCount() == 1 && F.Tree->GetSelections(0) == Plain; }, 5000,
              "a plain click");
    PumpUntil([&] { return F.Tree->GetSelected() == Plain; }, 5000, "the caret on the clicked node");
    for (TTreeNode* N : Pick)
        EXPECT_FALSE(ItemOf(W, N, TVIF_STATE).state & TVIS_SELECTED) << N->GetText();
    EXPECT_TRUE(ItemOf(W, Plain, TVIF_STATE).state & TVIS_SELECTED);
    F.Form->Hide();
}

namespace {
class TAdder : public TThread {
public:
    TAdder(TTreeView* T, TTreeNode* P, int Id) : FTree(T), FParent(P), FId(Id) {}
    ~TAdder() override { TerminateAndWait(); }
    std::atomic<int> Added{0};

protected:
    void Execute() override
    {
        for (int I = 0; I < 250 && !GetTerminated(); ++I) {
            const std::string Text = "w" + std::to_string(FId) + "-" + std::to_string(I);
            if (Synchronize([&] { FTree->GetItems()->AddChild(FParent, Text); }))
                ++Added;
        }
    }

private:
    TTreeView* FTree;
    TTreeNode* FParent;
    int FId;
};
} // namespace

TEST(TTreeView, WorkersAddNodesThroughSynchronize)
{
    TTreeForm F;
    TTreeNode* Root = F.Tree->GetItems()->Add(nullptr, "downloads");
    std::vector<std::unique_ptr<TAdder>> Workers;
    for (int I = 0; I < 4; ++I)
        Workers.push_back(std::make_unique<TAdder>(F.Tree, Root, I));
    for (auto& W : Workers)
        W->Resume();
    PumpUntil([&] { return Root->GetCount() == 1000; }, 60000, "1000 nodes");
    for (auto& W : Workers)
        W->WaitFor();
    EXPECT_EQ(Root->GetCount(), 1000);
    EXPECT_EQ(SendMessageA(F.Tree->GetHandle(), TVM_GETCOUNT, 0, 0), 1001);
    for (int W = 0; W < 4; ++W)
        for (int I = 0; I < 250; I += 7) {
            TTreeNode* N = F.Tree->FindNodeByText("w" + std::to_string(W) + "-" + std::to_string(I));
            ASSERT_NE(N, nullptr);
            char Buf[64] = {};
            TVITEMA It{};
            It.mask = TVIF_TEXT | TVIF_HANDLE;
            It.hItem = N->GetItemId();
            It.pszText = Buf;
            It.cchTextMax = sizeof(Buf);
            SendMessageA(F.Tree->GetHandle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&It));
            EXPECT_EQ(std::string(Buf), N->GetText());
        }
}
