#include "app/FormParts.h"

#include <algorithm>
#include <cmath>
#include <array>
#include <iterator>
#include <map>
#include <memory>
#include <vector>

#include <windows.h>

#include "app/Product.h"
#include "app/StaticText.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Forms.h"
#include "platform/win/Icon.h"
#include "platform/win/Scrolling.h"

namespace {

// Each side of a button's text: its frame, the focus rectangle and some air.
constexpr int32_t kButtonPadding = 8;
// Between a check box's or radio button's box and its text, the focus rectangle included.
constexpr int32_t kBoxGap = 6;
// A group box draws its caption this far in from its left edge; as much on the right keeps a
// piece of frame beside it.
constexpr int32_t kGroupCaptionInset = 10;
// What a label keeps free before the control that follows it in its row, once it ran into it.
constexpr int32_t kLabelGap = 4;

// The two axes of a layout: along a row (x) and down a column (y).
enum TAxis { axX = 0, axY = 1 };

int32_t Start(const TRect& R, TAxis Axis) { return Axis == axX ? R.left : R.top; }
int32_t End(const TRect& R, TAxis Axis) { return Axis == axX ? R.right : R.bottom; }

// Whether A and B stand beside each other along Axis: their extents across it overlap.
bool Beside(const TRect& A, const TRect& B, TAxis Axis)
{
    const TAxis Other = Axis == axX ? axY : axX;
    return Start(A, Other) < End(B, Other) && Start(B, Other) < End(A, Other);
}

// The gap control B keeps after control A (their bounds before fitting) along Axis when A grows,
// or -1 when B does not follow A. B follows A when it stands beside A further on, after A's end,
// or over the end of a label that ran into it (along the axis B was placed further on).
int32_t GapAfter(TControl* A, const TRect& OldA, const TRect& OldB, TAxis Axis, bool IsBeside)
{
    const TAxis Other = Axis == axX ? axY : axX;
    if (!IsBeside || Start(OldB, Axis) <= Start(OldA, Axis))
        return -1;
    if (Start(OldB, Axis) >= End(OldA, Axis))
        return Start(OldB, Axis) - End(OldA, Axis);
    const bool FurtherThisWay =
        Start(OldB, Axis) - Start(OldA, Axis) >= Start(OldB, Other) - Start(OldA, Other);
    return dynamic_cast<TLabel*>(A) && FurtherThisWay ? kLabelGap : -1;
}

// A scrolling container's content may reach past it: it is left as it is.
bool Scrolls(TWinControl* C) { return dynamic_cast<TScrollingWinControl*>(C) != nullptr; }

// Where a control goes along one axis of its parent, whose client extent went from OldExtent to
// NewExtent: anchored to the far edge only it keeps its distance to that edge, anchored to both
// it stretches, anchored to neither its centre keeps its place; it never moves back.
void Follow(bool Near, bool Far, int32_t OldExtent, int32_t NewExtent, int32_t OldStart, int32_t OldEnd,
            int32_t& Pos, int32_t& Size)
{
    const int32_t FarGap = OldExtent - OldEnd;
    if (Far && !Near)
        Pos = std::max(Pos, NewExtent - FarGap - Size);
    else if (Far)
        Size = std::max(Size, NewExtent - FarGap - Pos);
    else if (!Near && OldExtent > 0)
        Pos = std::max(Pos, (OldStart + OldEnd) * NewExtent / (2 * OldExtent) - Size / 2);
}

// Fits a window's controls in two passes: a plan made bottom-up (a control's size from its text
// and its children, a container's from what it holds), then the bounds set top-down, once each
// container has its final size.
class TTextFitter {
public:
    explicit TTextFitter(TTextFit Fit) : FFit(Fit) {}
    // Plans Parent's children; how much wider and taller Parent's client area must get.
    std::array<int32_t, 2> Plan(TWinControl* Parent);
    // Places Parent's children by the plan; Parent has its final size.
    void Apply(TWinControl* Parent);

private:
    struct TPlace {
        TRect Old{};
        std::array<int32_t, 2> Pos{}, Size{};
        bool Wrap = false; // a label that wraps onto more lines
    };
    // Pushes the free children along Axis; the furthest end they reach.
    int32_t Push(std::vector<TControl*> Free, TAxis Axis);
    // Moves the children kept to the far edge of Axis back before those kept there after them.
    void KeepToFarEdge(const std::vector<TControl*>& Free, TAxis Axis);
    void FitIntoRoom(std::vector<TControl*> Free, int32_t Limit);

