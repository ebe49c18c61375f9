#pragma once
// The painters of the Customize dialog's commands list: each draws a command row (22 pixels in
// the list) in the look the bars have in one style, so that what the user drags out looks like
// what lands on the bar. Like the item painters they hold no data: one static instance each, a
// painter "class" is a const pointer to it. The base class draws the Standard look but no focus
// rectangle; the Standard painter adds the focus rectangle, Flat and XP derive from the base and
// Office11 from Flat.

#include <string>

#include "platform/win/Graphics.h"

class TcbBarItem;
class TcbBarManager;

class TcbBarCustomizingFormPainter {
public:
    TcbBarCustomizingFormPainter() = default;
    TcbBarCustomizingFormPainter(const TcbBarCustomizingFormPainter&) = delete;
    TcbBarCustomizingFormPainter& operator=(const TcbBarCustomizingFormPainter&) = delete;
    virtual ~TcbBarCustomizingFormPainter() = default;

    // The sub-menu arrow: a filled triangle 4 pixels wide and 7 high pointing right, with its
    // left edge at X and its top at Y, in the canvas font's colour.
    virtual void DrawCommandArrow(TCanvas* Canvas, int X, int Y) const;
    virtual TColor GetCommandBkColor(bool Selected, TcbBarItem* Item) const;
    // A row of any item but an edit: glyph column, caption, drop-down part and arrows. Caption
    // is the item's caption already stripped of its accelerator marks.
    virtual void DrawCommand(TCanvas* Canvas, const TRect& R, TcbBarItem* Item, const std::string& Caption,
                             bool Selected) const;
    // A row of an edit or combo: the caption box and an empty edit box (with its button).
    virtual void DrawEditCommand(TCanvas* Canvas, const TRect& R, TcbBarItem* Item, const std::string& Caption,
                                 bool Selected) const;
    virtual void DrawCommandFocusRect(TCanvas* Canvas, const TRect& R, TcbBarItem* Item) const;
    virtual TColor GetCommandTextColor(bool Selected) const;
};

class TcbBarCustomizingFormStandardPainter : public TcbBarCustomizingFormPainter {
public:
    void DrawCommandFocusRect(TCanvas* Canvas, const TRect& R, TcbBarItem* Item) const override;
};

class TcbBarCustomizingFormFlatPainter : public TcbBarCustomizingFormPainter {
public:
    TColor GetCommandBkColor(bool Selected, TcbBarItem* Item) const override;
    void DrawCommand(TCanvas* Canvas, const TRect& R, TcbBarItem* Item, const std::string& Caption,
                     bool Selected) const override;
    void DrawEditCommand(TCanvas* Canvas, const TRect& R, TcbBarItem* Item, const std::string& Caption,
                         bool Selected) const override;
    void DrawCommandFocusRect(TCanvas* Canvas, const TRect& R, TcbBarItem* Item) const override;
    TColor GetCommandTextColor(bool Selected) const override;

protected:
    // The pieces Office11 draws in its own colours.
    virtual void FillGlyphSquare(TCanvas* Canvas, const TRect& Square) const;
    virtual void DrawSelectionFrame(TCanvas* Canvas, const TRect& R) const;
    virtual HBRUSH GetDropDownPartFrameBrush() const;
    virtual void DrawGlyph(TCanvas* Canvas, TcbBarItem* Item, const TRect& Square, bool Selected) const;
    virtual void DrawEditCaptionBox(TCanvas* Canvas, const TRect& R, const std::string& Caption, bool Selected,
                                    TcbBarItem* Item, int& EditLeft) const;
    virtual void FrameEditBox(TCanvas* Canvas, const TRect& R, bool Selected) const;
    virtual void DrawComboButton(TCanvas* Canvas, TRect Button, bool Selected, TcbBarItem* Item) const;
};

class TcbBarCustomizingFormXPPainter : public TcbBarCustomizingFormPainter {
public:
    void DrawCommand(TCanvas* Canvas, const TRect& R, TcbBarItem* Item, const std::string& Caption,
                     bool Selected) const override;
    void DrawEditCommand(TCanvas* Canvas, const TRect& R, TcbBarItem* Item, const std::string& Caption,
                         bool Selected) const override;
    void DrawCommandFocusRect(TCanvas* Canvas, const TRect& R, TcbBarItem* Item) const override;
};

class TcbBarCustomizingFormOffice11Painter : public TcbBarCustomizingFormFlatPainter {
public:
    TColor GetCommandBkColor(bool Selected, TcbBarItem* Item) const override;
    TColor GetCommandTextColor(bool Selected) const override;

protected:
    void FillGlyphSquare(TCanvas* Canvas, const TRect& Square) const override;
    void DrawSelectionFrame(TCanvas* Canvas, const TRect& R) const override;
    HBRUSH GetDropDownPartFrameBrush() const override;
    void DrawGlyph(TCanvas* Canvas, TcbBarItem* Item, const TRect& Square, bool Selected) const override;
    void DrawEditCaptionBox(TCanvas* Canvas, const TRect& R, const std::string& Caption, bool Selected,
                            TcbBarItem* Item, int& EditLeft) const override;
    void FrameEditBox(TCanvas* Canvas, const TRect& R, bool Selected) const override;
    void DrawComboButton(TCanvas* Canvas, TRect Button, bool Selected, TcbBarItem* Item) const override;
};

const TcbBarCustomizingFormPainter* CustomizingFormStandardPainter();
const TcbBarCustomizingFormPainter* CustomizingFormFlatPainter();
const TcbBarCustomizingFormPainter* CustomizingFormXPPainter();
const TcbBarCustomizingFormPainter* CustomizingFormOffice11Painter();

// The painter for a manager's effective style: XP for bmsXP while themes are in use, Office11
// for bmsOffice11, Flat for bmsFlat and Standard for anything else (also without a manager).
const TcbBarCustomizingFormPainter* CustomizingFormPainterClass(TcbBarManager* Manager);
