#include "engine/ImagesLibrary.h"

#include <exception>
#include <iterator>
#include <mutex>
#include <utility>
#include <vector>

#include <windows.h>

#include "platform/rtl/FileStream.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/OSError.h"

TImageLibrary* ImageLibrary = nullptr;
TAddImageThreadList* AddImageThreads = nullptr;

namespace {

std::mutex gDefaultMeasurerLock;
TImageMeasurer gDefaultMeasurer;

// Admits kMaxMeasuringAddImageThreads add-picture threads at a time: each measure is a full
// decode, and a long crawl saves pictures faster than they can be decoded.
HANDLE MeasureGate()
{
    static const HANDLE Gate =
        CreateSemaphoreA(nullptr, kMaxMeasuringAddImageThreads, kMaxMeasuringAddImageThreads, nullptr);
    return Gate;
}

} // namespace

void SetDefaultImageMeasurer(TImageMeasurer Measurer)
{
    std::lock_guard<std::mutex> Lock(gDefaultMeasurerLock);
    gDefaultMeasurer = std::move(Measurer);
}

TImageMeasurer DefaultImageMeasurer()
{
    std::lock_guard<std::mutex> Lock(gDefaultMeasurerLock);
    return gDefaultMeasurer;
}

int32_t GetRoundedFileSize(const std::string& FileName)
{
    const HANDLE H = CreateFileA(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (H == INVALID_HANDLE_VALUE) {
        const DWORD Code = GetLastError();
        throw EInOutError(Format("Cannot open file '%s': %s", FileName, SysErrorMessage(Code)),
                          static_cast<int32_t>(Code));
    }
    LARGE_INTEGER Size;
    const BOOL Ok = GetFileSizeEx(H, &Size);
    const DWORD Code = GetLastError();
    CloseHandle(H);
    if (!Ok)
        throw EInOutError(Format("Cannot read the size of '%s': %s", FileName, SysErrorMessage(Code)),
                          static_cast<int32_t>(Code));
    return RoundImageFileSize(Size.QuadPart);
}

// ---------------------------------------------------------------------------------------------
// TImageLibrary

TImageLibrary::TImageLibrary() : FMeasurer(DefaultImageMeasurer())
{
    // Records are distinct objects; the duplicate scan would only cost a walk per append.
    FList.SetDuplicates(dupAccept);
}

TImageLibrary::~TImageLibrary()
{
    TThreadListGuard L(FList);
    for (void* P : *L)
        delete static_cast<TImageDetail*>(P);
    L->Clear();
    FByName.clear();
}

void TImageLibrary::Add(std::unique_ptr<TImageDetail> Detail)
{
    if (!Detail)
        return;
    TThreadListGuard L(FList);
    AppendLocked(L.Get(), Detail.get());
    Detail.release();
}

void TImageLibrary::AppendLocked(TList* L, TImageDetail* D)
{
    L->Add(D);
    try {
        FByName.emplace(D->GetFileName(), D);
    } catch (...) {
        L->Remove(D);
        throw;
    }
}

void TImageLibrary::RemoveLocked(TList* L, TImageDetail* D)
{
    L->Remove(D);
    auto [From, To] = FByName.equal_range(D->GetFileName());
    for (auto I = From; I != To; ++I)
        if (I->second == D) {
            FByName.erase(I);
            break;
        }
}

int32_t TImageLibrary::GetCount()
{
    TThreadListGuard L(FList);
    return L->GetCount();
}

TImageDetail* TImageLibrary::GetItem(int32_t Index)
{
    TThreadListGuard L(FList);
    return static_cast<TImageDetail*>(L->GetItems(Index));
}

TImageDetail* TImageLibrary::FindLocked(TList* L, const std::string& FileName)
{
    auto [From, To] = FByName.equal_range(FileName);
    if (From == To)
        return nullptr;
    if (std::next(From) == To)
        return From->second;
    // Several records of one name (a library file may hold them): the first in the list.
    TImageDetail* First = nullptr;
    int32_t FirstIndex = 0;
    for (auto I = From; I != To; ++I) {
        const int32_t Index = L->IndexOf(I->second);
        if (!First || Index < FirstIndex) {
            First = I->second;
            FirstIndex = Index;
        }
    }
    return First;
}

TImageDetail* TImageLibrary::FindByName(const std::string& FileName)
{
    TThreadListGuard L(FList);
    return FindLocked(L.Get(), FileName);
}

std::unique_ptr<TImageDetail> TImageLibrary::Remove(TImageDetail* Detail)
{
    if (!Detail)
        return nullptr;
    TThreadListGuard L(FList);
    if (L->IndexOf(Detail) < 0)
        return nullptr;
    RemoveLocked(L.Get(), Detail);
    return std::unique_ptr<TImageDetail>(Detail);
}

std::unique_ptr<TImageDetail> TImageLibrary::RemoveByName(const std::string& FileName)
{
    TThreadListGuard L(FList);
    TImageDetail* D = FindLocked(L.Get(), FileName);
    if (!D)
        return nullptr;
    RemoveLocked(L.Get(), D);
    return std::unique_ptr<TImageDetail>(D);
}

void TImageLibrary::Clear()
{
    TThreadListGuard L(FList);
    for (void* P : *L)
        delete static_cast<TImageDetail*>(P);
    L->Clear();
    FByName.clear();
}

void TImageLibrary::SetMeasurer(TImageMeasurer Measurer)
{
    TThreadListGuard L(FList);
    FMeasurer = std::move(Measurer);
}

bool TImageLibrary::AddImage(const std::string& FileName)
{
    TImageMeasurer Measurer;
    {
        TThreadListGuard L(FList);
        if (FindLocked(L.Get(), FileName))
            return false;
        Measurer = FMeasurer;
    }
    auto Detail = std::make_unique<TImageDetail>();
    Detail->SetAddedDate(Now());
    Detail->SetFileName(FileName);
    Detail->SetFileSize(GetRoundedFileSize(FileName));
    TImageSize Size;
    if (Measurer) {
        try {
            Size = Measurer(FileName);
        } catch (...) {
            // An unreadable picture is still recorded, without dimensions.
            Size = TImageSize();
        }
    }
    Detail->SetWidth(Size.Width);
    Detail->SetHeight(Size.Height);
    TThreadListGuard L(FList);
    // Another thread may have recorded the same file while this one measured.
    if (FindLocked(L.Get(), FileName))
        return false;
    AppendLocked(L.Get(), Detail.get());
    Detail.release();
    return true;
}

void TImageLibrary::LoadFromFile(const std::string& FileName)
{
    TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&Stream);
}