    TTextFit FFit;
    std::map<TControl*, TPlace> FPlaces;
    std::map<TWinControl*, std::array<int32_t, 2>> FOldClient;
};

std::array<int32_t, 2> TTextFitter::Plan(TWinControl* Parent)
{
    const std::array<int32_t, 2> Client{Parent->GetClientWidth(), Parent->GetClientHeight()};
    FOldClient[Parent] = Client;
    std::array<int32_t, 2> Gain{0, 0};
    std::array<int32_t, 2> Stack{0, 0}; // what the children aligned to its sides grow by
    std::vector<TControl*> Free;        // the children placed by their own bounds
    std::array<int32_t, 2> Reach{0, 0}; // how far they reached before
    for (int32_t I = 0; I < Parent->GetControlCount(); ++I) {
        TControl* C = Parent->GetControls(I);
        TPlace& P = FPlaces[C];
        P.Old = C->GetBoundsRect();
        std::array<int32_t, 2> Inner{0, 0};
        if (auto* W = dynamic_cast<TWinControl*>(C); W && W->GetControlCount() > 0 && !Scrolls(W))
            Inner = Plan(W);
        const TSize Text = TextFitSize(C);
        P.Pos = {C->GetLeft(), C->GetTop()};
        P.Size = {std::max<int32_t>(C->GetWidth() + Inner[axX], Text.cx),
                  std::max<int32_t>(C->GetHeight() + Inner[axY], Text.cy)};
        const TAlign A = C->GetAlign();
        if (A == alNone) {
            for (TAxis X : {axX, axY})
                Reach[X] = Free.empty() ? End(P.Old, X) : std::max(Reach[X], End(P.Old, X));
            Free.push_back(C);
            continue;
        }
        // An aligned child follows Parent along the side it is aligned to; the other way it
        // keeps its own size, which Parent adds to what its other children need.
        const std::array<int32_t, 2> Grows{P.Size[axX] - C->GetWidth(), P.Size[axY] - C->GetHeight()};
        const TAxis Stacked = A == alLeft || A == alRight ? axX : axY;
        const TAxis Follows = Stacked == axX ? axY : axX;
        if (A != alClient)
            Stack[Stacked] += Grows[Stacked];
        else
            Gain[Stacked] = std::max(Gain[Stacked], Grows[Stacked]);
        Gain[Follows] = std::max(Gain[Follows], Grows[Follows]);
    }
    for (TAxis X : {axX, axY})
        Gain[X] += Stack[X];
    if (Free.empty())
        return Gain;
    if (FFit == tfKeepSize) {
        FitIntoRoom(Free, Reach[axX]);
        return {0, 0};
    }
    // The children push one another along, and Parent keeps the margins it had beyond them (or
    // none, when one stuck out already).
    for (TAxis X : {axX, axY})
        Gain[X] = std::max(Gain[X], Push(Free, X) + std::max(Client[X] - Reach[X], 0) - Client[X]);
    return Gain;
}

int32_t TTextFitter::Push(std::vector<TControl*> Free, TAxis Axis)
{
    std::stable_sort(Free.begin(), Free.end(), [this, Axis](TControl* A, TControl* B) {
        return Start(FPlaces[A].Old, Axis) < Start(FPlaces[B].Old, Axis);
    });
    // Rows are the rows as laid out; columns are the columns as laid out and as they are once
    // the widths are found, so that a control grown wide keeps clear of what stands below it.
    auto Wide = [](const TPlace& P) { return TRect{P.Pos[axX], P.Old.top, P.Pos[axX] + P.Size[axX], P.Old.bottom}; };
    auto IsBeside = [&](const TPlace& A, const TPlace& B) {
        return Beside(A.Old, B.Old, Axis) || (Axis == axY && Beside(Wide(A), Wide(B), Axis));
    };
    int32_t Reach = 0;
    for (size_t B = 0; B < Free.size(); ++B) {
        TPlace& PB = FPlaces[Free[B]];
        for (size_t A = 0; A < B; ++A) {
            const TPlace& PA = FPlaces[Free[A]];
            const int32_t Gap = GapAfter(Free[A], PA.Old, PB.Old, Axis, IsBeside(PA, PB));
            if (Gap >= 0)
                PB.Pos[Axis] = std::max(PB.Pos[Axis], PA.Pos[Axis] + PA.Size[Axis] + Gap);
        }
        Reach = std::max(Reach, PB.Pos[Axis] + PB.Size[Axis]);
    }
    return Reach;
}

// Without growing anything else: each control takes the free room before what follows it in
// its row, then moves what follows along as far as the gaps between them (down to a label's gap)
// and the room before Limit allow; a label that still falls short wraps within the room it has.
void TTextFitter::FitIntoRoom(std::vector<TControl*> Free, int32_t Limit)
{
    auto ByLeft = [this](TControl* A, TControl* B) { return FPlaces[A].Pos[axX] < FPlaces[B].Pos[axX]; };
    std::stable_sort(Free.begin(), Free.end(), ByLeft);
    for (TControl* C : Free) {
        TPlace& P = FPlaces[C];
        const TSize Text = TextFitSize(C);
        std::vector<TPlace*> After; // what follows C in its row, left to right
        int32_t Stop = std::max<int32_t>(Limit, P.Old.right);
        for (TControl* B : Free) {
            TPlace& PB = FPlaces[B];
            const int32_t Gap = B == C ? -1 : GapAfter(C, P.Old, PB.Old, axX, Beside(P.Old, PB.Old, axX));
            if (Gap < 0)
                continue;
            After.push_back(&PB);
            Stop = std::min(Stop, PB.Pos[axX] - std::min(Gap, kLabelGap));
        }
        // The room the followers can give: the gaps between them beyond a label's gap, and what
        // the last leaves before Limit.
        int32_t Slack = 0;
        for (size_t I = 0; I < After.size(); ++I) {
            const int32_t End = After[I]->Pos[axX] + After[I]->Size[axX];
            const int32_t Next = I + 1 < After.size() ? After[I + 1]->Pos[axX] - kLabelGap : Limit;
            Slack += std::max(Next - End, 0);
        }
        int32_t Carry = std::clamp<int32_t>(Text.cx - (Stop - P.Pos[axX]), 0, Slack);
        for (size_t I = 0; I < After.size() && Carry > 0; ++I) {
            After[I]->Pos[axX] += Carry;
            const int32_t End = After[I]->Pos[axX] + After[I]->Size[axX];
            const int32_t Next = I + 1 < After.size() ? After[I + 1]->Pos[axX] - kLabelGap : End;
            Carry = std::max(End - Next, 0);
        }
        const int32_t Room = Stop - P.Pos[axX] + Slack;
        auto* Label = dynamic_cast<TLabel*>(C);
        P.Size[axY] = std::max<int32_t>(P.Old.bottom - P.Old.top, Text.cy);
        if (Text.cx <= Room || !Label || Room <= 0) {
            P.Size[axX] = std::max<int32_t>(P.Old.right - P.Old.left, std::min<int32_t>(Text.cx, Room));
            continue;
        }
        P.Wrap = true;
        P.Size = {Room, MeasureText(Label->GetFont(), Label->GetCaption(), DT_WORDBREAK, Room).cy};
    }
}

void TTextFitter::KeepToFarEdge(const std::vector<TControl*>& Free, TAxis Axis)
{
    const TAnchorKind Near = Axis == axX ? akLeft : akTop, Far = Axis == axX ? akRight : akBottom;
    auto AtFarEdge = [&](TControl* C) { return C->GetAnchors().Contains(Far) && !C->GetAnchors().Contains(Near); };
    std::vector<TControl*> Row;
    std::copy_if(Free.begin(), Free.end(), std::back_inserter(Row), AtFarEdge);
    std::stable_sort(Row.begin(), Row.end(), [this, Axis](TControl* A, TControl* B) {
        return Start(FPlaces[A].Old, Axis) > Start(FPlaces[B].Old, Axis);
    });
    for (size_t A = 0; A < Row.size(); ++A) {
        TPlace& PA = FPlaces[Row[A]];
        for (size_t B = 0; B < A; ++B) {
            const TPlace& PB = FPlaces[Row[B]];
            const int32_t Gap = GapAfter(Row[A], PA.Old, PB.Old, Axis, Beside(PA.Old, PB.Old, Axis));
            if (Gap >= 0)
                PA.Pos[Axis] = std::min(PA.Pos[Axis], PB.Pos[Axis] - Gap - PA.Size[Axis]);
        }
    }
}

void TTextFitter::Apply(TWinControl* Parent)
{
    const std::array<int32_t, 2> Old = FOldClient[Parent];
    const std::array<int32_t, 2> New{Parent->GetClientWidth(), Parent->GetClientHeight()};
    std::vector<TControl*> Children, Free;
    for (int32_t I = 0; I < Parent->GetControlCount(); ++I) {
        TControl* C = Parent->GetControls(I);
        const auto It = FPlaces.find(C);
        if (It == FPlaces.end())
            continue;
        Children.push_back(C);
        if (C->GetAlign() != alNone)
            continue;
        TPlace& P = It->second;
        const TAnchors K = C->GetAnchors();
        Follow(K.Contains(akLeft), K.Contains(akRight), Old[axX], New[axX], P.Old.left, P.Old.right, P.Pos[axX],
               P.Size[axX]);
        Follow(K.Contains(akTop), K.Contains(akBottom), Old[axY], New[axY], P.Old.top, P.Old.bottom, P.Pos[axY],
               P.Size[axY]);
        Free.push_back(C);
    }
    // Kept to the far edge, a control makes way for the one kept there after it in its row.
    for (TAxis X : {axX, axY})
        KeepToFarEdge(Free, X);
    for (TControl* C : Children) {
        TPlace P = FPlaces[C];
        const TAlign A = C->GetAlign();
        if (A == alNone) {
            if (P.Wrap) {
                static_cast<TLabel*>(C)->SetWordWrap(true);
            } else {
                // Never smaller than its parent made it meanwhile (a tab sheet); the far anchors
                // were followed above.
                if (!C->GetAnchors().Contains(akRight))
                    P.Size[axX] = std::max(P.Size[axX], C->GetWidth());
                if (!C->GetAnchors().Contains(akBottom))
                    P.Size[axY] = std::max(P.Size[axY], C->GetHeight());
            }
            if (P.Pos[axX] != C->GetLeft() || P.Pos[axY] != C->GetTop() || P.Size[axX] != C->GetWidth() ||
                P.Size[axY] != C->GetHeight())
                C->SetBounds(P.Pos[axX], P.Pos[axY], P.Size[axX], P.Size[axY]);
        } else if ((A == alLeft || A == alRight) && P.Size[axX] > C->GetWidth()) {
            C->SetWidth(P.Size[axX]);
        } else if ((A == alTop || A == alBottom) && P.Size[axY] > C->GetHeight()) {
            C->SetHeight(P.Size[axY]);
        }
        if (auto* W = dynamic_cast<TWinControl*>(C); W && W->GetControlCount() > 0 && !Scrolls(W))
            Apply(W);
    }
}

// The font height the program's windows are laid out for: 8 points at 96 dots per inch.
constexpr int32_t kDesignFontHeight = 11;

// Remembers, on a window of fixed size, the scale its layout was last given, so that fitting
// it again scales only by what the font grew since.
class TLayoutScale : public TComponent {
public:
    using TComponent::TComponent;
    std::string ClassName() const override { return "TLayoutScale"; }
    double Scale = 1.0;
};

TLayoutScale* LayoutScaleOf(TCustomForm* Form)
{
    for (int32_t I = 0; I < Form->GetComponentCount(); ++I)
        if (auto* S = dynamic_cast<TLayoutScale*>(Form->GetComponents(I)))
            return S;
    return new TLayoutScale(Form);
}

int32_t Scaled(int32_t Value, double Factor) { return static_cast<int32_t>(Value * Factor + 0.5); }

// Scales the layout of Parent's children by Factor, containers before what they hold: a control
// placed by its bounds gets all four scaled, one aligned to a side its width or height across it.
// A hidden control is not aligned until it shows (a notebook's other pages): it is scaled whole.
void ScaleChildren(TWinControl* Parent, double Factor, const std::map<TControl*, TRect>& Was)
{
    for (int32_t I = 0; I < Parent->GetControlCount(); ++I) {
        TControl* C = Parent->GetControls(I);
        const TRect& R = Was.at(C);
        switch (C->GetVisible() ? C->GetAlign() : alNone) {
        case alNone:
            // A label that sizes itself to its text already has its size at the new font.
            if (auto* L = dynamic_cast<TLabel*>(C); L && L->GetAutoSize()) {
                L->SetBounds(Scaled(R.left, Factor), Scaled(R.top, Factor), L->GetWidth(), L->GetHeight());
                break;
            }
            // Edges are scaled, not sizes, so controls that touched still touch and none that
            // stood apart overlap by a rounding.
            C->SetBounds(Scaled(R.left, Factor), Scaled(R.top, Factor),
                         Scaled(R.right, Factor) - Scaled(R.left, Factor),
                         Scaled(R.bottom, Factor) - Scaled(R.top, Factor));
            break;
        case alLeft:
        case alRight: C->SetWidth(Scaled(R.right - R.left, Factor)); break;
        case alTop:
        case alBottom: C->SetHeight(Scaled(R.bottom - R.top, Factor)); break;
        default: break;
        }
        if (auto* W = dynamic_cast<TWinControl*>(C); W && !Scrolls(W))
            ScaleChildren(W, Factor, Was);
    }
}

void RecordBounds(TWinControl* Parent, std::map<TControl*, TRect>& Was)
{
    for (int32_t I = 0; I < Parent->GetControlCount(); ++I) {
        TControl* C = Parent->GetControls(I);
        Was[C] = C->GetBoundsRect();
        if (auto* W = dynamic_cast<TWinControl*>(C); W && !Scrolls(W))
            RecordBounds(W, Was);
    }
}

// A window of fixed size is laid out in pixels for the design font. At a larger font (a higher
// dots-per-inch setting, or a larger system font) the whole layout grows by the font's scale,
// as a dialog laid out in dialog units does, so the design keeps its proportions and its text
// the room the design gave it. Nothing gets smaller at a smaller font.
void ScaleToFont(TCustomForm* Form)
{
    const double Scale = std::max(1.0, std::abs(Form->GetFont()->GetHeight()) / double(kDesignFontHeight));
    TLayoutScale* Applied = LayoutScaleOf(Form);
    const double Factor = Scale / Applied->Scale;
    if (Factor <= 1.0)
        return;
    std::map<TControl*, TRect> Was;
    RecordBounds(Form, Was);
    Form->SetClientSize(Scaled(Form->GetClientWidth(), Factor), Scaled(Form->GetClientHeight(), Factor));
    ScaleChildren(Form, Factor, Was);
    Applied->Scale = Scale;
}

} // namespace

