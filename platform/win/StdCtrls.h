#pragma once
// The standard controls: label (windowless), button, check box, radio button, group box, edit,
// mask edit, memo, list box and combo box. Each keeps its own state (text, items, selection,
// check state) through the re-creation of its window.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/rtl/StringList.h"
#include "platform/win/Controls.h"

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };

class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* AOwner);
    std::string ClassName() const override { return "TLabel"; }
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value) { FAlignment = Value; Invalidate(); }
    bool GetAutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value) { FAutoSize = Value; AdjustSize(); }
    bool GetWordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value) { FWordWrap = Value; AdjustSize(); Invalidate(); }
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool Value) { FTransparent = Value; Invalidate(); }
    TTextLayout GetLayout() const { return FLayout; }
    void SetLayout(TTextLayout Value) { FLayout = Value; Invalidate(); }
    TWinControl* GetFocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* Value);
    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    void Paint() override;
    void TextChanged() override { AdjustSize(); }
    void FontChanged() override { TGraphicControl::FontChanged(); AdjustSize(); }
    void AdjustSize();

private:
    TAlignment FAlignment = taLeftJustify;
    bool FAutoSize = true;
    bool FWordWrap = false;
    bool FTransparent = false;
    TTextLayout FLayout = tlTop;
    TWinControl* FFocusControl = nullptr;
};

// Buttons, check boxes and radio buttons: BUTTON windows whose clicks come back reflected.
class TButtonControl : public TWinControl {
public:
    explicit TButtonControl(TComponent* AOwner);
    std::string ClassName() const override { return "TButtonControl"; }
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    virtual void Clicked() { Click(); } // BN_CLICKED
};

class TButton : public TButtonControl {
public:
    explicit TButton(TComponent* AOwner);
    std::string ClassName() const override { return "TButton"; }
    bool GetDefault() const { return FDefault; }
    void SetDefault(bool Value);
    bool GetCancel() const { return FCancel; }
    void SetCancel(bool Value) { FCancel = Value; }
    int32_t GetModalResult() const { return FModalResult; }
    void SetModalResult(int32_t Value) { FModalResult = Value; }
    void Click() override;

protected:
    void CreateParams(TCreateParams& Params) override;

private:
    bool FDefault = false;
    bool FCancel = false;
    int32_t FModalResult = 0;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public TButtonControl {
public:
    explicit TCheckBox(TComponent* AOwner);
    std::string ClassName() const override { return "TCheckBox"; }
    bool GetChecked() const { return FState == cbChecked; }
    void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
    TCheckBoxState GetState() const { return FState; }
    // A change from code clicks too (OnClick); the same value does nothing.
    void SetState(TCheckBoxState Value);
    bool GetAllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }

protected:
    void CreateParams(TCreateParams& Params) override;
    void RestoreWindowState() override;
    void Clicked() override;

private:
    TCheckBoxState FState = cbUnchecked;
    bool FAllowGrayed = false;
};

class TRadioButton : public TButtonControl {
public:
    explicit TRadioButton(TComponent* AOwner);
    std::string ClassName() const override { return "TRadioButton"; }
    bool GetChecked() const { return FChecked; }
    // Checking one unchecks its siblings; becoming checked from code clicks too.
    void SetChecked(bool Value);
    bool WantsKey(uint16_t) const override { return false; }

protected:
    void CreateParams(TCreateParams& Params) override;
    void RestoreWindowState() override;
    void Clicked() override { SetChecked(true); }

private:
    bool FChecked = false;
};

// A container with a caption and an etched frame.
class TGroupBox : public TCustomControl {
public:
    explicit TGroupBox(TComponent* AOwner);
    std::string ClassName() const override { return "TGroupBox"; }

protected:
    void Paint() override;
    void AdjustClientRect(TRect& Rect) override;
    void TextChanged() override { Invalidate(); }
};

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* AOwner);
    std::string ClassName() const override { return "TCustomEdit"; }
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    int32_t GetMaxLength() const { return FMaxLength; }
    void SetMaxLength(int32_t Value);
    char GetPasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(char Value);
    TEditCharCase GetCharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase Value);
    int32_t GetSelStart() const;
    void SetSelStart(int32_t Value);
    int32_t GetSelLength() const;
    void SetSelLength(int32_t Value);
    std::string GetSelText() const;
    void SetSelText(const std::string& Value);
    void SelectAll();
    void Clear() { SetText(""); }
    TNotifyEvent OnChange;
    void WndProc(TMessage& Message) override;
    bool WantsKey(uint16_t Key) const override { return Key == VK_LEFT || Key == VK_RIGHT || Key == VK_UP || Key == VK_DOWN; }

protected:
    void CreateParams(TCreateParams& Params) override;
    void SaveWindowState() override;
    void RestoreWindowState() override;
    void TextChanged() override;
    virtual void Change();

private:
    bool FReadOnly = false;
    int32_t FMaxLength = 0;
    char FPasswordChar = 0;
    TEditCharCase FCharCase = ecNormal;
    int32_t FSelStart = 0, FSelLength = 0;
};

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
    std::string ClassName() const override { return "TEdit"; }
};

// An edit of digit places ("99999": up to five digits, blanks allowed); Text gives the digits.
class TMaskEdit : public TCustomEdit {
public:
    explicit TMaskEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
    std::string ClassName() const override { return "TMaskEdit"; }
    const std::string& GetEditMask() const { return FEditMask; }
    void SetEditMask(const std::string& Value);
    void SetText(const std::string& Value) override;
    void WndProc(TMessage& Message) override;

private:
    size_t Places() const;
    std::string FEditMask;
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TMemo : public TCustomEdit {
public:
    explicit TMemo(TComponent* AOwner);
    ~TMemo() override;
    std::string ClassName() const override { return "TMemo"; }
    TStrings* GetLines() { return FLines.get(); }
    TScrollStyle GetScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value) { FScrollBars = Value; RecreateWnd(); }
    bool GetWordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value) { FWordWrap = Value; RecreateWnd(); }
    bool GetWantReturns() const { return FWantReturns; }
    void SetWantReturns(bool Value) { FWantReturns = Value; }
    bool GetWantTabs() const { return FWantTabs; }
    void SetWantTabs(bool Value) { FWantTabs = Value; }
    bool WantsKey(uint16_t Key) const override;

