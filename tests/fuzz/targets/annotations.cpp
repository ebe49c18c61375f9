// The annotation text that TIFF files from anywhere carry in their first user tag: read, then
// written and read again, the same marks must come out (also those handed over before an error).

#include "imagelib/AnnotText.h"
#include "tests/fuzz/FuzzTarget.h"

QM_FUZZ_TARGET(annotations)
{
    std::vector<TAnnotationRecord> Records;
    try {
        ReadAnnotationText(qmfuzz::TextOf(Data, Size), Records);
    } catch (const EConvertError&) {
    } catch (const Exception& E) {
        const std::string& M = E.Message();
        QM_FUZZ_CHECK(M == kAnnotationPositionError || M == kAnnotationBracketError || M == kAnnotationInvalidText);
    }
    QM_FUZZ_CHECK(Records.size() <= size_t(kMaxAnnotationMarks));
    const std::string Written = WriteAnnotationText(Records);
    QM_FUZZ_CHECK(Written.size() <= Size);
    std::vector<TAnnotationRecord> Again;
    bool ReadsBack = true;
    try {
        ReadAnnotationText(Written, Again);
    } catch (const Exception&) {
        ReadsBack = false;
    }
    QM_FUZZ_CHECK(ReadsBack);
    QM_FUZZ_CHECK(Again == Records);
    QM_FUZZ_CHECK(WriteAnnotationText(Again) == Written);
    return 0;
}
