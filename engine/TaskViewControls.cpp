#include "engine/TaskViewControls.h"

#include "platform/win/ImageList.h"
#include "platform/win/ListView.h"
#include "platform/win/RichEdit.h"
#include "platform/win/ShellUtils.h"

// ---------------------------------------------------------------------------------------------
// TListViewTaskView

TListViewTaskView::TListViewTaskView(TListView* View, TComponent* AOwner) : TComponent(AOwner), FView(View)
{
    if (FView)
        FView->FreeNotification(this);
}

void TListViewTaskView::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FView)
        FView = nullptr;
}

TListItem* TListViewTaskView::Row(int32_t Index) const
{
    if (!FView || Index < 0 || Index >= FView->GetItems()->GetCount())
        return nullptr;
    return FView->GetItems()->GetItem(Index);
}

int32_t TListViewTaskView::AddRow(const std::string& Caption, const std::vector<std::string>& SubItems,
                                  int32_t ImageIndex, const void* Data, const std::string& DataText)
{
    if (!FView)
        return -1;
    TListItem* It = FView->GetItems()->AddItem(Caption, ImageIndex, const_cast<void*>(Data), SubItems);
    if (!DataText.empty())
        It->Value().Set(DataText);
    return It->GetIndex();
}

int32_t TListViewTaskView::IndexOfData(const void* Data) const
{
    if (!FView)
        return -1;
    TListItem* It = FView->GetItems()->FindData(0, const_cast<void*>(Data), true, false);
    return It ? It->GetIndex() : -1;
}

void TListViewTaskView::DeleteRow(int32_t Index)
{
    if (Row(Index))
        FView->GetItems()->Delete(Index);
}

void TListViewTaskView::SetRowImage(int32_t Index, int32_t ImageIndex)
{
    if (TListItem* It = Row(Index))
        It->SetImageIndex(ImageIndex);
}

void TListViewTaskView::SetSubItem(int32_t Index, int32_t SubIndex, const std::string& Text)
{
    TListItem* It = Row(Index);
    if (It && SubIndex >= 0)
        It->GetSubItems()->SetStrings(SubIndex, Text);
}

int32_t TListViewTaskView::AddFileIcon(const std::string& FileName)
{
    TImageList* Images = FView ? FView->GetSmallImages() : nullptr;
    if (!Images)
        return -1;
    std::unique_ptr<TIcon> Icon = ShellSmallIcon(FileName);
    if (!Icon)
        return -1;
    return Images->AddIcon(Icon.get());
}

int32_t TListViewTaskView::GetImageCount() const
{
    TImageList* Images = FView ? FView->GetSmallImages() : nullptr;
    return Images ? Images->GetCount() : 0;
}

std::string TListViewTaskView::RowDataText(TListItem* Row)
{
    const std::string* S = Row ? Row->Value().Get<std::string>() : nullptr;
    return S ? *S : std::string();
}

// ---------------------------------------------------------------------------------------------
// TRichEditLogView

TRichEditLogView::TRichEditLogView(TRichEdit* Edit, TComponent* AOwner) : TComponent(AOwner), FEdit(Edit)
{
    if (FEdit) {
        FEdit->FreeNotification(this);
        FEdit->SetMaxLines(kLogPaneLines);
    }
}

void TRichEditLogView::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FEdit)
        FEdit = nullptr;
}

void TRichEditLogView::AddLine(const std::string& Line)
{
    if (FEdit)
        FEdit->GetLines()->Add(Line);
}
