#include "tests/fuzz/targets/BmcTarget.h"

QM_FUZZ_TARGET(bmc_bmp)
{
    return qmfuzz::FeedBmc(QmFuzzTargetName, "File.bmp", Data, Size);
}
