#include "engine/AutoUpdateProjects.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/net/HttpClient.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Registry.h"
#include "platform/win/TestSeams.h"

// ---------------------------------------------------------------------------------------------
// TProjectUpdateCtrl

TProjectUpdateCtrl::TProjectUpdateCtrl()
    : FHttp(std::make_unique<THttpClient>()), FStream(std::make_unique<TMemoryStream>())
{
    FBaseAddress = TestSeams::ImportBase();
    if (FBaseAddress.empty())
        FBaseAddress = kDefaultImportBase;
    if (FBaseAddress.back() != '/')
        FBaseAddress += '/';
    FHttp->SetMaxBodySize(kMaxImportDownload);
}

TProjectUpdateCtrl::~TProjectUpdateCtrl() = default;

std::string TProjectUpdateCtrl::GetListAddress(const std::string& ListName) const
{
    return ProjectListAddress(FBaseAddress, ListName);
}

void TProjectUpdateCtrl::Fetch(const std::string& Url)
{
    FStream->Clear();
    // Whatever arrived of a failed download must not be read as a shorter list.
    TScopeExit ClearOnFailure([this] { FStream->Clear(); });
    FHttp->Get(Url, FStream.get());
    ClearOnFailure.Dismiss();
    FStream->SetPosition(0);
}

void TProjectUpdateCtrl::GetIndex(TStrings* Lines)
{
    Fetch(GetIndexAddress());
    TStringList Log;
    ReadProjectIndex(FStream.get(), Lines, &Log);
    FStream->Clear();
    // Lists passed over and a refused index go to the debug output, like the program's other
    // diagnostics: the dialog only shows the lists it got.
    for (int32_t I = 0; I < Log.GetCount(); ++I)
        OutputDebugStringA(("Quillmoor: import: " + Log.GetStrings(I) + "\n").c_str());
}

std::unique_ptr<TProjectItems> TProjectUpdateCtrl::GetProjects(const std::string& ListName)
{
    Fetch(GetListAddress(ListName));
    auto Items = std::make_unique<TProjectItems>();
    Items->SetListName(ListName);
    Items->LoadFromStream(FStream.get());
    FStream->Clear();
    return Items;
}

void TProjectUpdateCtrl::Abort()
{
    FHttp->Abort();
}

// ---------------------------------------------------------------------------------------------
// TExistNames

TExistNames::TExistNames(const std::string& RootPath) : FKeyPath(RootPath + "\\" + KeyName)
{
    TRegistry Reg;
    if (!Reg.OpenKey(FKeyPath, true))
        return;
    // Read by hand: a value of another type (left by anything else) is passed over instead of
    // failing the whole import. Decimal names in numeric order, then the others.
    TStringList Values;
    Reg.GetValueNames(&Values);
    std::vector<std::pair<uint64_t, std::string>> Numbered;
    std::vector<std::string> Others;
    for (int32_t I = 0; I < Values.GetCount(); ++I) {
        const std::string V = Values.GetStrings(I);
        const TRegDataType T = Reg.GetDataType(V);
        if (T != rdString && T != rdExpandString)
            continue;
        bool Decimal = !V.empty() && V.size() <= 9;
        for (const char C : V)
            Decimal = Decimal && C >= '0' && C <= '9';
        if (Decimal)
            Numbered.emplace_back(std::stoull(V), Reg.ReadString(V));
        else
            Others.push_back(Reg.ReadString(V));
    }
    std::stable_sort(Numbered.begin(), Numbered.end(),
                     [](const auto& A, const auto& B) { return A.first < B.first; });
    for (const auto& N : Numbered)
        FNames.Add(N.second);
    for (const std::string& O : Others)
        FNames.Add(O);
}

void TExistNames::RemoveExisting(TStrings* List) const
{
    for (int32_t I = FNames.GetCount() - 1; I >= 0; --I) {
        const std::string Name = FNames.GetStrings(I);
        for (int32_t J = List->GetCount() - 1; J >= 0; --J)
            if (List->GetStrings(J) == Name)
                List->Delete(J);
    }
}

void TExistNames::Save(TStrings* NewNames)
{
    TStringList All;
    All.AddStrings(&FNames);
    if (NewNames)
        All.AddStrings(NewNames);
    TRegistry Reg;
    Reg.WriteNumberedList(FKeyPath, &All);
    FNames.Assign(&All);
}

void TExistNames::Delete(const std::string& Name)
{
    TRegistry Reg;
    if (Reg.OpenKey(FKeyPath, true)) {
        TStringList Values;
        Reg.GetValueNames(&Values);
        for (int32_t I = 0; I < Values.GetCount(); ++I) {
            const std::string V = Values.GetStrings(I);
            if (Reg.GetDataType(V) == rdString && Reg.ReadString(V) == Name)
                Reg.DeleteValue(V);
        }
        Reg.CloseKey();
    }
    for (int32_t I = FNames.GetCount() - 1; I >= 0; --I)
        if (FNames.GetStrings(I) == Name)
            FNames.Delete(I);
}
