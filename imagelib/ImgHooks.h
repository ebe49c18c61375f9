#pragma once
// Late-bound services that would otherwise tie units into a cycle. Set while the library
// starts; an unset hook means "not available".

#include <functional>
#include <string>

class TDibGraphic;
class TStream;

// Writes Picture as an icon file into Stream (the icon format class provides it). Used by
// TDibGraphic::AssignTo a TIcon; unset, that assignment raises "Cannot assign a ... to a TIcon".
using TIconStreamWriter = std::function<void(TDibGraphic* Picture, TStream* Stream)>;
void SetIconStreamWriter(TIconStreamWriter Writer);
TIconStreamWriter GetIconStreamWriter();

// The annotation text a picture carries (the TIFF class provides it; the viewer reads it).
using TAnnotationTextReader = std::function<std::string(TDibGraphic* Picture)>;
void SetAnnotationTextReader(TAnnotationTextReader Reader);
// "" when no reader is set.
std::string AnnotationTextOf(TDibGraphic* Picture);
