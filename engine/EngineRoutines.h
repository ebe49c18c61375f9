#pragma once
// Free routines of the engine that touch the system: unique and reserved file names, paths
// under a folder, deleting by mask, the queue ticket, the Windows version and the shut-down.
// The routines that only compute live in EngineText.h and come with this header.

#include <cstdint>
#include <memory>
#include <string>

#include "engine/EngineText.h"
#include "platform/rtl/FileStream.h"

// The suffix a download carries until it is complete.
inline constexpr const char* PartialSuffix = "!!wr";

// Path when no directory entry of that name (file or folder) and no "<Path>!!wr" exists;
// otherwise the first free folder + base + "[N]" + ext, N = 0, 1, ..., where base is the name
// up to its first "." and ext the extension from its last "." ("a.b.jpg" gives "a[0].jpg";
// "README" gives "README[0]").
std::string UniqueFileName(const std::string& Path);

// A name chosen and its file made in one step: FileName is the chosen (final) name, Stream the
// new file FileName + Suffix, open for writing and shared for reading only, so nobody can
// delete or truncate it while it is open. Claim holds the name for this reservation inside the
// process: while it is held (keep the reservation until FinishReservedFile has returned, or
// until the partial file is deleted) no other reservation of this process considers the name.
struct TReservedNameClaim;
struct TReservedFile {
    std::string FileName;
    std::unique_ptr<TFileStream> Stream;
    std::shared_ptr<TReservedNameClaim> Claim;
};
// Walks UniqueFileName's candidates and creates the first free candidate + Suffix (never
// replacing a file). A candidate claimed by another reservation of this process is passed
// over; the claim is taken before the candidate is looked at, so two reservations never look
// at one name at once. Whether a candidate exists is read from a listing of its folder made at
// most a second ago, with the names this process made there since. Another process taking a
// name meanwhile only moves it to the next candidate (here, or in FinishReservedFile). Any
// other failure raises EFCreateError.
TReservedFile ReserveUniqueFile(const std::string& Path, const std::string& Suffix);
// Gives a reserved file (FileName + Suffix, closed) its final name and returns that name, or ""
// when it cannot be renamed. The caller still holds the reservation's claim, so no reservation
// of this process can find the name free and make its own partial file between the check and
// the rename. When another process made a file of that name meanwhile, the next free candidate
// is reserved and taken instead: a finished download is never left behind as a partial file.
std::string FinishReservedFile(const std::string& FileName, const std::string& Suffix);
// The same for a reserved file still open in Open (its Stream): it is renamed through its open
// handle where the system can, which saves opening it again; Open is closed in every case.
std::string FinishReservedFile(const std::string& FileName, const std::string& Suffix,
                               std::unique_ptr<TFileStream>& Open);

// True when the full form of Path lies inside the full form of Folder (ignoring case): Path
// begins with Folder followed by "\" and names something below it. ".." is resolved first.
bool PathLiesUnder(const std::string& Path, const std::string& Folder);

// Deletes every directory entry in the mask's folder whose name matches the mask; failures
// (folders, read-only or open files) are passed over.
void DeleteFilesByMask(const std::string& Mask);

// The program-wide queue counter: returns it, then adds 1. Starts at 0; safe from any thread.
int32_t NextQueueTicket();

// WindowsVersionCode of the running system.
uint8_t GetWindowsVersionCode();

// Switches the computer off: on NT with the shut-down privilege and EWX_POWEROFF, on 9x with
// EWX_SHUTDOWN. With the test-seam log active it writes "shutdown<TAB><flags>" instead of the
// last call. False when the request could not be made.
bool ShutDownComputer();

// SM_CXHSCROLL.
int32_t GetScrollBarWidth();
