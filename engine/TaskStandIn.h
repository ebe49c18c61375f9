#pragma once
// A worker that stands in for the crawl, steered by the query of its address, so the task model
// can be run without a network:
//   hold=MS        holds for MS milliseconds (ends early when cancelled)
//   gate=NAME      holds until StandInOpenGate(NAME) (or cancelled)
//   children=N     adds N addresses <childbase>0 .. <childbase>N-1 (default
//                  "http://<host>/child") under the task's ItemsMutex, at its depth + 1
//   childbase=TEXT
//   partial=1      writes "<DefaultFolder><document>!!wr" while it holds, then renames it to
//                  the final name, reports the file and counts it saved
//   fail=1         adds its address to the failed list under the FailedMutex
//   log=TEXT       writes a log line
// Parameters are separated by "&"; values are taken as written.

#include <memory>
#include <string>

#include "engine/TaskThread.h"

std::unique_ptr<TTaskThread> MakeStandInWorker(TTask* Task, TTaskItem* Item, const std::string& URL);

void StandInOpenGate(const std::string& Name);
void StandInCloseAllGates();
// Workers of the stand-in running Execute now, and the most that ever ran at once.
int32_t StandInActive();
int32_t StandInPeak();
void StandInResetPeak();
// How often the stand-in began each address since the last reset, and how often it began an
// address that another stand-in worker was still on.
int32_t StandInFetches(const std::string& Address);
int32_t StandInOverlaps();
void StandInResetFetches();
