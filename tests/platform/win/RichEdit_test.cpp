// The rich edit: far more text than the default limit, RTF out and back in, plain text.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include <richedit.h>

#include "platform/rtl/Stream.h"
#include "platform/win/Forms.h"
#include "platform/win/RichEdit.h"
#include "tests/support/TestSupport.h"

namespace {
struct TEditForm {
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    TRichEdit* Edit;
    TRichEdit* Second;
    TEditForm()
    {
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 500, 400);
        Edit = new TRichEdit(Form.get());
        Edit->SetParent(Form.get());
        Edit->SetBounds(0, 0, 500, 200);
        Edit->SetWordWrap(false);
        Edit->SetScrollBars(ssBoth);
        Second = new TRichEdit(Form.get());
        Second->SetParent(Form.get());
        Second->SetBounds(0, 200, 500, 200);
        Second->SetWordWrap(false);
        Form->HandleNeeded();
    }
};
} // namespace

TEST(TRichEdit, HundredThousandLinesStayAndRoundTripThroughRtf)
{
    TEditForm F;
    TRichEdit* E = F.Edit;
    E->SetReadOnly(true); // a log pane: the program still adds
    int64_t Expected = 0;
    const int N = 100000;
    for (int I = 1; I <= N; ++I) {
        const std::string S = "line " + std::to_string(I) + " of the log";
        E->GetLines()->Add(S);
        Expected += static_cast<int64_t>(S.size()) + 2;
    }
    Expected -= 2; // no line end after the last
    EXPECT_GT(Expected, 32767 * 10);
    EXPECT_EQ(E->GetTextLength(), Expected);
    GETTEXTLENGTHEX L{GTL_NUMCHARS | GTL_PRECISE | GTL_USECRLF, CP_ACP};
    EXPECT_EQ(SendMessageA(E->GetHandle(), EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&L), 0), Expected);
    EXPECT_EQ(E->GetLines()->GetCount(), N);
    EXPECT_EQ(E->GetLines()->GetStrings(N - 1), "line 100000 of the log");
    EXPECT_EQ(E->GetLines()->GetStrings(0), "line 1 of the log");
    const std::string Text = E->GetText();
    EXPECT_EQ(static_cast<int64_t>(Text.size()), Expected);
    EXPECT_EQ(Text.substr(Text.size() - 22), "line 100000 of the log");

    TestSupport::TTempFolder Temp;
    const std::string File = Temp.File("log.rtf");
    E->SaveToFile(File);
    std::ifstream In(File, std::ios::binary);
    std::string Saved((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    EXPECT_EQ(Saved.rfind("{\\rtf", 0), 0u);
    EXPECT_NE(Saved.find("line 100000 of the log"), std::string::npos);
    F.Second->LoadFromFile(File);
    EXPECT_EQ(F.Second->GetText(), Text);
}

TEST(TRichEdit, PlainTextSaveAndLinesBeforeTheWindow)
{
    TComponentPtr<TForm> Form(new TForm(nullptr));
    Form->SetBorderStyle(bsNone);
    auto* E = new TRichEdit(Form.get());
    E->SetText(std::string(40000, 'x')); // before the window: more than the default limit
    E->SetParent(Form.get());
    Form->HandleNeeded();
    EXPECT_EQ(E->GetTextLength(), 40000);
    E->GetLines()->Clear();
    EXPECT_EQ(E->GetLines()->GetCount(), 0);
    E->GetLines()->Add("first");
    E->GetLines()->Add("second");
    EXPECT_EQ(E->GetText(), "first\r\nsecond");
    E->SetPlainText(true);
    TMemoryStream S;
    E->SaveToStream(&S);
    const std::string Out(static_cast<const char*>(S.Memory()), static_cast<size_t>(S.GetSize()));
    EXPECT_EQ(Out.find("{\\rtf"), std::string::npos);
    EXPECT_NE(Out.find("second"), std::string::npos);
    // Re-creation keeps the content.
    E->SetHideSelection(false);
    EXPECT_EQ(E->GetText(), "first\r\nsecond");
}
