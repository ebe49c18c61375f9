#pragma once
// The images library: the catalogue of every saved picture (TImageLibrary, kept in "imglib.db"),
// and the short threads that measure a saved picture and add it (TAddImageThread), kept in a
// locked list (TAddImageThreadList).
//
// Records are owned by the library. Workers only add; a record leaves the library only through
// Remove, which hands it to the caller, through Clear, or with the library's destruction. A pointer from
// FindByName or GetItem stays valid until somebody removes that record.

#include <atomic>
#include <deque>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "engine/ImagesLibraryRecords.h"
#include "platform/win/Locks.h"
#include "platform/win/Thread.h"

struct TImageSize {
    int32_t Width = -1;
    int32_t Height = -1;
};

// Gives a picture file's width and height; raises when it cannot read the picture. It runs on
// worker threads and must show no message box and create no window.
using TImageMeasurer = std::function<TImageSize(const std::string& FileName)>;

// The measurer new libraries start with (none: every picture gets -1/-1). The image library's
// real measurer is installed here at start-up.
void SetDefaultImageMeasurer(TImageMeasurer Measurer);
TImageMeasurer DefaultImageMeasurer();

// The size of a file rounded down to whole 128-byte blocks, clamped to 0x7FFFFF80. The file is
// opened for reading only, sharing reading and writing, so a picture open elsewhere is still
// measured. A file that cannot be opened raises EInOutError with the system's code.
int32_t GetRoundedFileSize(const std::string& FileName);

class TImageLibrary : public TObject {
public:
    TImageLibrary();
    TImageLibrary(const TImageLibrary&) = delete;
    TImageLibrary& operator=(const TImageLibrary&) = delete;
    ~TImageLibrary() override; // frees the records still in it
    std::string ClassName() const override { return "TImageLibrary"; }

    // Appends and takes the record.
    void Add(std::unique_ptr<TImageDetail> Detail);
    int32_t GetCount();
    // The record itself (EListError for a bad index).
    TImageDetail* GetItem(int32_t Index);
    // The first record whose name equals FileName byte for byte; null when none.
    TImageDetail* FindByName(const std::string& FileName);
    // Takes Detail out and hands it to the caller; null when it is not in the library.
    std::unique_ptr<TImageDetail> Remove(TImageDetail* Detail);
    // The same for the first record of that name.
    std::unique_ptr<TImageDetail> RemoveByName(const std::string& FileName);
    // Frees every record, in one hold of the lock: records added by other threads afterwards
    // stay.
    void Clear();

    // Records a picture once: nothing when its name is present; else its rounded size
    // (GetRoundedFileSize, whose exception leaves here with no record made), the time now and
    // its dimensions from the measurer (-1/-1 when it raises or there is none). The decode runs
    // outside the lock; the presence test is repeated with the append as one step. True when a
    // record was added.
    bool AddImage(const std::string& FileName);

    // Never fails on a short or damaged file (it keeps the whole records read); a file that
    // cannot be opened raises the platform's file error.
    void LoadFromFile(const std::string& FileName);
    // Appends the records of a library stream; a foreign signature leaves the library as it was.
    void LoadFromStream(TStream* Stream);
    // Writes "<FileName>.tmp", then puts it in place of FileName in one step. On a failure the
    // old file stays whole, the temporary file is removed and the error is raised.
    void SaveToFile(const std::string& FileName);
    // The header (count = the records) and every record, under the lock; stream errors raise.
    void SaveToStream(TStream* Stream);

    void SetMeasurer(TImageMeasurer Measurer);
    TImageLibraryHeader& GetHeader() { return FHeader; }
    // For walks over the records (TThreadListGuard): items are TImageDetail*; add and remove only
    // through the library.
    TThreadList& GetList() { return FList; }

private:
    TImageDetail* FindLocked(TList* L, const std::string& FileName);
    // The list and the index by name change together, under the list lock.
    void AppendLocked(TList* L, TImageDetail* D);
    void RemoveLocked(TList* L, TImageDetail* D);

