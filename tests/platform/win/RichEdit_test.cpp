// The rich edit: far more text than the default limit, RTF out and back in, plain text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <vector>
#include <iterator>
#include <string>

#include <richedit.h>

#include "platform/rtl/Stream.h"
#include "platform/win/Forms.h"
#include "platform/win/RichEdit.h"
#include "tests/platform/win/TestThread.h"
#include "tests/support/TestSupport.h"

namespace {
// The pane's text as the window holds it, without appending the lines still waiting.
std::string WindowText(TRichEdit* E)
{
    GETTEXTLENGTHEX L{GTL_NUMBYTES | GTL_PRECISE | GTL_USECRLF, CP_ACP};
    const auto Bytes = SendMessageA(E->GetHandle(), EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&L), 0);
    std::string S(static_cast<size_t>(Bytes) + 1, '\0');
    S.resize(static_cast<size_t>(GetWindowTextA(E->GetHandle(), S.data(), static_cast<int>(S.size()))));
    return S;
}

bool EndsWith(const std::string& S, const std::string& End)
{
    return S.size() >= End.size() && S.compare(S.size() - End.size(), End.size(), End) == 0;
}

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

TEST(TRichEdit, LinesFromManyWorkersArriveWholeAndInOrder)
{
    TEditForm F;
    TRichEdit* E = F.Edit;
    E->SetReadOnly(true);
    // Each worker logs through the user-interface thread; the lines of one worker keep their
    // order, and none is lost or merged, however the appends are gathered.
    constexpr int Workers = 8, Each = 300;
    std::vector<std::unique_ptr<TTestThread>> Threads;
    for (int W = 0; W < Workers; ++W) {
        Threads.push_back(std::make_unique<TTestThread>([W, E](TTestThread& Self) {
            for (int I = 0; I < Each; ++I) {
                const std::string S = "w" + std::to_string(W) + " n" + std::to_string(I);
                Self.Synchronize([E, &S] { E->GetLines()->Add(S); });
            }
        }));
        Threads.back()->Resume();
    }
    for (auto& T : Threads)
        T->WaitFor();
    // Served by the message loop alone, without reading through the class.
    GETTEXTLENGTHEX L{GTL_NUMCHARS | GTL_PRECISE | GTL_USECRLF, CP_ACP};
    int64_t Expected = 0;
    for (int W = 0; W < Workers; ++W)
        for (int I = 0; I < Each; ++I)
            Expected += static_cast<int64_t>(("w" + std::to_string(W) + " n" + std::to_string(I)).size()) + 2;
    Expected -= 2;
    TestSupport::PumpUntil([&] {
        return SendMessageA(E->GetHandle(), EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&L), 0) == Expected;
    }, 20000, "the gathered lines in the window");
    ASSERT_EQ(E->GetLines()->GetCount(), Workers * Each);
    std::vector<int> Next(Workers, 0);
    for (int Row = 0; Row < Workers * Each; ++Row) {
        const std::string S = E->GetLines()->GetStrings(Row);
        int W = -1, I = -1;
        ASSERT_EQ(std::sscanf(S.c_str(), "w%d n%d", &W, &I), 2) << S;
        ASSERT_TRUE(W >= 0 && W < Workers) << S;
        EXPECT_EQ(I, Next[W]) << "row " << Row;
        Next[W] = I + 1;
    }
}