protected:
    void CreateParams(TCreateParams& Params) override;

private:
    std::unique_ptr<TStrings> FLines;
    TScrollStyle FScrollBars = ssNone;
    bool FWordWrap = true;
    bool FWantReturns = true;
    bool FWantTabs = false;
};

// Items of a list or combo box: kept here and mirrored into the window.
class TControlItems : public TStrings {
public:
    struct TSink {
        std::function<void(int32_t Index, const std::string& S)> Inserted;
        std::function<void(int32_t Index)> Deleted;
        std::function<void()> Cleared;
    };
    explicit TControlItems(TSink Sink) : FSink(std::move(Sink)) {}
    std::string ClassName() const override { return "TControlItems"; }
    int32_t GetCount() const override { return FList.GetCount(); }
    std::string GetStrings(int32_t Index) const override { return FList.GetStrings(Index); }
    void SetStrings(int32_t Index, const std::string& S) override;
    TObject* GetObjects(int32_t Index) const override { return FList.GetObjects(Index); }
    void SetObjects(int32_t Index, TObject* AObject) override { FList.SetObjects(Index, AObject); }
    void Insert(int32_t Index, const std::string& S) override;
    void Delete(int32_t Index) override;
    void Clear() override;
    int32_t Add(const std::string& S) override;
    int32_t AddObject(const std::string& S, TObject* AObject) override;
    bool GetSorted() const { return FSorted; }
    void SetSorted(bool Value);

private:
    TStringList FList;
    TSink FSink;
    bool FSorted = false;
};

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
enum TOwnerDrawStateFlag { odSelected, odGrayed, odDisabled, odChecked, odFocused };
using TOwnerDrawState = TFlags<TOwnerDrawStateFlag>;
using TDrawItemEvent = std::function<void(TObject* Control, int32_t Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TObject* Control, int32_t Index, int32_t& Height)>;

class TListBox : public TWinControl {
public:
    explicit TListBox(TComponent* AOwner);
    ~TListBox() override;
    std::string ClassName() const override { return "TListBox"; }
    TStrings* GetItems() { return FItems.get(); }
    int32_t GetItemIndex() const;
    void SetItemIndex(int32_t Value);
    bool GetSelected(int32_t Index) const;
    void SetSelected(int32_t Index, bool Value);
    int32_t GetSelCount() const;
    bool GetMultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value) { FMultiSelect = Value; RecreateWnd(); }
    bool GetExtendedSelect() const { return FExtendedSelect; }
    void SetExtendedSelect(bool Value) { FExtendedSelect = Value; RecreateWnd(); }
    bool GetSorted() const { return FItems->GetSorted(); }
    void SetSorted(bool Value);
    int32_t GetTopIndex() const;
    void SetTopIndex(int32_t Value);
    TListBoxStyle GetStyle() const { return FStyle; }
    void SetStyle(TListBoxStyle Value) { FStyle = Value; RecreateWnd(); }
    int32_t GetItemHeight() const { return FItemHeight; }
    void SetItemHeight(int32_t Value);
    TCanvas* GetCanvas() { return &FCanvas; }
    TRect ItemRect(int32_t Index) const;
    void Clear() { FItems->Clear(); }
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;
    void WndProc(TMessage& Message) override;
    bool WantsKey(uint16_t Key) const override { return Key == VK_UP || Key == VK_DOWN || Key == VK_LEFT || Key == VK_RIGHT; }

protected:
    void CreateParams(TCreateParams& Params) override;
    void SaveWindowState() override;
    void RestoreWindowState() override;

private:
    std::unique_ptr<TControlItems> FItems;
    bool FMultiSelect = false;
    bool FExtendedSelect = true;
    TListBoxStyle FStyle = lbStandard;
    int32_t FItemHeight = 16;
    TCanvas FCanvas;
    int32_t FSavedIndex = -1;
    int32_t FSavedTop = 0;
    std::vector<int32_t> FSavedSelection;
};

enum TComboBoxStyle { csDropDown, csDropDownList };

class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* AOwner);
    ~TComboBox() override;
    std::string ClassName() const override { return "TComboBox"; }
    TStrings* GetItems() { return FItems.get(); }
    int32_t GetItemIndex() const;
    // From code: no OnChange.
    void SetItemIndex(int32_t Value);
    TComboBoxStyle GetStyle() const { return FStyle; }
    void SetStyle(TComboBoxStyle Value) { FStyle = Value; RecreateWnd(); }
    int32_t GetDropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int32_t Value) { FDropDownCount = Value; ApplyBounds(); }
    TNotifyEvent OnChange;
    void WndProc(TMessage& Message) override;
    bool WantsKey(uint16_t Key) const override { return Key == VK_UP || Key == VK_DOWN || Key == VK_LEFT || Key == VK_RIGHT; }

protected:
    void CreateParams(TCreateParams& Params) override;
    void ApplyBounds() override;
    void SaveWindowState() override;
    void RestoreWindowState() override;

private:
    std::unique_ptr<TControlItems> FItems;
    TComboBoxStyle FStyle = csDropDown;
    int32_t FDropDownCount = 8;
    int32_t FItemIndex = -1;
};
