#pragma once
// Components found by name across forms: a form of the application by its Name, and a component
// inside another one by a dotted path of names ("Panel1.Label1").

#include <string_view>

#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"

// A component was found but is not of the class asked for.
QM_DECLARE_EXCEPTION(EInvalidCast, Exception);

// The first form of the application (in the order the forms were made) whose Name is Name,
// ignoring case; nullptr when none, and for an empty name.
TComponent* FindGlobalComponent(std::string_view Name);

// Follows Path, names joined with ".", from Root down through FindComponent (ignoring case);
// nullptr when Root is nullptr, Path is empty, a name is empty or a name is not found.
TComponent* FindNestedComponent(TComponent* Root, std::string_view Path);
