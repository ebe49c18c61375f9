#pragma once
// String lists: the abstract TStrings and the concrete TStringList (with Objects, sorting,
// duplicates and change events).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Classes.h"
#include "platform/rtl/Stream.h"

// Lines are split at CR LF, LF and a lone CR; a last line without an end is kept, an end after
// the last line adds no empty line, NUL bytes stay. Text is written with CR LF after every line.
class TStrings : public TPersistent {
public:
    std::string ClassName() const override { return "TStrings"; }

    // The storage a descendant provides.
    virtual int32_t GetCount() const = 0;
    virtual std::string GetStrings(int32_t Index) const = 0;
    virtual void SetStrings(int32_t Index, const std::string& S) = 0;
    virtual TObject* GetObjects(int32_t Index) const = 0;
    virtual void SetObjects(int32_t Index, TObject* AObject) = 0;
    virtual void Insert(int32_t Index, const std::string& S) = 0;
    virtual void Delete(int32_t Index) = 0;
    virtual void Clear() = 0;

    virtual int32_t Add(const std::string& S);
    virtual int32_t AddObject(const std::string& S, TObject* AObject);
    void InsertObject(int32_t Index, const std::string& S, TObject* AObject);
    void AddStrings(TStrings* Strings);
    virtual int32_t IndexOf(std::string_view S) const; // ignoring case
    int32_t IndexOfObject(TObject* AObject) const;
    virtual void Exchange(int32_t Index1, int32_t Index2);
    virtual void Move(int32_t CurIndex, int32_t NewIndex);

    // "Name=Value" lines.
    int32_t IndexOfName(std::string_view Name) const; // ignoring case
    std::string GetNames(int32_t Index) const;
    std::string GetValues(std::string_view Name) const;
    void SetValues(std::string_view Name, const std::string& Value); // empty deletes the line

    std::string GetText() const;
    void SetText(std::string_view Text);

    // Changes inside a block are reported once, by the outer BeginUpdate and EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    int32_t GetUpdateCount() const { return FUpdateCount; }

    // Reads from the stream's position to its end.
    virtual void LoadFromStream(TStream* Stream);
    void LoadFromFile(const std::string& FileName);
    virtual void SaveToStream(TStream* Stream) const;
    void SaveToFile(const std::string& FileName) const;

    void Assign(TPersistent* Source) override; // from any TStrings: strings and objects

protected:
    virtual void SetUpdateState(bool Updating);
    // Ignoring case in the base.
    virtual int32_t CompareStrings(std::string_view S1, std::string_view S2) const;
    [[noreturn]] static void IndexError(int32_t Index);

private:
    int32_t FUpdateCount = 0;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TStrings {
public:
    // Negative when the string at Index1 sorts before the one at Index2.
    using TStringListSortCompare = std::function<int32_t(TStringList* List, int32_t Index1, int32_t Index2)>;

    TStringList() = default;
    TStringList(const TStringList&) = delete;
    TStringList& operator=(const TStringList&) = delete;
    ~TStringList() override;
    std::string ClassName() const override { return "TStringList"; }

    int32_t GetCount() const override { return static_cast<int32_t>(FList.size()); }
    std::string GetStrings(int32_t Index) const override;
    void SetStrings(int32_t Index, const std::string& S) override;
    TObject* GetObjects(int32_t Index) const override;
    void SetObjects(int32_t Index, TObject* AObject) override;
    // On a sorted list Add finds the place and applies Duplicates; Insert raises EStringListError.
    int32_t Add(const std::string& S) override;
    int32_t AddObject(const std::string& S, TObject* AObject) override;
    void Insert(int32_t Index, const std::string& S) override;
    void Delete(int32_t Index) override;
    void Clear() override;
    void Exchange(int32_t Index1, int32_t Index2) override;
    void Move(int32_t CurIndex, int32_t NewIndex) override;
    int32_t IndexOf(std::string_view S) const override;

    // Binary search of a sorted list: true when found; Index is the match or the insertion place.
    bool Find(std::string_view S, int32_t& Index) const;
    void Sort();
    virtual void CustomSort(const TStringListSortCompare& Compare);

    bool GetSorted() const { return FSorted; }
    void SetSorted(bool Value);
    TDuplicates GetDuplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
    bool GetCaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value);

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    void SetUpdateState(bool Updating) override;
    virtual void Changed();
    virtual void Changing();
    // Ignoring case unless CaseSensitive.
    int32_t CompareStrings(std::string_view S1, std::string_view S2) const override;

private:
    struct TItem {
        std::string S;
        TObject* Object = nullptr;
    };
    void InsertItem(int32_t Index, const std::string& S, TObject* AObject);
    void CheckIndex(int32_t Index) const;

    std::vector<TItem> FList;
    bool FSorted = false;
    bool FCaseSensitive = false;
    TDuplicates FDuplicates = dupIgnore;
};
