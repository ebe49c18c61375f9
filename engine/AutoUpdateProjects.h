#pragma once
// The task-list import's downloads and the registry list of imported project names.
// The record, list and index formats themselves live in ImportRecords.h (portable).

#include <cstdint>
#include <memory>
#include <string>

#include "engine/ImportRecords.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Stream.h"
#include "platform/rtl/StringList.h"

class THttpClient;

// The program maker's project directory; a reserved example host. QUILLMOOR_IMPORT_BASE
// replaces it (tests point it at their own server).
inline constexpr const char* kDefaultImportBase = "http://www.example.com/quillmoor/projects/";
// An index or a list larger than this counts as failed: a hostile server must not exhaust memory.
inline constexpr int64_t kMaxImportDownload = 16 * 1024 * 1024;

// Fetches the index and the project lists. One download at a time; Abort may come from any
// thread and fails the download in progress and every later one.
class TProjectUpdateCtrl : public TObject {
public:
    TProjectUpdateCtrl();
    TProjectUpdateCtrl(const TProjectUpdateCtrl&) = delete;
    TProjectUpdateCtrl& operator=(const TProjectUpdateCtrl&) = delete;
    ~TProjectUpdateCtrl() override;
    std::string ClassName() const override { return "TProjectUpdateCtrl"; }

    // Appends the list names of "index.dat" (see ParseProjectIndex); its log lines go to the debug
    // output. A failed download raises (EHttpError) and appends nothing.
    void GetIndex(TStrings* Lines);
    // The list's projects, loaded (see TProjectItems::LoadFromStream), with ListName set.
    std::unique_ptr<TProjectItems> GetProjects(const std::string& ListName);
    void Abort();

    // Ends in "/"; taken once, when the controller is made.
    const std::string& GetBaseAddress() const { return FBaseAddress; }
    std::string GetIndexAddress() const { return FBaseAddress + "index.dat"; }
    std::string GetListAddress(const std::string& ListName) const;
    THttpClient* GetHttp() const { return FHttp.get(); }

private:
    void Fetch(const std::string& Url);

    std::string FBaseAddress;
    std::unique_ptr<THttpClient> FHttp;
    std::unique_ptr<TMemoryStream> FStream;
};

// The names of the projects imported before: the string values "0", "1", ... of the key
// <RootPath>\ExistPrjs under HKEY_CURRENT_USER (made when missing).
class TExistNames : public TPersistent {
public:
    static constexpr const char* KeyName = "ExistPrjs";

    // RootPath as TRegSettings takes it ("\Software\Quillmoor" by default).
    explicit TExistNames(const std::string& RootPath = "\\Software\\Quillmoor");
    std::string ClassName() const override { return "TExistNames"; }

    TStringList* GetNames() { return &FNames; }
    const std::string& GetKeyPath() const { return FKeyPath; }

    // Removes from List every entry equal (exactly) to one of Names. Reads Names only, so threads
    // may share it while nobody changes it.
    void RemoveExisting(TStrings* List) const;
    // Writes Names as "0" .. n-1 and NewNames as n, n+1, ...; afterwards Names holds both.
    void Save(TStrings* NewNames);
    // Deletes every value whose data equals Name (and the name from Names).
    void Delete(const std::string& Name);

private:
    std::string FKeyPath;
    TStringList FNames;
};