void TImageLibrary::LoadFromStream(TStream* Stream)
{
    // Read outside the lock, then appended in one step, so look-ups never wait for the disk.
    std::vector<std::unique_ptr<TImageDetail>> Read;
    TImageLibraryHeader Header;
    bool Ours = false;
    std::exception_ptr Failure;
    try {
        Ours = ReadImageLibrary(Stream, Header, [&Read](std::unique_ptr<TImageDetail> D) { Read.push_back(std::move(D)); });
    } catch (...) {
        // A failing device: the whole records read so far are kept, and the error is passed on.
        Failure = std::current_exception();
        Ours = !Read.empty();
    }
    if (Ours) {
        TThreadListGuard L(FList);
        for (auto& D : Read) {
            AppendLocked(L.Get(), D.get());
            D.release();
        }
        FHeader.SetSignature(Header.GetSignature());
        FHeader.SetVersion(Header.GetVersion());
        FHeader.SetCount(L->GetCount());
    }
    if (Failure)
        std::rethrow_exception(Failure);
}

void TImageLibrary::SaveToStream(TStream* Stream)
{
    TThreadListGuard L(FList);
    // What this program writes, whatever version the loaded file had.
    FHeader.SetSignature(kImageLibrarySignature);
    FHeader.SetVersion(kImageLibraryVersion);
    FHeader.SetCount(L->GetCount());
    FHeader.SaveToStream(Stream);
    for (void* P : *L)
        static_cast<TImageDetail*>(P)->SaveToStream(Stream);
}