TEST(TRichEdit, GatheredLinesMeetReadsReplacementsAndRecreation)
{
    TEditForm F;
    TRichEdit* E = F.Edit;
    // Read back at once: the first line has no line end before it.
    E->GetLines()->Add("a");
    E->GetLines()->Add("b");
    EXPECT_EQ(E->GetTextLength(), 4);
    EXPECT_EQ(E->GetText(), "a\r\nb");
    // Added after text that is already there: one line end between.
    E->GetLines()->Add("c");
    EXPECT_EQ(E->GetLines()->GetStrings(2), "c");
    // A replacement takes the place of lines not yet in the window too.
    E->GetLines()->Add("lost");
    E->SetText("new");
    TestSupport::PumpFor(50);
    EXPECT_EQ(E->GetText(), "new");
    E->GetLines()->Clear();
    E->GetLines()->Add("x");
    TestSupport::PumpFor(50);
    EXPECT_EQ(E->GetText(), "x");
    // Saving and a re-made window keep lines not yet shown.
    E->GetLines()->Add("y");
    E->SetPlainText(true);
    TMemoryStream S;
    E->SaveToStream(&S);
    EXPECT_EQ(std::string(static_cast<const char*>(S.Memory()), static_cast<size_t>(S.GetSize())).find("x\r\ny") !=
                  std::string::npos ||
              std::string(static_cast<const char*>(S.Memory()), static_cast<size_t>(S.GetSize())).find("x\ry") !=
                  std::string::npos,
              true);
    E->GetLines()->Add("z");
    E->SetHideSelection(!E->GetHideSelection()); // re-creates the window
    E->GetLines()->Add("after");
    TestSupport::PumpFor(50);
    EXPECT_EQ(E->GetText(), "x\r\ny\r\nz\r\nafter");
}

TEST(TRichEdit, QuickLinesReachTheWindowByThemselvesInOrder)
{
    TEditForm F;
    TRichEdit* E = F.Edit;
    // Many lines in a burst: those after the first wait to be appended together, and all of them
    // reach the window with only messages served, none lost and none out of order.
    const int N = 300;
    std::string Expected;
    for (int I = 0; I < N; ++I) {
        const std::string S = "burst line " + std::to_string(I);
        E->GetLines()->Add(S);
        Expected += (I ? "\r\n" : "") + S;
        if (I % 50 == 0)
            TestSupport::PumpFor(10);
    }
    // The window itself, read without the control's own reads (which append what waits).
    auto Raw = [&] {
        GETTEXTLENGTHEX L{GTL_NUMBYTES | GTL_PRECISE | GTL_USECRLF, CP_ACP};
        const auto Len = static_cast<size_t>(SendMessageA(E->GetHandle(), EM_GETTEXTLENGTHEX,
                                                          reinterpret_cast<WPARAM>(&L), 0));
        std::vector<char> Buf(Len + 2);
        GETTEXTEX G{};
        G.cb = static_cast<DWORD>(Buf.size());
        G.flags = GT_USECRLF;
        G.codepage = CP_ACP;
        const auto Got = static_cast<size_t>(SendMessageA(E->GetHandle(), EM_GETTEXTEX, reinterpret_cast<WPARAM>(&G),
                                                          reinterpret_cast<LPARAM>(Buf.data())));
        return std::string(Buf.data(), std::min(Got, Len));
    };
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return Raw().size() >= Expected.size(); }));
    EXPECT_EQ(Raw(), Expected);
    // A line after a quiet moment goes in on its own again.
    TestSupport::PumpFor(200);
    E->GetLines()->Add("after");
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return Raw().size() > Expected.size(); }));
    EXPECT_EQ(Raw(), Expected + "\r\nafter");
}

