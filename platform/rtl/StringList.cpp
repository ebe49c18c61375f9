#include "platform/rtl/StringList.h"

#include <algorithm>
#include <numeric>

#include "platform/rtl/FileStream.h"
#include "platform/rtl/ScopeGuards.h"

// ---------------------------------------------------------------------------------------------
// TStrings

void TStrings::IndexError(int32_t Index)
{
    throw EStringListError(Format("List index %d out of range", Index));
}

int32_t TStrings::CompareStrings(std::string_view S1, std::string_view S2) const
{
    return CompareText(S1, S2);
}

int32_t TStrings::Add(const std::string& S)
{
    const int32_t Index = GetCount();
    Insert(Index, S);
    return Index;
}

int32_t TStrings::AddObject(const std::string& S, TObject* AObject)
{
    const int32_t Index = Add(S);
    SetObjects(Index, AObject);
    return Index;
}

void TStrings::InsertObject(int32_t Index, const std::string& S, TObject* AObject)
{
    Insert(Index, S);
    SetObjects(Index, AObject);
}

void TStrings::AddStrings(TStrings* Strings)
{
    // A snapshot first: adding a list to itself must not chase its own tail.
    std::vector<std::pair<std::string, TObject*>> Items;
    for (int32_t I = 0; I < Strings->GetCount(); ++I)
        Items.emplace_back(Strings->GetStrings(I), Strings->GetObjects(I));
    BeginUpdate();
    TScopeExit End([this] { EndUpdate(); });
    for (const auto& [S, O] : Items)
        AddObject(S, O);
}

int32_t TStrings::IndexOf(std::string_view S) const
{
    for (int32_t I = 0; I < GetCount(); ++I)
        if (CompareStrings(GetStrings(I), S) == 0)
            return I;
    return -1;
}

int32_t TStrings::IndexOfObject(TObject* AObject) const
{
    for (int32_t I = 0; I < GetCount(); ++I)
        if (GetObjects(I) == AObject)
            return I;
    return -1;
}

void TStrings::Exchange(int32_t Index1, int32_t Index2)
{
    BeginUpdate();
    TScopeExit End([this] { EndUpdate(); });
    const std::string S = GetStrings(Index1);
    TObject* O = GetObjects(Index1);
    SetStrings(Index1, GetStrings(Index2));
    SetObjects(Index1, GetObjects(Index2));
    SetStrings(Index2, S);
    SetObjects(Index2, O);
}

void TStrings::Move(int32_t CurIndex, int32_t NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    BeginUpdate();
    TScopeExit End([this] { EndUpdate(); });
    const std::string S = GetStrings(CurIndex);
    TObject* O = GetObjects(CurIndex);
    if (NewIndex < 0 || NewIndex >= GetCount())
        IndexError(NewIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, S, O);
}

int32_t TStrings::IndexOfName(std::string_view Name) const
{
    for (int32_t I = 0; I < GetCount(); ++I) {
        const std::string S = GetStrings(I);
        const size_t Eq = S.find('=');
        if (Eq != std::string::npos && CompareStrings(std::string_view(S).substr(0, Eq), Name) == 0)
            return I;
    }
    return -1;
}

std::string TStrings::GetNames(int32_t Index) const
{
    const std::string S = GetStrings(Index);
    const size_t Eq = S.find('=');
    return Eq == std::string::npos ? std::string() : S.substr(0, Eq);
}

std::string TStrings::GetValues(std::string_view Name) const
{
    const int32_t I = IndexOfName(Name);
    if (I < 0)
        return std::string();
    const std::string S = GetStrings(I);
    return S.substr(S.find('=') + 1);
}

void TStrings::SetValues(std::string_view Name, const std::string& Value)
{
    const int32_t I = IndexOfName(Name);
    if (Value.empty()) {
        if (I >= 0)
            Delete(I);
        return;
    }
    const std::string Line = std::string(Name) + "=" + Value;
    if (I >= 0)
        SetStrings(I, Line);
    else
        Add(Line);
}