TLabel* PlaceLabel(TWinControl* Parent, TComponent* Owner, int32_t X, int32_t Y, int32_t W, int32_t H,
                   const std::string& Caption)
{
    auto* L = new TLabel(Owner);
    L->SetAutoSize(false);
    L->SetBounds(X, Y, W, H);
    L->SetParent(Parent);
    L->SetCaption(Caption);
    return L;
}

TSize TextFitSize(TControl* C)
{
    const std::string Caption = C->GetCaption();
    if (Caption.empty())
        return TSize{0, 0};
    TFont* Font = C->GetFont();
    // Labels, buttons and boxes draw "&" as the mark of a hot key; a static text shows it.
    if (auto* L = dynamic_cast<TLabel*>(C)) {
        if (L->GetWordWrap())
            return TSize{L->GetWidth(), MeasureText(Font, Caption, DT_WORDBREAK, L->GetWidth()).cy};
        return MeasureText(Font, Caption, DT_SINGLELINE);
    }
    if (dynamic_cast<TStaticText*>(C))
        return MeasureText(Font, Caption, DT_SINGLELINE | DT_NOPREFIX);
    const TSize T = MeasureText(Font, Caption, DT_SINGLELINE);
    if (dynamic_cast<TCheckBox*>(C) || dynamic_cast<TRadioButton*>(C))
        return TSize{GetSystemMetrics(SM_CXMENUCHECK) + kBoxGap + T.cx,
                     std::max<LONG>(T.cy, GetSystemMetrics(SM_CYMENUCHECK))};
    if (dynamic_cast<TButton*>(C))
        return TSize{T.cx + 2 * kButtonPadding, T.cy + kButtonPadding};
    if (dynamic_cast<TGroupBox*>(C))
        return TSize{T.cx + 2 * kGroupCaptionInset, T.cy};
    return TSize{0, 0};
}

