#pragma once
// The enumerations that the bar manager shares with the bars, their windows, the links, the
// items and the painters, and the small ones of the painter interface's signatures. Headers
// that need only these include this one instead of the manager's or the painter interface's,
// so that a change of either does not reach every file that names a style or a paint state.

#include <cstdint>

#include "platform/rtl/Flags.h"

enum TcbBarDockingStyle { dsNone, dsLeft, dsTop, dsRight, dsBottom };
using TcbBarDockingStyles = TFlags<TcbBarDockingStyle>;
enum TcbBarItemVisible { ivNever, ivInCustomizing, ivAlways };
enum TcbBarItemAlign { iaLeft, iaCenter, iaRight, iaClient };
enum TcbBarPaintStyle { psStandard, psCaption, psCaptionInMenu, psCaptionGlyph };
enum TcbBarManagerStyle { bmsStandard, bmsEnhanced, bmsFlat, bmsXP, bmsOffice11, bmsUseLookAndFeel };
enum TcbBarMenuAnimations { maNone, maRandom, maUnfold, maSlide, maFade };

// How a control is drawn: on a horizontal toolbar, as a menu row, or rotated on a vertical bar.
enum TcbDrawKind : int32_t { dkHorizontal = 0, dkMenu = 1, dkVertical = 2 };

// The state flags a caller hands to a drawing operation.
enum TcbPaintFlag { pfSelected, pfPressed, pfDown, pfEnabled, pfDroppedDown, pfOpen, pfChecked, pfMarked };
using TcbPaintFlags = TFlags<TcbPaintFlag>;

enum TcbSide { sdLeft, sdTop, sdRight, sdBottom };

// The visual state of a mark, a close button or an expand button: normal, hot, pressed.
enum TcbButtonState : int32_t { bstNormal = 0, bstHot = 1, bstPressed = 2 };

enum TcbMDIButton { mbMinimize, mbRestore, mbClose };

enum TcbItemControlKind { ickButton, ickEdit, ickCombo, ickSubItem, ickContainer, ickQuickCustomization, ickSystemMenu };
enum TcbBarWindowKind { bwkToolbar, bwkMenu, bwkQuickCustomization };
