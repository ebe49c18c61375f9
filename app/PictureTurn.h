#pragma once
// A quarter turn of the picture a scroll box shows, shared by the viewer and the Library window.

class TDibGraphic;
class TImageScrollBox;

// Turns Box's picture by Angle degrees through Buffer (the window's turn buffer, whose copy is
// freed again afterwards) and redraws it. An empty picture (a GIF on show, a failed load) has
// nothing to turn and is left alone.
void TurnShownPicture(TImageScrollBox* Box, TDibGraphic* Buffer, double Angle);
