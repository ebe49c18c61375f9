// The scroll box's read-ahead thread, the record of running read-ahead threads the library's end
// waits for, the hand cursors and the annotation handler factory.
#include <mutex>
#include <vector>

#include "imagelib/ImgScroll.h"
#include "platform/rtl/FileStream.h"
#include "platform/win/Files.h"
#include "platform/win/Screen.h"

namespace {

std::mutex gFactoryLock;
TAnnotationHandlerFactory gFactory;

// Duplicated handles of read-ahead threads that may still run. Each thread frees itself, so
// waiting goes through handles of our own.
std::mutex gThreadsLock;
std::vector<HANDLE> gThreads;

void RememberThread(HANDLE Thread)
{
    HANDLE Copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), Thread, GetCurrentProcess(), &Copy, SYNCHRONIZE, FALSE, 0))
        return;
    std::lock_guard<std::mutex> Lock(gThreadsLock);
    // Ended threads leave the list here, so it stays as short as the threads running.
    for (size_t I = 0; I < gThreads.size();) {
        if (WaitForSingleObject(gThreads[I], 0) == WAIT_OBJECT_0) {
            CloseHandle(gThreads[I]);
            gThreads[I] = gThreads.back();
            gThreads.pop_back();
        } else {
            ++I;
        }
    }
    gThreads.push_back(Copy);
}

bool gCursorsRegistered = false;

} // namespace

void SetAnnotationHandlerFactory(TAnnotationHandlerFactory Factory)
{
    std::lock_guard<std::mutex> Lock(gFactoryLock);
    gFactory = std::move(Factory);
}

TAnnotationHandlerFactory GetAnnotationHandlerFactory()
{
    std::lock_guard<std::mutex> Lock(gFactoryLock);
    return gFactory;
}

// =============================================================================================
// TReadGraphicThread

TReadGraphicThread::TReadGraphicThread(std::shared_ptr<TReadAheadHandOver> HandOver, std::string FileName,
                                       uint32_t Generation)
    : FHandOver(std::move(HandOver)), FFileName(std::move(FileName)), FGeneration(Generation)
{
}

TReadGraphicThread::~TReadGraphicThread() { TerminateAndWait(); }

void TReadGraphicThread::Start(std::shared_ptr<TReadAheadHandOver> HandOver, const std::string& FileName,
                               uint32_t Generation)
{
    auto* Thread = TThread::New<TReadGraphicThread>(true, std::move(HandOver), FileName, Generation);
    Thread->SetFreeOnTerminate(true);
    Thread->SetPriority(tpLowest);
    RememberThread(Thread->GetHandle());
    Thread->Resume(); // the object may be gone from here on
}

void TReadGraphicThread::Execute()
{
    std::unique_ptr<TDibGraphic> Picture;
    try {
        if (FileExists(FFileName) && FindDibGraphicClass(FFileName)) {
            Picture = CreateGraphicForFile(FFileName);
            TFileStream Stream(FFileName, fmOpenRead | fmShareDenyNone);
            Picture->LoadFromStream(&Stream);
        }
    } catch (...) {
        // A failed preload delivers nothing; the later load reads the file itself.
        Picture.reset();
    }
    {
        TCriticalSectionGuard Guard(FHandOver->Lock);
        if (!FHandOver->Orphaned && FHandOver->Generation == FGeneration) {
            FHandOver->Picture = std::move(Picture);
            FHandOver->Finished = true;
        }
    }
    // Superseded or orphaned: the picture is ours to free.
    Picture.reset();
    FHandOver.reset();
}

void WaitForReadAheadThreads()
{
    for (;;) {
        std::vector<HANDLE> Running;
        {
            std::lock_guard<std::mutex> Lock(gThreadsLock);
            Running.swap(gThreads);
        }
        if (Running.empty())
            return;
        for (HANDLE H : Running) {
            WaitForSingleObject(H, INFINITE);
            CloseHandle(H);
        }
    }
}

// =============================================================================================
// Cursors

void RegisterScrollBoxCursors()
{
    ScreenInit();
    const HMODULE Module = GetModuleHandleA(nullptr);
    // Own copies (not shared): the screen's table destroys what it replaces.
    auto Load = [Module](const char* Name) {
        return static_cast<HCURSOR>(LoadImageA(Module, Name, IMAGE_CURSOR, 0, 0, 0));
    };
    if (HCURSOR Open = Load("HANDOPENEDCURSOR")) {
        Screen->SetCursors(crHandOpened, Open);
        gCursorsRegistered = true;
    }
    if (HCURSOR Closed = Load("HANDCLOSEDCURSOR")) {
        Screen->SetCursors(crHandClosed, Closed);
        gCursorsRegistered = true;
    }
}

void UnregisterScrollBoxCursors()
{
    if (!gCursorsRegistered || !Screen)
        return;
    Screen->SetCursors(crHandOpened, nullptr);
    Screen->SetCursors(crHandClosed, nullptr);
    gCursorsRegistered = false;
}
