#include "tests/fuzz/targets/BmcTarget.h"

QM_FUZZ_TARGET(bmc_pcx)
{
    return qmfuzz::FeedBmc(QmFuzzTargetName, "File.pcx", Data, Size);
}