// A log pane that keeps its last lines: whatever the wrapping and however the lines come, the
// newest lines stay whole and in order, the oldest go, and the count stays near the limit.
TEST(TRichEdit, ALimitedPaneKeepsItsLastLinesWholeAndInOrder)
{
    TEditForm F;
    for (TRichEdit* E : {F.Edit, F.Second}) {
        const bool Wrap = E == F.Second;
        E->SetWordWrap(Wrap);
        E->SetReadOnly(true);
        E->SetMaxLines(200);
        EXPECT_EQ(E->GetMaxLines(), 200);
        // Mixed letters, digits and punctuation, as a crawl's log writes; some lines long
        // enough to wrap, and one with a character outside ASCII.
        auto LineOf = [](int I) {
            std::string S = "[12/08/2026 16:58:" + std::to_string(I % 60) + "] - Saving file \"p" + std::to_string(I) +
                            ".jpg!!wr\"";
            if (I % 7 == 0)
                S += std::string(300, 'w');
            if (I % 11 == 0)
                S += " caf\xE9";
            return S;
        };
        const int N = 1000;
        for (int I = 0; I < N; ++I) {
            E->GetLines()->Add(LineOf(I));
            if (I % 97 == 0) { // the window appends what waits (read without making it do so)
                ASSERT_TRUE(TestSupport::PumpUntil([&] { return EndsWith(WindowText(E), LineOf(I)); }, 20000,
                                                   "line " + std::to_string(I) + " in the pane"));
            }
        }
        const int32_t Count = E->GetLines()->GetCount();
        // Lines, not rows: with wrapping the control's own count is of rows, so the text is read.
        const std::string Text = E->GetText();
        std::vector<std::string> Lines;
        for (size_t From = 0;;) {
            const size_t End = Text.find("\r\n", From);
            Lines.push_back(Text.substr(From, End == std::string::npos ? std::string::npos : End - From));
            if (End == std::string::npos)
                break;
            From = End + 2;
        }
        if (!Wrap) {
            EXPECT_EQ(Count, static_cast<int32_t>(Lines.size()));
        }
        EXPECT_GE(Lines.size(), 200u) << "wrap " << Wrap;
        // A trim comes once as many lines as the limit have come since the last one, when the
        // window appends what waits (here at most 97 lines at a time).
        EXPECT_LE(Lines.size(), 2u * 200u + 97u) << "wrap " << Wrap;
        // The kept lines are the last ones, whole and in order.
        const int First = N - static_cast<int>(Lines.size());
        for (size_t I = 0; I < Lines.size(); ++I)
            ASSERT_EQ(Lines[I], LineOf(First + static_cast<int>(I))) << "wrap " << Wrap << " line " << I;
        // Lines still come at the end after a trim, and a limit of 0 keeps everything again.
        E->SetMaxLines(0);
        for (int I = N; I < N + 300; ++I)
            E->GetLines()->Add(LineOf(I));
        const std::string All = E->GetText();
        EXPECT_EQ(All.substr(All.size() - LineOf(N + 299).size()), LineOf(N + 299));
        EXPECT_EQ(All.substr(0, LineOf(First).size()), LineOf(First));
        // Lowering the limit takes the surplus at once; the window stays as it was set up.
        E->SetMaxLines(50);
        const std::string Cut = E->GetText();
        EXPECT_EQ(Cut.substr(0, LineOf(N + 250).size() + 2), LineOf(N + 250) + "\r\n") << "wrap " << Wrap;
        EXPECT_EQ(Cut.substr(Cut.size() - LineOf(N + 299).size()), LineOf(N + 299));
        EXPECT_EQ(GetWindowLongA(E->GetHandle(), GWL_STYLE) & ES_READONLY, ES_READONLY);
        E->GetLines()->Add("last");
        EXPECT_EQ(E->GetLines()->GetStrings(Wrap ? E->GetLines()->GetCount() - 1 : 50), "last");
        // More lines at once than the pane keeps (a busy window): the pane shows the last of
        // them and nothing older, since the lines left out would stand between.
        for (int I = 0; I < 500; ++I)
            E->GetLines()->Add("burst " + std::to_string(I));
        std::string Want = "burst 450";
        for (int I = 451; I < 500; ++I)
            Want += "\r\nburst " + std::to_string(I);
        EXPECT_EQ(E->GetText(), Want) << "wrap " << Wrap;
        // Lines after it come at the end, and the next trim still keeps the last 50.
        for (int I = 0; I < 30; ++I)
            E->GetLines()->Add("after " + std::to_string(I));
        ASSERT_TRUE(TestSupport::PumpUntil([&] { return EndsWith(WindowText(E), "after 29"); }, 20000, "after 29"));
        E->SetMaxLines(50);
        const std::string After = E->GetText();
        EXPECT_EQ(After.substr(0, 11), "burst 480\r\n") << "wrap " << Wrap;
        EXPECT_NE(After.find("burst 499\r\nafter 0\r\n"), std::string::npos) << "wrap " << Wrap;
        EXPECT_EQ(std::count(After.begin(), After.end(), '\n'), 49) << "wrap " << Wrap;
    }
}

