#include <gtest/gtest.h>
#include <cstdio>
#include "commandbars/cbItemLinks.h"
#include "tests/commandbars/support/MDIFixture.h"
#include "tests/support/TestSupport.h"
using namespace CommandBarsTest;
TEST(Debug, Order)
{
    TMDIFixture F;
    auto A = F.AddChild("Child A", Captions({"&Edit", "&Tools"}));
    printf("A=%p active=%p handle=%p\n", (void*)A.Form, (void*)F.Frame->GetActiveMDIChild(), (void*)A.Form->GetHandle());
    auto B = F.AddChild("Child B", Captions({"F&ormat"}));
    printf("B=%p active=%p handle=%p vis=%d\n", (void*)B.Form, (void*)F.Frame->GetActiveMDIChild(), (void*)B.Form->GetHandle(), IsWindowVisible(B.Form->GetHandle()));
}