    TThreadList FList;
    // Every record by its name, so that a library of tens of thousands of pictures finds a name
    // (as every added picture asks) without a walk over all of them. Guarded by the list lock.
    std::unordered_multimap<std::string, TImageDetail*> FByName;
    TImageLibraryHeader FHeader; // guarded by the list lock
    TImageMeasurer FMeasurer;    // guarded by the list lock
};

// Adds one saved picture to a library on a thread of its own. At most two of these measure at
// once in the process; the others wait their turn (and give up when terminated while waiting).
// An exception of AddImage ends the thread quietly (GetFailureMessage tells it).
class TAddImageThread final : public TThread {
public:
    // Starts at once. Made for a list (Owner), it measures, after its own picture, the pictures
    // that list keeps waiting for a thread, until none waits.
    TAddImageThread(TImageLibrary* Library, const std::string& FileName, class TAddImageThreadList* Owner = nullptr);
    ~TAddImageThread() override;
    std::string ClassName() const override { return "TAddImageThread"; }

    TImageLibrary* GetLibrary() const { return FLibrary; }
    const std::string& GetFileName() const { return FFileName; }
    bool GetAdded() const { return FAdded.load(); } // a record was added by this thread

protected:
    void Execute() override;

private:
    // Adds one picture after its turn at the measuring gate; false when terminated meanwhile.
    bool AddOne(const std::string& FileName);

    TImageLibrary* FLibrary = nullptr; // not owned
    std::string FFileName;
    std::atomic<bool> FAdded{false};
    class TAddImageThreadList* FOwner = nullptr;
};

// Add-picture threads alive at once for one list: beyond them, a saved picture waits in the list
// for the next thread that is free. Each thread reserves its stack: a thread for every picture of
// a long crawl, waiting at the measuring gate, would take the process's address space.
inline constexpr int32_t kMaxAddImageThreads = 4;

inline constexpr int32_t kMaxMeasuringAddImageThreads = 2;

// The add-picture threads of the run. The list owns them: finished ones are freed whenever a new
// one is added, the rest by WaitForAll or, terminated first, by the destructor.
class TAddImageThreadList : public TObject {
public:
    TAddImageThreadList() = default;
    TAddImageThreadList(const TAddImageThreadList&) = delete;
    TAddImageThreadList& operator=(const TAddImageThreadList&) = delete;
    ~TAddImageThreadList() override;
    std::string ClassName() const override { return "TAddImageThreadList"; }

    void Add(TAddImageThread* Thread);
    // A thread for the picture when fewer than kMaxAddImageThreads of this list's threads work;
    // else the picture waits in the list for the first of them that is free.
    void Start(TImageLibrary* Library, const std::string& FileName);
    // Pictures waiting for a thread.
    int32_t GetPendingCount();
    int32_t GetCount();
    // Valid until the next Add (which may free it once finished) or WaitForAll.
    TAddImageThread* GetItem(int32_t Index);
    // Waits for every thread in the list (serving Synchronize on the user-interface thread) and
    // frees it; threads added meanwhile are waited for too.
    void WaitForAll();

private:
    friend class TAddImageThread;
    // The next waiting picture for a thread that is done with its own; false (and the thread no
    // longer counts as working) when none waits or the thread is asked to stop.
    bool TakePending(TAddImageThread* Thread, TImageLibrary*& Library, std::string& FileName);

    TThreadList FList;
    // Guarded by the list lock.
    int32_t FWorking = 0;
    std::deque<std::pair<TImageLibrary*, std::string>> FPending;
};

// Starts a TAddImageThread for FileName into the program's library and keeps it in the program's
// list; nothing when either is missing. True when a thread was started.
bool StartAddImageThread(const std::string& FileName);

// The program's library and add-picture threads, made and freed by their owner (the main window,
// the driver or a test) before workers start and after they have stopped.
extern TImageLibrary* ImageLibrary;
extern TAddImageThreadList* AddImageThreads;
