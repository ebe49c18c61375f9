#pragma once
// A thread whose Execute is a function, for the thread tests.

#include <atomic>
#include <functional>

#include "platform/win/Thread.h"

class TTestThread : public TThread {
public:
    using TBody = std::function<void(TTestThread& Self)>;
    explicit TTestThread(TBody Body, std::atomic<int>* Destroyed = nullptr)
        : FBody(std::move(Body)), FDestroyed(Destroyed)
    {
    }
    ~TTestThread() override
    {
        TerminateAndWait();
        if (FDestroyed)
            ++*FDestroyed;
    }
    bool IsTerminated() const { return Terminated(); }
    void SetResult(int32_t Value) { SetReturnValue(Value); }

    std::function<void()> OnStopRequested;
    std::atomic<int> StopRequests{0};

protected:
    void Execute() override { FBody(*this); }
    void StopRequested() override
    {
        ++StopRequests;
        if (OnStopRequested)
            OnStopRequested();
    }

private:
    TBody FBody;
    std::atomic<int>* FDestroyed;
};
