#include "platform/rtl/Collection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TNamedItem : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    std::string ClassName() const override { return "TNamedItem"; }
    void Assign(TPersistent* Source) override
    {
        if (auto* S = dynamic_cast<TNamedItem*>(Source)) {
            SetText(S->Text);
            return;
        }
        TCollectionItem::Assign(Source);
    }
    void SetText(const std::string& Value)
    {
        Text = Value;
        Changed(false);
    }
    std::string Text;
};

// Records every Update call: the item's text, or "nil".
class TRecordingCollection : public TCollection {
public:
    TRecordingCollection() : TCollection(ItemFactory<TNamedItem>()) {}
    std::string ClassName() const override { return "TRecordingCollection"; }
    TNamedItem* Item(int32_t I) const { return static_cast<TNamedItem*>(GetItems(I)); }
    std::vector<std::string> Updates;
    std::vector<std::string> Notes;

protected:
    void Update(TCollectionItem* Item) override
    {
        Updates.push_back(Item ? static_cast<TNamedItem*>(Item)->Text : "nil");
    }
    void Notify(TCollectionItem* Item, TCollectionNotification Action) override
    {
        Notes.push_back((Action == cnAdded ? "added " : Action == cnDeleting ? "deleting " : "extracting ") +
                        std::to_string(Item->GetID()));
    }
};

std::vector<std::string> Texts(const TRecordingCollection& C)
{
    std::vector<std::string> R;
    for (int32_t I = 0; I < C.GetCount(); ++I)
        R.push_back(C.Item(I)->Text);
    return R;
}

} // namespace

TEST(Collection, IndexMovesAndUpdatesBatch)
{
    TRecordingCollection C;
    for (const char* T : {"a", "b", "c"})
        static_cast<TNamedItem*>(C.Add())->SetText(T);
    C.Item(2)->SetIndex(0);
    EXPECT_EQ(Texts(C), (std::vector<std::string>{"c", "a", "b"}));
    EXPECT_EQ(C.Item(1)->GetIndex(), 1);
    EXPECT_THROW(C.Item(0)->SetIndex(3), EListError);

    C.Updates.clear();
    C.BeginUpdate();
    C.Item(0)->SetText("x");
    C.Item(1)->SetText("y");
    C.Delete(2);
    EXPECT_TRUE(C.Updates.empty());
    C.EndUpdate();
    EXPECT_EQ(C.Updates, (std::vector<std::string>{"nil"}));
    C.Item(0)->SetText("z"); // outside a block: the item itself
    EXPECT_EQ(C.Updates.back(), "z");
}

TEST(Collection, IdsIncreaseAndAreNeverReused)
{
    TRecordingCollection C;
    C.Add();
    C.Add();
    C.Add();
    C.Delete(2);
    C.Clear();
    TCollectionItem* Next = C.Add();
    EXPECT_EQ(Next->GetID(), 3);
    TCollectionItem* Inserted = C.Insert(0);
    EXPECT_EQ(Inserted->GetID(), 4);
    EXPECT_EQ(C.GetItems(0), Inserted);
    EXPECT_EQ(C.FindItemID(3), Next);
    EXPECT_EQ(C.FindItemID(2), nullptr);
    EXPECT_EQ(C.Notes, (std::vector<std::string>{"added 0", "added 1", "added 2", "deleting 2", "deleting 1",
                                                 "deleting 0", "added 3", "added 4"}));
    EXPECT_THROW(C.Insert(5), EListError);
    EXPECT_THROW(C.GetItems(-1), EListError);

    // An item deleted directly leaves its collection; moving it gives it a new ID there.
    TRecordingCollection Other;
    Next->SetCollection(&Other);
    EXPECT_EQ(C.GetCount(), 1);
    EXPECT_EQ(Next->GetID(), 0);
    EXPECT_EQ(Next->GetOwner(), &Other);
    delete Inserted;
    EXPECT_EQ(C.GetCount(), 0);
}

TEST(Collection, AssignClearsThenCopiesItems)
{
    TRecordingCollection Source;
    for (const char* T : {"p", "q"})
        static_cast<TNamedItem*>(Source.Add())->SetText(T);
    TRecordingCollection Dest;
    static_cast<TNamedItem*>(Dest.Add())->SetText("old");
    Dest.Updates.clear();
    Dest.Assign(&Source);
    EXPECT_EQ(Texts(Dest), (std::vector<std::string>{"p", "q"}));
    EXPECT_EQ(Dest.Updates, (std::vector<std::string>{"nil"})); // one report for the whole copy
    Dest.Assign(&Dest);
    EXPECT_EQ(Dest.GetCount(), 2);

    // Items without their own Assign cannot be copied.
    TCollection Plain(TCollection::ItemFactory<TCollectionItem>());
    Plain.Add();
    TCollection Target(TCollection::ItemFactory<TCollectionItem>());
    EXPECT_THROW(Target.Assign(&Plain), EConvertError);
    EXPECT_EQ(Target.GetUpdateCount(), 0); // the update block was closed
}
