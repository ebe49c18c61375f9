#pragma once
// Where a crawl's time goes: each step of a worker and each call the user-interface thread runs
// for the crawl adds its count and its time here. Off unless switched on (the engine driver's
// --profile); when off a timer costs one flag test.

#include <cstdint>
#include <string>

enum class TCrawlStep : int32_t {
    HandOut,      // a worker's start on the user-interface thread to its first step
    ClientSetUp,  // the HTTP client made and set
    PageGet,      // a page's GET (with its second try)
    MutexWait,    // waiting for the address list's or the failed list's task mutex
    PageScan,     // scan of a page and insertion of its links, with the mutex held
    PageSave,     // a page written to its file
    Reserve,      // a picture's final name chosen and its partial file made
    FileCreate,   // the partial file's creation alone (inside Reserve)
    PictureSend,  // a picture's GET from its start until the request is out
    PictureGet,   // a picture's GET into its partial file (writing included)
    PictureWrite, // the writes of a picture's body to its file (inside PictureGet)
    Close,        // the partial file's size taken and the file closed
    Rename,       // the partial file given its final name
    AddImage,     // the images-library step of a saved picture
    SyncWait,     // a worker waiting for a synchronised call to run
    EndWait,      // a worker's end of an address: done, and the next one taken
    UIThreadDone, // user-interface thread: the end of a worker with the start of the next
    UILog,        // user-interface thread: log lines
    UIFileSaved,  // user-interface thread: a saved picture's row and log line
    UIURLRows,    // user-interface thread: the rows of a page's new links
    UIOther,      // user-interface thread: progress and failed rows
    UIEnds,       // user-interface thread: the rows of ended addresses
    Count
};

namespace CrawlProfile {

void SetEnabled(bool Value);
bool Enabled();
// The time now, in the counter's ticks.
int64_t Now();
void Add(TCrawlStep Step, int64_t Ticks);
// Pictures and pages counted by the crawl while the profile is on.
void CountPicture();
void CountPage();
// Zeroes every figure.
void Reset();
// {"pictures":N,"pages":N,"steps":[{"name":...,"count":N,"ms":F},...]}
std::string Json();

} // namespace CrawlProfile

// Adds the time from its making to its end (or to Stop) to Step, when the profile is on.
class TCrawlTimer {
public:
    explicit TCrawlTimer(TCrawlStep Step) : FStep(Step), FStart(CrawlProfile::Enabled() ? CrawlProfile::Now() : -1) {}
    ~TCrawlTimer() { Stop(); }
    void Stop()
    {
        if (FStart >= 0)
            CrawlProfile::Add(FStep, CrawlProfile::Now() - FStart);
        FStart = -1;
    }
    TCrawlTimer(const TCrawlTimer&) = delete;
    TCrawlTimer& operator=(const TCrawlTimer&) = delete;

private:
    TCrawlStep FStep;
    int64_t FStart;
};
