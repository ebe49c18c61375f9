#pragma once
// TStatusBar over msctls_statusbar32: panels with widths and texts that change at run time (the last
// panel runs to the bar's right edge), a simple one-text mode, and child controls placed over the
// panels (a progress bar).

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/win/Controls.h"
#include "platform/win/StdCtrls.h"

class TStatusBar;

enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };

class TStatusPanel {
public:
    int32_t GetWidth() const { return FWidth; }
    void SetWidth(int32_t Value);
    const std::string& GetText() const { return FText; }
    void SetText(const std::string& Value);
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TStatusPanelBevel GetBevel() const { return FBevel; }
    void SetBevel(TStatusPanelBevel Value);
    int32_t GetIndex() const { return FIndex; }

private:
    friend class TStatusPanels;
    friend class TStatusBar;
    TStatusPanel(TStatusBar* AOwner, int32_t AIndex) : FOwner(AOwner), FIndex(AIndex) {}
    TStatusBar* FOwner = nullptr;
    int32_t FIndex;
    int32_t FWidth = 50;
    std::string FText;
    TAlignment FAlignment = taLeftJustify;
    TStatusPanelBevel FBevel = pbLowered;
};

class TStatusPanels {
public:
    explicit TStatusPanels(TStatusBar* AOwner) : FOwner(AOwner) {}
    ~TStatusPanels();
    TStatusPanels(const TStatusPanels&) = delete;
    TStatusPanels& operator=(const TStatusPanels&) = delete;
    TStatusPanel* Add();
    int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
    TStatusPanel* GetItem(int32_t Index) const; // a bad index raises EListError
    void Clear();

private:
    friend class TStatusBar;
    TStatusBar* FOwner = nullptr;
    std::vector<TStatusPanel*> FItems;
};

class TStatusBar : public TWinControl {
public:
    explicit TStatusBar(TComponent* AOwner);
    std::string ClassName() const override { return "TStatusBar"; }

    TStatusPanels* GetPanels() { return &FPanels; }
    bool GetSimplePanel() const { return FSimplePanel; }
    void SetSimplePanel(bool Value);
    const std::string& GetSimpleText() const { return FSimpleText; }
    void SetSimpleText(const std::string& Value);
    bool GetSizeGrip() const { return FSizeGrip; }
    void SetSizeGrip(bool Value);
    // A panel's rectangle in the bar's client coordinates (from the window when it has one).
    TRect GetPanelRect(int32_t Index);

protected:
    void CreateParams(TCreateParams& Params) override;
    void RestoreWindowState() override;
    void WndProc(TMessage& Message) override;

private:
    friend class TStatusPanel;
    friend class TStatusPanels;
    void UpdateParts();
    void UpdatePanel(int32_t Index);

    TStatusPanels FPanels{this};
    bool FSimplePanel = false;
    std::string FSimpleText;
    bool FSizeGrip = true;
};
