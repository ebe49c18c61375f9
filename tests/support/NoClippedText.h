#pragma once
// A check that a window shows the whole text of its controls, whatever the fonts measure on the
// machine the tests run on.

#include <vector>

class TControl;
class TCustomForm;

namespace TestSupport {

// Every label, static text, button, check box, radio button and group box of Form (the
// components it owns and theirs, and every control on its panels, groups and pages) shows its
// whole caption: the text measured in the control's own font, plus the control's own parts (a
// button's frame, a check box's box and the gap after it, a group box's frame before its
// caption), fits the control's width and height. A static window, which wraps, passes when its
// wrapped lines fit. Controls in Skip draw their text their own way and are left to their own
// tests.
void ExpectNoClippedText(TCustomForm* Form, const std::vector<const TControl*>& Skip = {});

} // namespace TestSupport
