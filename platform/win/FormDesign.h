#pragma once
// Form designs that can be replayed. A form's design (its components, their properties, and the
// bindings of their events and actions) is built in code by a builder registered under the
// form's class name. The form's constructor applies it; ReadFormDesign replays it into a fresh,
// windowless form to get the design back as it was made (the bar reset compares against it),
// without any event or action bindings.

#include <functional>
#include <memory>
#include <string>

#include "platform/rtl/Classes.h"

class TCustomForm;
class TForm;

struct TFormDesignContext {
    // True while the design is replayed by ReadFormDesign: the builder sets properties only and
    // binds no events or actions.
    bool Restoring = false;
};

// Creates the design's components (owned by Root), sets their properties and, unless
// Ctx.Restoring, binds their events and actions. It also sets Root's Width, Height, ClientWidth
// and ClientHeight of the design.
using TFormDesignBuilder = std::function<void(TCustomForm& Root, const TFormDesignContext& Ctx)>;

// One builder per form class name; registering again replaces it (an empty builder is none).
void RegisterFormDesign(const std::string& ClassName, TFormDesignBuilder Builder);
void UnregisterFormDesign(const std::string& ClassName);

// Runs the builder of Form.ClassName() inside a loading scope: the components it makes carry the
// loading state while it runs, then each gets ReadState() and, after all of them, Loaded(), in
// creation order. False when no builder is registered for the class. Called by the form's
// constructor.
bool ApplyFormDesign(TCustomForm& Form);

// The design of Form's class replayed (Restoring) into a new TForm with no owner and no window,
// while IsRestoringFormDesign() answers true; nullptr when no builder is registered. When the
// builder raises, the new form and its components are freed and the exception passes on.
TComponentPtr<TForm> ReadFormDesign(const TCustomForm& Form);

// True while ReadFormDesign replays a design (in any thread: a process-wide state).
bool IsRestoringFormDesign();
