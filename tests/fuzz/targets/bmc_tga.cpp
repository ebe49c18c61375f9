#include "tests/fuzz/targets/BmcTarget.h"

QM_FUZZ_TARGET(bmc_tga)
{
    return qmfuzz::FeedBmc(QmFuzzTargetName, "File.tga", Data, Size);
}
