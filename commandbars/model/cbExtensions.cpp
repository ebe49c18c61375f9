#include "commandbars/model/cbExtensions.h"

namespace {

TcbFrameworkExtensions gExtensions;

} // namespace

TcbFrameworkExtensions& cbExtensions()
{
    return gExtensions;
}

void ResetFrameworkExtensions()
{
    gExtensions = TcbFrameworkExtensions{};
}