std::string TStrings::GetText() const
{
    std::string T;
    for (int32_t I = 0; I < GetCount(); ++I) {
        T += GetStrings(I);
        T += "\r\n";
    }
    return T;
}

void TStrings::SetText(std::string_view Text)
{
    BeginUpdate();
    TScopeExit End([this] { EndUpdate(); });
    Clear();
    size_t Start = 0;
    size_t I = 0;
    while (I < Text.size()) {
        const char C = Text[I];
        if (C != '\r' && C != '\n') {
            ++I;
            continue;
        }
        Add(std::string(Text.substr(Start, I - Start)));
        if (C == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n')
            ++I;
        Start = ++I;
    }
    if (Start < Text.size())
        Add(std::string(Text.substr(Start)));
}

void TStrings::SetUpdateState(bool) {}

void TStrings::BeginUpdate()
{
    if (FUpdateCount == 0)
        SetUpdateState(true);
    ++FUpdateCount;
}

void TStrings::EndUpdate()
{
    if (FUpdateCount == 0)
        return;
    if (--FUpdateCount == 0)
        SetUpdateState(false);
}

void TStrings::LoadFromStream(TStream* Stream)
{
    std::string Text;
    std::vector<char> Buffer(64 * 1024);
    while (true) {
        const int32_t N = Stream->Read(Buffer.data(), static_cast<int32_t>(Buffer.size()));
        if (N <= 0)
            break;
        Text.append(Buffer.data(), static_cast<size_t>(N));
    }
    SetText(Text);
}

void TStrings::LoadFromFile(const std::string& FileName)
{
    TFileStream F(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&F);
}

void TStrings::SaveToStream(TStream* Stream) const
{
    const std::string T = GetText();
    for (size_t Done = 0; Done < T.size();) {
        const size_t N = T.size() - Done > (1u << 30) ? (1u << 30) : T.size() - Done;
        Stream->WriteBuffer(T.data() + Done, static_cast<int32_t>(N));
        Done += N;
    }
}

void TStrings::SaveToFile(const std::string& FileName) const
{
    TFileStream F(FileName, fmCreate);
    SaveToStream(&F);
}

void TStrings::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TStrings*>(Source);
    if (!S) {
        TPersistent::Assign(Source);
        return;
    }
    if (S == this)
        return;
    BeginUpdate();
    TScopeExit End([this] { EndUpdate(); });
    Clear();
    AddStrings(S);
}

// ---------------------------------------------------------------------------------------------
// TStringList

TStringList::~TStringList() = default;

void TStringList::CheckIndex(int32_t Index) const
{
    if (Index < 0 || Index >= GetCount())
        IndexError(Index);
}

void TStringList::Changing()
{
    if (GetUpdateCount() == 0 && OnChanging)
        OnChanging(this);
}

void TStringList::Changed()
{
    if (GetUpdateCount() == 0 && OnChange)
        OnChange(this);
}

void TStringList::SetUpdateState(bool Updating)
{
    if (Updating)
        Changing();
    else
        Changed();
}

int32_t TStringList::CompareStrings(std::string_view S1, std::string_view S2) const
{
    return FCaseSensitive ? CompareStr(S1, S2) : CompareText(S1, S2);
}

std::string TStringList::GetStrings(int32_t Index) const
{
    CheckIndex(Index);
    return FList[static_cast<size_t>(Index)].S;
}

void TStringList::SetStrings(int32_t Index, const std::string& S)
{
    if (FSorted)
        throw EStringListError("Operation not allowed on sorted list");
    CheckIndex(Index);
    Changing();
    FList[static_cast<size_t>(Index)].S = S;
    Changed();
}

TObject* TStringList::GetObjects(int32_t Index) const
{
    CheckIndex(Index);
    return FList[static_cast<size_t>(Index)].Object;
}