void FitText(TCustomForm* Form, TTextFit Fit)
{
    if (Fit == tfKeepSize)
        ScaleToFont(Form);
    TTextFitter Fitter(Fit);
    const std::array<int32_t, 2> Gain = Fitter.Plan(Form);
    if (Gain[axX] > 0 || Gain[axY] > 0)
        Form->SetClientSize(Form->GetClientWidth() + Gain[axX], Form->GetClientHeight() + Gain[axY]);
    Fitter.Apply(Form);
}

void LoadBanner(TImage* Image)
{
    auto Banner = std::make_unique<TBitmap>();
    try {
        Banner->LoadFromResourceID(GetModuleHandleA(nullptr), Product::BannerBitmapId);
    } catch (const EInvalidGraphic&) {
        return;
    }
    Image->SetWidth(Banner->GetWidth());
    Image->SetHeight(Banner->GetHeight());
    Image->GetPicture()->SetGraphic(std::move(Banner));
}

void LoadProgramIcon(TImage* Image)
{
    HICON Icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), Product::MainIconName, IMAGE_ICON, 32, 32, 0));
    if (!Icon)
        return;
    auto Picture = std::make_unique<TIcon>();
    Picture->SetHandle(Icon);
    Image->GetPicture()->SetGraphic(std::move(Picture));
}
