#pragma once
// The enumerations that the bar manager shares with the bars, their windows, the links, the
// items and the painters. Headers that need only these include this one instead of the
// manager's, so that a change of the manager does not reach every file that names a style.

#include "platform/rtl/Flags.h"

enum TcbBarDockingStyle { dsNone, dsLeft, dsTop, dsRight, dsBottom };
using TcbBarDockingStyles = TFlags<TcbBarDockingStyle>;
enum TcbBarItemVisible { ivNever, ivInCustomizing, ivAlways };
enum TcbBarItemAlign { iaLeft, iaCenter, iaRight, iaClient };
enum TcbBarPaintStyle { psStandard, psCaption, psCaptionInMenu, psCaptionGlyph };
enum TcbBarManagerStyle { bmsStandard, bmsEnhanced, bmsFlat, bmsXP, bmsOffice11, bmsUseLookAndFeel };
enum TcbBarMenuAnimations { maNone, maRandom, maUnfold, maSlide, maFade };
