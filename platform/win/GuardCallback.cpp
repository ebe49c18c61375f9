#include "platform/win/GuardCallback.h"

#include <atomic>
#include <cstdlib>
#include <new>
#include <typeinfo>

#include <cxxabi.h>

#include <windows.h>

#include "platform/rtl/SysUtils.h"

namespace {

std::atomic<bool> gProgramEnding{false};

} // namespace

void BeginProgramEnd() noexcept
{
    gProgramEnding.store(true);
}

void ClearProgramEnd() noexcept
{
    gProgramEnding.store(false);
}

bool ProgramEnding() noexcept
{
    return gProgramEnding.load();
}

std::string ExceptionClassName(const std::exception_ptr& E)
{
    if (!E)
        return std::string();
    try {
        std::rethrow_exception(E);
    } catch (const Exception& X) {
        return X.ClassName();
    } catch (const std::bad_alloc&) {
        return "std::bad_alloc";
    } catch (const std::exception& X) {
        int Status = 0;
        char* Name = abi::__cxa_demangle(typeid(X).name(), nullptr, nullptr, &Status);
        std::string Result = Status == 0 && Name ? Name : typeid(X).name();
        std::free(Name);
        return Result;
    } catch (...) {
        // Any other thrown type has no class name to report.
        return "unknown exception";
    }
}

std::string ExceptionMessage(const std::exception_ptr& E)
{
    if (!E)
        return std::string();
    try {
        std::rethrow_exception(E);
    } catch (const std::exception& X) {
        return X.what();
    } catch (...) {
        // Any other thrown type has no text.
        return "Unknown exception";
    }
}