void TStringList::SetObjects(int32_t Index, TObject* AObject)
{
    CheckIndex(Index);
    Changing();
    FList[static_cast<size_t>(Index)].Object = AObject;
    Changed();
}

void TStringList::InsertItem(int32_t Index, const std::string& S, TObject* AObject)
{
    Changing();
    FList.insert(FList.begin() + Index, TItem{S, AObject});
    Changed();
}

int32_t TStringList::Add(const std::string& S)
{
    return AddObject(S, nullptr);
}

int32_t TStringList::AddObject(const std::string& S, TObject* AObject)
{
    int32_t Index = GetCount();
    if (FSorted && Find(S, Index)) {
        if (FDuplicates == dupIgnore)
            return Index;
        if (FDuplicates == dupError)
            throw EStringListError("String list does not allow duplicates");
    }
    InsertItem(Index, S, AObject);
    return Index;
}

void TStringList::Insert(int32_t Index, const std::string& S)
{
    if (FSorted)
        throw EStringListError("Operation not allowed on sorted list");
    if (Index < 0 || Index > GetCount())
        IndexError(Index);
    InsertItem(Index, S, nullptr);
}

void TStringList::Delete(int32_t Index)
{
    CheckIndex(Index);
    Changing();
    FList.erase(FList.begin() + Index);
    Changed();
}

void TStringList::Clear()
{
    if (FList.empty())
        return;
    Changing();
    FList.clear();
    Changed();
}

void TStringList::Exchange(int32_t Index1, int32_t Index2)
{
    CheckIndex(Index1);
    CheckIndex(Index2);
    Changing();
    std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
    Changed();
}

void TStringList::Move(int32_t CurIndex, int32_t NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    Changing();
    TItem Item = std::move(FList[static_cast<size_t>(CurIndex)]);
    FList.erase(FList.begin() + CurIndex);
    FList.insert(FList.begin() + NewIndex, std::move(Item));
    Changed();
}

int32_t TStringList::IndexOf(std::string_view S) const
{
    if (!FSorted)
        return TStrings::IndexOf(S);
    int32_t Index = -1;
    return Find(S, Index) ? Index : -1;
}

bool TStringList::Find(std::string_view S, int32_t& Index) const
{
    // The first entry not before S.
    int32_t L = 0;
    int32_t H = GetCount();
    while (L < H) {
        const int32_t M = L + (H - L) / 2;
        if (CompareStrings(FList[static_cast<size_t>(M)].S, S) < 0)
            L = M + 1;
        else
            H = M;
    }
    Index = L;
    return L < GetCount() && CompareStrings(FList[static_cast<size_t>(L)].S, S) == 0;
}

void TStringList::Sort()
{
    CustomSort([](TStringList* List, int32_t A, int32_t B) {
        return List->CompareStrings(List->FList[static_cast<size_t>(A)].S, List->FList[static_cast<size_t>(B)].S);
    });
}

void TStringList::CustomSort(const TStringListSortCompare& Compare)
{
    if (FList.size() < 2)
        return;
    Changing();
    // Sort a permutation so Compare sees the list unchanged, then apply it.
    std::vector<int32_t> Order(FList.size());
    std::iota(Order.begin(), Order.end(), 0);
    std::stable_sort(Order.begin(), Order.end(), [&](int32_t A, int32_t B) { return Compare(this, A, B) < 0; });
    std::vector<TItem> Sorted;
    Sorted.reserve(FList.size());
    for (int32_t I : Order)
        Sorted.push_back(std::move(FList[static_cast<size_t>(I)]));
    FList.swap(Sorted);
    Changed();
}

void TStringList::SetSorted(bool Value)
{
    if (Value == FSorted)
        return;
    if (Value)
        Sort();
    FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value)
{
    if (Value == FCaseSensitive)
        return;
    FCaseSensitive = Value;
    if (FSorted)
        Sort();
}
