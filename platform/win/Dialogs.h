#pragma once
// The system's common dialogs as components: open and save file names, colour and font.
// Execute returns true on OK. The dialogs run their own modal loop, which dispatches the posted
// wake-up of Synchronize, so worker threads keep being served while one is open.

#include <array>
#include <cstdint>
#include <string>

#include <windows.h>

#include "platform/rtl/Classes.h"
#include "platform/rtl/Flags.h"
#include "platform/win/Graphics.h"

class TCommonDialog : public TComponent {
public:
    explicit TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
    std::string ClassName() const override { return "TCommonDialog"; }
    virtual bool Execute() = 0;
    // The window the dialog is owned by (nullptr: the application's active form).
    HWND GetOwnerWindow() const { return FOwnerWindow; }
    void SetOwnerWindow(HWND Value) { FOwnerWindow = Value; }

protected:
    HWND ParentWindow() const;

private:
    HWND FOwnerWindow = nullptr;
};

enum TOpenOption { ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofPathMustExist, ofFileMustExist,
                   ofCreatePrompt, ofNoReadOnlyReturn, ofEnableSizing };
using TOpenOptions = TFlags<TOpenOption>;

class TOpenDialog : public TCommonDialog {
public:
    explicit TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
    std::string ClassName() const override { return "TOpenDialog"; }
    bool Execute() override;

    // "Text files (*.txt)|*.txt|All files (*.*)|*.*"
    const std::string& GetFilter() const { return FFilter; }
    void SetFilter(const std::string& Value) { FFilter = Value; }
    int32_t GetFilterIndex() const { return FFilterIndex; } // 1-based, as the system counts
    void SetFilterIndex(int32_t Value) { FFilterIndex = Value; }
    const std::string& GetDefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const std::string& Value) { FDefaultExt = Value; }
    const std::string& GetFileName() const { return FFileName; }
    void SetFileName(const std::string& Value) { FFileName = Value; }
    const std::string& GetInitialDir() const { return FInitialDir; }
    void SetInitialDir(const std::string& Value) { FInitialDir = Value; }
    const std::string& GetTitle() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }
    TOpenOptions GetOptions() const { return FOptions; }
    void SetOptions(TOpenOptions Value) { FOptions = Value; }

protected:
    bool Run(bool Save);

private:
    std::string FFilter;
    int32_t FFilterIndex = 1;
    std::string FDefaultExt;
    std::string FFileName;
    std::string FInitialDir;
    std::string FTitle;
    TOpenOptions FOptions{ofHideReadOnly, ofEnableSizing};
};

class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
    std::string ClassName() const override { return "TSaveDialog"; }
    bool Execute() override { return Run(true); }
};

class TColorDialog : public TCommonDialog {
public:
    explicit TColorDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
    std::string ClassName() const override { return "TColorDialog"; }
    bool Execute() override;
    TColor GetColor() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }
    // The sixteen custom colours the dialog keeps between calls.
    std::array<COLORREF, 16>& CustomColors() { return FCustom; }
    bool FullOpen = true;

private:
    TColor FColor = clBlack;
    std::array<COLORREF, 16> FCustom{};
};

class TFontDialog : public TCommonDialog {
public:
    explicit TFontDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
    std::string ClassName() const override { return "TFontDialog"; }
    bool Execute() override;
    TFont* GetFont() { return &FFont; }
    void SetFont(TFont* Value) { FFont.Assign(Value); }
    // The sizes in points the dialog offers and takes; MaxFontSize 0 leaves them free.
    int32_t GetMinFontSize() const { return FMinFontSize; }
    void SetMinFontSize(int32_t Value) { FMinFontSize = Value; }
    int32_t GetMaxFontSize() const { return FMaxFontSize; }
    void SetMaxFontSize(int32_t Value) { FMaxFontSize = Value; }

private:
    TFont FFont;
    int32_t FMinFontSize = 0;
    int32_t FMaxFontSize = 0;
};