void TImageLibrary::SaveToFile(const std::string& FileName)
{
    const std::string TempName = FileName + ".tmp";
    // A catalogue the user made read-only is not replaced (some file systems would let the move
    // go through).
    const DWORD Attr = GetFileAttributesA(FileName.c_str());
    if (Attr != INVALID_FILE_ATTRIBUTES && (Attr & FILE_ATTRIBUTE_READONLY))
        RaiseOSError(ERROR_ACCESS_DENIED, Format("Cannot replace '%s'", FileName));
    // A failed create raises here and leaves whatever is in the way untouched.
    auto Stream = std::make_unique<TFileStream>(TempName, fmCreate | fmShareExclusive);
    TScopeExit Discard([&] {
        Stream.reset();
        DeleteFileA(TempName.c_str());
    });
    SaveToStream(Stream.get());
    // On the disk before it replaces the only good copy.
    if (!FlushFileBuffers(reinterpret_cast<HANDLE>(Stream->GetHandle())))
        RaiseLastOSError(Format("Cannot write '%s'", TempName));
    Stream.reset();
    Discard.Dismiss();
    if (!MoveFileExA(TempName.c_str(), FileName.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD Code = GetLastError();
        DeleteFileA(TempName.c_str());
        RaiseOSError(Code, Format("Cannot replace '%s'", FileName));
    }
}

// ---------------------------------------------------------------------------------------------
// TAddImageThread

TAddImageThread::TAddImageThread(TImageLibrary* Library, const std::string& FileName, TAddImageThreadList* Owner)
    : FLibrary(Library), FFileName(FileName), FOwner(Owner)
{
    Resume();
}

TAddImageThread::~TAddImageThread()
{
    TerminateAndWait();
}

bool TAddImageThread::AddOne(const std::string& FileName)
{
    const HANDLE Gate = MeasureGate();
    // Waits its turn, but a thread asked to stop gives up before it starts decoding.
    while (WaitForSingleObject(Gate, 50) != WAIT_OBJECT_0)
        if (Terminated())
            return false;
    struct TLeave {
        HANDLE Gate;
        ~TLeave() { ReleaseSemaphore(Gate, 1, nullptr); }
    } Leave{Gate};
    if (FLibrary->AddImage(FileName))
        FAdded = true;
    return true;
}

void TAddImageThread::Execute()
{
    // A thread of a list stops counting as working on every way out.
    struct TDone {
        TAddImageThread* Self;
        bool Counted;
        ~TDone()
        {
            if (Counted) {
                TImageLibrary* L = nullptr;
                std::string F;
                Self->FOwner->TakePending(nullptr, L, F);
            }
        }
    } Done{this, FOwner != nullptr};
    if (!FLibrary)
        return;
    std::string FileName = FFileName;
    for (;;) {
        try {
            if (!AddOne(FileName))
                return;
        } catch (...) {
            if (!FOwner)
                throw;
            // One picture that cannot be added leaves the others waiting in the list their turn.
        }
        if (!FOwner)
            return;
        TImageLibrary* Library = nullptr;
        if (!FOwner->TakePending(this, Library, FileName)) {
            Done.Counted = false; // TakePending stopped counting it
            return;
        }
        FLibrary = Library;
    }
}

// ---------------------------------------------------------------------------------------------
// TAddImageThreadList

TAddImageThreadList::~TAddImageThreadList()
{
    std::vector<TAddImageThread*> Rest;
    {
        TThreadListGuard L(FList);
        for (void* P : *L)
            Rest.push_back(static_cast<TAddImageThread*>(P));
        L->Clear();
    }
    for (TAddImageThread* T : Rest)
        T->Terminate();
    for (TAddImageThread* T : Rest)
        delete T;
}

void TAddImageThreadList::Add(TAddImageThread* Thread)
{
    if (!Thread)
        return;
    std::vector<TAddImageThread*> Finished;
    {
        TThreadListGuard L(FList);
        for (void* P : *L) {
            auto* T = static_cast<TAddImageThread*>(P);
            if (T->GetFinished())
                Finished.push_back(T);
        }
        for (TAddImageThread* T : Finished)
            L->Remove(T);
        L->Add(Thread);
    }
    // Outside the lock: freeing waits for the thread's very end.
    for (TAddImageThread* T : Finished)
        delete T;
}

void TAddImageThreadList::Start(TImageLibrary* Library, const std::string& FileName)
{
    {
        TThreadListGuard L(FList);
        if (FWorking >= kMaxAddImageThreads) {
            FPending.emplace_back(Library, FileName);
            return;
        }
        ++FWorking;
    }
    TAddImageThread* T = nullptr;
    try {
        T = new TAddImageThread(Library, FileName, this);
    } catch (...) {
        TThreadListGuard L(FList);
        --FWorking;
        throw;
    }
    Add(T);
}

bool TAddImageThreadList::TakePending(TAddImageThread* Thread, TImageLibrary*& Library, std::string& FileName)
{
    TThreadListGuard L(FList);
    if (Thread && !Thread->GetTerminated() && !FPending.empty()) {
        Library = FPending.front().first;
        FileName = std::move(FPending.front().second);
        FPending.pop_front();
        return true;
    }
    --FWorking;
    return false;
}

int32_t TAddImageThreadList::GetPendingCount()
{
    TThreadListGuard L(FList);
    return static_cast<int32_t>(FPending.size());
}

int32_t TAddImageThreadList::GetCount()
{
    TThreadListGuard L(FList);
    return L->GetCount();
}

TAddImageThread* TAddImageThreadList::GetItem(int32_t Index)
{
    TThreadListGuard L(FList);
    return static_cast<TAddImageThread*>(L->GetItems(Index));
}

void TAddImageThreadList::WaitForAll()
{
    for (;;) {
        std::vector<TAddImageThread*> Batch;
        {
            TThreadListGuard L(FList);
            for (void* P : *L)
                Batch.push_back(static_cast<TAddImageThread*>(P));
            L->Clear();
        }
        if (Batch.empty())
            return;
        for (TAddImageThread* T : Batch) {
            try {
                T->WaitFor();
            } catch (...) {
                // Freeing below still ends it.
            }
            delete T;
        }
    }
}

bool StartAddImageThread(const std::string& FileName)
{
    TImageLibrary* Library = ImageLibrary;
    TAddImageThreadList* Threads = AddImageThreads;
    if (!Library || !Threads)
        return false;
    Threads->Start(Library, FileName);
    return true;
}
