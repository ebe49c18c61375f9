#include "platform/win/FormDesign.h"

#include <atomic>
#include <map>
#include <mutex>

#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Forms.h"

namespace {

std::mutex gBuildersLock;

std::map<std::string, TFormDesignBuilder>& Builders()
{
    static std::map<std::string, TFormDesignBuilder> Map;
    return Map;
}

// Replays in progress (they may nest: a builder may read another design).
std::atomic<int> gRestoring{0};

// A copy, so that a builder may register or unregister designs while it runs.
TFormDesignBuilder BuilderOf(const std::string& ClassName)
{
    std::lock_guard<std::mutex> Lock(gBuildersLock);
    auto It = Builders().find(ClassName);
    return It == Builders().end() ? TFormDesignBuilder() : It->second;
}

void Build(const TFormDesignBuilder& Builder, TCustomForm& Root, const TFormDesignContext& Ctx)
{
    TLoadingScope Scope;
    Builder(Root, Ctx);
    Scope.Finish();
}

} // namespace

void RegisterFormDesign(const std::string& ClassName, TFormDesignBuilder Builder)
{
    std::lock_guard<std::mutex> Lock(gBuildersLock);
    Builders()[ClassName] = std::move(Builder);
}

void UnregisterFormDesign(const std::string& ClassName)
{
    std::lock_guard<std::mutex> Lock(gBuildersLock);
    Builders().erase(ClassName);
}

bool ApplyFormDesign(TCustomForm& Form)
{
    const TFormDesignBuilder Builder = BuilderOf(Form.ClassName());
    if (!Builder)
        return false;
    Build(Builder, Form, TFormDesignContext{});
    return true;
}

TComponentPtr<TForm> ReadFormDesign(const TCustomForm& Form)
{
    const TFormDesignBuilder Builder = BuilderOf(Form.ClassName());
    if (!Builder)
        return nullptr;
    TComponentPtr<TForm> Root(new TForm(nullptr));
    ++gRestoring;
    TScopeExit Restored([] { --gRestoring; });
    TFormDesignContext Ctx;
    Ctx.Restoring = true;
    Build(Builder, *Root, Ctx);
    return Root;
}

bool IsRestoringFormDesign() { return gRestoring.load() > 0; }
