#include "platform/win/ComponentLookup.h"

#include "platform/win/Forms.h"

TComponent* FindGlobalComponent(std::string_view Name)
{
    if (Name.empty())
        return nullptr;
    TApplicationUI* UI = AppUI();
    for (int32_t I = 0; I < UI->GetFormCount(); ++I) {
        TCustomForm* Form = UI->GetForms(I);
        if (SameText(Form->GetName(), Name))
            return Form;
    }
    return nullptr;
}

TComponent* FindNestedComponent(TComponent* Root, std::string_view Path)
{
    if (!Root || Path.empty())
        return nullptr;
    TComponent* Current = Root;
    while (Current) {
        const size_t Dot = Path.find('.');
        const std::string_view Name = Path.substr(0, Dot);
        // An empty name would match a nameless component.
        if (Name.empty())
            return nullptr;
        Current = Current->FindComponent(Name);
        if (Dot == std::string_view::npos)
            return Current;
        Path.remove_prefix(Dot + 1);
    }
    return nullptr;
}
