// The task-list import: a list file of project records, then an index file, as the import
// threads read what a web server sent. Names and categories must come out safe as path parts.

#include "engine/EngineText.h"
#include "engine/ImportRecords.h"
#include "platform/rtl/SysUtils.h"
#include "tests/fuzz/FuzzTarget.h"

QM_FUZZ_TARGET(import)
{
    const qmfuzz::TTwoFiles Files = qmfuzz::SplitTwo(Data, Size);
    try {
        TProjectItems List;
        auto S = qmfuzz::StreamOf(reinterpret_cast<const uint8_t*>(Files.First.data()), Files.First.size());
        List.LoadFromStream(S.get());
        QM_FUZZ_CHECK(size_t(List.GetCount()) <= Files.First.size() / sizeof(TProjectRecord));
        TMemoryStream Out;
        bool Short = true; // every text fits a field with its NUL, so a write reads back the same
        for (int32_t I = 0; I < List.GetCount(); ++I) {
            const TProjectItem* Item = List.GetItem(I);
            QM_FUZZ_CHECK(Item->GetOwnerList() == &List);
            const std::string& Name = Item->GetName();
            QM_FUZZ_CHECK(!Trim(Name).empty() && Name.size() <= kMaxSafePathPart);
            QM_FUZZ_CHECK(SafePathPart(Name) == Name);
            QM_FUZZ_CHECK(Name.find_first_of("\\/:") == std::string::npos && Name != "." && Name != "..");
            const std::string& Category = Item->GetCategory();
            QM_FUZZ_CHECK(Category.empty() || SafePathPart(Category) == Category);
            QM_FUZZ_CHECK(Item->GetURL().size() <= ImportTextSize && Item->GetURL().find('\0') == std::string::npos);
            Short = Short && Name.size() < ImportTextSize && Category.size() < ImportTextSize &&
                    Item->GetURL().size() < ImportTextSize;
            Item->WriteToStream(&Out);
        }
        QM_FUZZ_CHECK(Out.GetSize() == int64_t(List.GetCount()) * ProjectRecordSize);
        if (Short) {
            Out.SetPosition(0);
            TProjectItems Again;
            Again.LoadFromStream(&Out);
            QM_FUZZ_CHECK(Again.GetCount() == List.GetCount());
            for (int32_t I = 0; I < List.GetCount() && I < Again.GetCount(); ++I) {
                const TProjectItem* A = List.GetItem(I);
                const TProjectItem* B = Again.GetItem(I);
                QM_FUZZ_CHECK(A->GetNumber() == B->GetNumber() && A->GetName() == B->GetName() &&
                              A->GetURL() == B->GetURL() && A->GetCategory() == B->GetCategory());
            }
        }

        // The index, from text and from a stream: the same names, each clean.
        TStringList Names;
        ParseProjectIndex(Files.Second, &Names);
        TStringList FromStream;
        auto IS = qmfuzz::StreamOf(reinterpret_cast<const uint8_t*>(Files.Second.data()), Files.Second.size());
        ReadProjectIndex(IS.get(), &FromStream);
        QM_FUZZ_CHECK(Names.GetCount() == FromStream.GetCount());
        QM_FUZZ_CHECK(Names.GetCount() <= MaxProjectLists);
        const std::string Base = "http://www.example.test/lists/";
        for (int32_t I = 0; I < Names.GetCount(); ++I) {
            const std::string Name = Names.GetStrings(I);
            QM_FUZZ_CHECK(I >= FromStream.GetCount() || FromStream.GetStrings(I) == Name);
            QM_FUZZ_CHECK(!Name.empty() && Name.size() <= MaxListNameLength);
            for (const char C : Name)
                QM_FUZZ_CHECK(static_cast<unsigned char>(C) >= 0x20 && C != 0x7F);
            // One request target: nothing a request line or a URL parser would split at.
            const std::string Address = ProjectListAddress(Base, Name);
            QM_FUZZ_CHECK(Address.compare(0, Base.size(), Base) == 0);
            QM_FUZZ_CHECK(Address.size() <= Base.size() + 3 * Name.size());
            for (size_t K = Base.size(); K < Address.size(); ++K) {
                const auto C = static_cast<unsigned char>(Address[K]);
                QM_FUZZ_CHECK(C > 0x20 && C < 0x7F && C != '#' && C != '"' && C != '<' && C != '>');
            }
        }
    } catch (const Exception&) {
    }
    return 0;
}