// A limited pane shows its last lines, but saving writes every line it was given, in order, as
// plain text and as RTF that reads back line for line: lines trimmed off the top, lines of a burst
// the pane never showed, and characters RTF must escape. Clearing starts a new log.
TEST(TRichEdit, ALimitedPaneSavesItsWholeLog)
{
    TEditForm F;
    TRichEdit* E = F.Edit;
    E->SetReadOnly(true);
    E->GetLines()->Add("before the limit {1} \\ caf\xE9");
    E->SetMaxLines(50);
    std::vector<std::string> Want{"before the limit {1} \\ caf\xE9"};
    auto Add = [&](const std::string& S) {
        E->GetLines()->Add(S);
        Want.push_back(S);
    };
    for (int I = 0; I < 700; ++I) {
        Add("line " + std::to_string(I) + (I % 9 == 0 ? " {brace} back\\slash \xE9t\xE9\ttab" : ""));
        if (I % 60 == 0)
            TestSupport::PumpFor(5);
    }
    for (int I = 0; I < 400; ++I) // more at once than the pane keeps: it shows only their last
        Add("burst " + std::to_string(I));
    TestSupport::PumpFor(20);
    const int32_t Shown = E->GetLines()->GetCount();
    EXPECT_LE(Shown, 2 * 50 + 60);
    EXPECT_EQ(E->GetLines()->GetStrings(Shown - 1), "burst 399");

    auto LinesOf = [](const std::string& Text) {
        std::vector<std::string> L;
        for (size_t From = 0;;) {
            const size_t End = Text.find("\r\n", From);
            L.push_back(Text.substr(From, End == std::string::npos ? std::string::npos : End - From));
            if (End == std::string::npos)
                break;
            From = End + 2;
        }
        while (!L.empty() && L.back().empty())
            L.pop_back();
        return L;
    };
    TestSupport::TTempFolder Temp;
    // Plain text: the whole log, line for line.
    E->SetPlainText(true);
    E->SaveToFile(Temp.File("whole.txt"));
    std::ifstream T(Temp.File("whole.txt"), std::ios::binary);
    const std::string Plain((std::istreambuf_iterator<char>(T)), std::istreambuf_iterator<char>());
    EXPECT_EQ(LinesOf(Plain), Want);
    // RTF: read back by a rich edit without a limit, the same lines.
    E->SetPlainText(false);
    E->SaveToFile(Temp.File("whole.rtf"));
    F.Second->SetPlainText(false);
    F.Second->LoadFromFile(Temp.File("whole.rtf"));
    EXPECT_EQ(LinesOf(F.Second->GetText()), Want);
    // Lines after a save still reach the log, after the others.
    Add("after the save");
    E->SetPlainText(true);
    E->SaveToFile(Temp.File("again.txt"));
    std::ifstream A(Temp.File("again.txt"), std::ios::binary);
    const std::string Again((std::istreambuf_iterator<char>(A)), std::istreambuf_iterator<char>());
    EXPECT_EQ(LinesOf(Again), Want);
    // A cleared pane starts a new log.
    E->GetLines()->Clear();
    E->GetLines()->Add("fresh");
    E->SaveToFile(Temp.File("fresh.txt"));
    std::ifstream N(Temp.File("fresh.txt"), std::ios::binary);
    const std::string Fresh((std::istreambuf_iterator<char>(N)), std::istreambuf_iterator<char>());
    EXPECT_EQ(LinesOf(Fresh), std::vector<std::string>{"fresh"});
}
