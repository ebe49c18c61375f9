#pragma once
// The small common controls: up-down (with a buddy edit), track bar and progress bar. Each keeps
// its range and position in the object, so they hold before the window exists and through its
// re-creation.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/win/Controls.h"

enum TOrientation { orHorizontal, orVertical };
enum TUDBtnType { btNext, btPrev };
enum TUDAlignButton { udLeft, udRight };

using TUDClickEvent = std::function<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

class TUpDown : public TWinControl {
public:
    explicit TUpDown(TComponent* AOwner);
    ~TUpDown() override;
    std::string ClassName() const override { return "TUpDown"; }

    int32_t GetMin() const { return FMin; }
    void SetMin(int32_t Value);
    int32_t GetMax() const { return FMax; }
    void SetMax(int32_t Value);
    int32_t GetPosition() const { return FPosition; }
    // Clamped to Min..Max; a change moves the buddy's text and fires OnChange.
    void SetPosition(int32_t Value);
    int32_t GetIncrement() const { return FIncrement; }
    void SetIncrement(int32_t Value);
    bool GetWrap() const { return FWrap; }
    void SetWrap(bool Value);
    TOrientation GetOrientation() const { return FOrientation; }
    void SetOrientation(TOrientation Value);
    bool GetArrowKeys() const { return FArrowKeys; }
    void SetArrowKeys(bool Value);
    TUDAlignButton GetAlignButton() const { return FAlignButton; }
    void SetAlignButton(TUDAlignButton Value);
    // The buddy shows the position as plain digits (no thousands separators); the up-down sits
    // beside it. Text typed into the buddy is where the next step starts from.
    TWinControl* GetAssociate() const { return FAssociate; }
    void SetAssociate(TWinControl* Value);

    // One arrow step as the user makes it (also the keyboard's arrows in the buddy).
    void Step(TUDBtnType Button);

    TUDChangingEvent OnChanging;
    TNotifyEvent OnChange;
    // After a user's step, with the arrow that made it (hides the plain OnClick).
    TUDClickEvent OnClick;

    void Notification(TComponent* AComponent, TOperation Operation) override;
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void RestoreWindowState() override;

private:
    void ApplyRange();
    void PlaceBesideBuddy();
    void ShowInBuddy();
    void SyncFromBuddy();
    int32_t FMin = 0, FMax = 100, FPosition = 0, FIncrement = 1;
    bool FWrap = false;
    bool FArrowKeys = true;
    TOrientation FOrientation = orVertical;
    TUDAlignButton FAlignButton = udRight;
    TWinControl* FAssociate = nullptr;
};

enum TTickMark { tmBottomRight, tmTopLeft, tmBoth };
enum TTickStyle { tsNone, tsAuto, tsManual };

class TTrackBar : public TWinControl {
public:
    explicit TTrackBar(TComponent* AOwner);
    std::string ClassName() const override { return "TTrackBar"; }

    int32_t GetMin() const { return FMin; }
    void SetMin(int32_t Value);
    int32_t GetMax() const { return FMax; }
    void SetMax(int32_t Value);
    int32_t GetPosition() const { return FPosition; }
    // Clamped to Min..Max; a change fires OnChange, from code too.
    void SetPosition(int32_t Value);
    int32_t GetFrequency() const { return FFrequency; }
    void SetFrequency(int32_t Value);
    int32_t GetLineSize() const { return FLineSize; }
    void SetLineSize(int32_t Value);
    int32_t GetPageSize() const { return FPageSize; }
    void SetPageSize(int32_t Value);
    TOrientation GetOrientation() const { return FOrientation; }
    void SetOrientation(TOrientation Value);
    TTickMark GetTickMarks() const { return FTickMarks; }
    void SetTickMarks(TTickMark Value);
    TTickStyle GetTickStyle() const { return FTickStyle; }
    void SetTickStyle(TTickStyle Value);

    TNotifyEvent OnChange;
    void WndProc(TMessage& Message) override;
    bool WantsKey(uint16_t Key) const override { return Key == VK_UP || Key == VK_DOWN || Key == VK_LEFT || Key == VK_RIGHT; }

protected:
    void CreateParams(TCreateParams& Params) override;
    void RestoreWindowState() override;
    virtual void Changed();

private:
    void ApplyRange();
    void ApplyPosition(int32_t Value);
    int32_t FMin = 0, FMax = 10, FPosition = 0, FFrequency = 1, FLineSize = 1, FPageSize = 2;
    TOrientation FOrientation = orHorizontal;
    TTickMark FTickMarks = tmBottomRight;
    TTickStyle FTickStyle = tsAuto;
};

class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TComponent* AOwner);
    std::string ClassName() const override { return "TProgressBar"; }

    int32_t GetMin() const { return FMin; }
    void SetMin(int32_t Value);
    int32_t GetMax() const { return FMax; }
    void SetMax(int32_t Value);
    int32_t GetPosition() const { return FPosition; }
    // Clamped to Min..Max.
    void SetPosition(int32_t Value);
    int32_t GetStep() const { return FStep; }
    void SetStep(int32_t Value);
    // Position + Step; past Max it starts again from Min, as the system's bar does.
    void StepIt();
    void StepBy(int32_t Delta);
    TOrientation GetOrientation() const { return FOrientation; }
    void SetOrientation(TOrientation Value);
    bool GetSmooth() const { return FSmooth; }
    void SetSmooth(bool Value);

protected:
    void CreateParams(TCreateParams& Params) override;
    void RestoreWindowState() override;

private:
    void ApplyRange();
    int32_t FMin = 0, FMax = 100, FPosition = 0, FStep = 10;
    TOrientation FOrientation = orHorizontal;
    bool FSmooth = false;
};
