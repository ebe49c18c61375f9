#include "platform/win/RichEdit.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

#include <richedit.h>

#include "platform/rtl/FileStream.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Files.h"
#include "platform/win/OSError.h"

namespace {

void LoadRichEditLibrary()
{
    static std::once_flag Once;
    static HMODULE Module = nullptr;
    std::call_once(Once, [] { Module = LoadLibraryA("riched20.dll"); });
    if (!Module)
        RaiseLastOSError("LoadLibrary riched20.dll");
}

// Exceptions of the stream never cross riched20's frames: they are kept and thrown after.
struct TStreamCookie {
    TStream* Stream = nullptr;
    std::exception_ptr Error;
};

DWORD CALLBACK StreamOut(DWORD_PTR Cookie, LPBYTE Buffer, LONG Count, LONG* Done)
{
    auto* C = reinterpret_cast<TStreamCookie*>(Cookie);
    try {
        C->Stream->WriteBuffer(Buffer, Count);
        *Done = Count;
        return 0;
    } catch (...) {
        C->Error = std::current_exception();
        *Done = 0;
        return 1;
    }
}

DWORD CALLBACK StreamIn(DWORD_PTR Cookie, LPBYTE Buffer, LONG Count, LONG* Done)
{
    auto* C = reinterpret_cast<TStreamCookie*>(Cookie);
    try {
        *Done = C->Stream->Read(Buffer, Count);
        return 0;
    } catch (...) {
        C->Error = std::current_exception();
        *Done = 0;
        return 1;
    }
}


} // namespace

// ---------------------------------------------------------------------------------------------

namespace {
// A message of its own: the rich edit's WM_USER range is full of its own messages.
const UINT WM_QM_FLUSHLINES = RegisterWindowMessageA("QuillmoorRichEditFlushLines");
const UINT_PTR kFlushTimerId = 0x514D;
const DWORD kFlushInterval = 50; // ms
} // namespace

void TRichEditLines::Add(const std::string& S)
{
    HWND W = FOwner->GetHandle();
    FOwner->FPendingLines += "\r\n";
    FOwner->FPendingLines += S;
    if (FOwner->FFlushPosted)
        return;
    // Lines that come quickly after the last append wait for the timer and go in together.
    if (GetTickCount() - FOwner->FLastFlush < kFlushInterval && SetTimer(W, kFlushTimerId, kFlushInterval, nullptr))
        FOwner->FFlushPosted = true;
    else if (PostMessageA(W, WM_QM_FLUSHLINES, 0, 0))
        FOwner->FFlushPosted = true;
    else
        FOwner->FlushLines();
}

void TRichEditLines::Clear() { FOwner->SetText(""); }

int32_t TRichEditLines::GetCount() const
{
    FOwner->FlushLines();
    HWND W = FOwner->GetHandle();
    if (GetWindowTextLengthA(W) == 0)
        return 0;
    return static_cast<int32_t>(SendMessageA(W, EM_GETLINECOUNT, 0, 0));
}

std::string TRichEditLines::GetStrings(int32_t Index) const
{
    FOwner->FlushLines();
    HWND W = FOwner->GetHandle();
    if (Index < 0 || Index >= GetCount())
        throw EListError(Format("List index %d out of range", Index));
    const auto Start = SendMessageA(W, EM_LINEINDEX, static_cast<WPARAM>(Index), 0);
    const auto Len = static_cast<size_t>(SendMessageA(W, EM_LINELENGTH, static_cast<WPARAM>(Start), 0));
    std::vector<char> Buf(std::max<size_t>(Len + 4, sizeof(WORD) + 1));
    *reinterpret_cast<WORD*>(Buf.data()) = static_cast<WORD>(std::min<size_t>(Buf.size() - 1, 0xFFFF));
    const auto Got = static_cast<size_t>(SendMessageA(W, EM_GETLINE, static_cast<WPARAM>(Index),
                                                      reinterpret_cast<LPARAM>(Buf.data())));
    std::string S(Buf.data(), std::min(Got, Buf.size()));
    while (!S.empty() && (S.back() == '\r' || S.back() == '\n'))
        S.pop_back();
    return S;
}

std::string TRichEditLines::GetText() const { return FOwner->GetText(); }
void TRichEditLines::SetText(const std::string& Value) { FOwner->SetText(Value); }

// ---------------------------------------------------------------------------------------------

TRichEdit::TRichEdit(TComponent* AOwner) : TWinControl(AOwner)
{
    SetBounds(0, 0, 185, 89);
    SetTabStop(true);
    FColor = clWindow;
}

TRichEdit::~TRichEdit() { EndLog(); }

void TRichEdit::CreateParams(TCreateParams& P)
{
    LoadRichEditLibrary();
    TWinControl::CreateParams(P);
    P.SysClassName = "RichEdit20A";
    P.WinClassName = "QMRichEdit";
    P.Caption.clear(); // set once the limit is raised
    P.Style |= ES_MULTILINE | ES_WANTRETURN;
    if (FReadOnly)
        P.Style |= ES_READONLY;
    if (!FHideSelection)
        P.Style |= ES_NOHIDESEL;
    if (FScrollBars == ssVertical || FScrollBars == ssBoth)
        P.Style |= WS_VSCROLL | ES_AUTOVSCROLL;
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
        P.Style |= WS_HSCROLL | ES_AUTOHSCROLL;
    if (!FWordWrap)
        P.Style |= ES_AUTOHSCROLL;
    P.ExStyle |= WS_EX_CLIENTEDGE;
}

void TRichEdit::CreateWnd()
{
    TWinControl::CreateWnd();
    FFlushPosted = false; // a message posted to an earlier window is gone with it
    SendMessageA(FHandle, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    SendMessageA(FHandle, EM_SETTARGETDEVICE, 0, FWordWrap ? 0 : 1);
    SendMessageA(FHandle, EM_SETEVENTMASK, 0, ENM_CHANGE);
    if (!FSavedRtf.empty()) {
        TMemoryStream S;
        S.WriteBuffer(FSavedRtf.data(), static_cast<int32_t>(FSavedRtf.size()));
        S.SetPosition(0);
        const bool Plain = FPlainText;
        FPlainText = false;
        StreamControlIn(&S);
        FPlainText = Plain;
        FSavedRtf.clear();
    } else if (!FText.empty()) {
        SendMessageA(FHandle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(FText.c_str()));
    }
}

void TRichEdit::SaveWindowState()
{
    if (FKeptText) {
        FSavedRtf.clear(); // the new window gets the kept lines only (TrimLines)
        return;
    }
    TMemoryStream S;
    const bool Plain = FPlainText;
    FPlainText = false;
    StreamControlOut(&S);
    FPlainText = Plain;
    FSavedRtf.assign(static_cast<const char*>(S.Memory()), static_cast<size_t>(S.GetSize()));
}

void TRichEdit::FlushLines() const
{
    if (FPendingLines.empty() || !FHandle)
        return;
    FLastFlush = GetTickCount();
    std::string Text;
    Text.swap(FPendingLines);
    // The log gets every line, also those the pane leaves out below.
    if (FLog != INVALID_HANDLE_VALUE) {
        const size_t Skip = FLogEmpty ? 2 : 0;
        AppendToLog(Text.data() + Skip, Text.size() - Skip);
    }
    bool Replace = false;
    if (FMaxLines > 0) {
        // Lines that gathered while the window was busy and are more than the pane keeps would
        // only be taken off again: they are left out (each line comes after a CR LF).
        std::vector<size_t> Starts;
        for (size_t P = Text.find("\r\n"); P != std::string::npos; P = Text.find("\r\n", P + 2))
            Starts.push_back(P);
        if (Starts.size() > static_cast<size_t>(FMaxLines)) {
            Text.erase(0, Starts[Starts.size() - static_cast<size_t>(FMaxLines)]);
            // The lines the pane holds are older than those left out: kept, they would stand
            // next to the newest with a hole between. The last lines of the batch fill the pane.
            Replace = true;
        }
    }
    // A position past the end is taken as the end: no length to ask for. A batch that fills the
    // pane replaces the whole text.
    CHARRANGE R{Replace ? 0 : 0x7FFFFFFF, 0x7FFFFFFF};
    SendMessageA(FHandle, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&R));
    SendMessageA(FHandle, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&R)); // now the length
    // The first line of an empty control has no line end before it.
    const char* From = R.cpMin == 0 ? Text.c_str() + 2 : Text.c_str();
    SendMessageA(FHandle, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(From));
    if (Replace)
        FAddedSinceTrim = 0; // the pane holds as many lines as it keeps, none to trim
    else if (FMaxLines > 0)
        FAddedSinceTrim += static_cast<int32_t>(std::count(Text.begin(), Text.end(), '\n'));
}

void TRichEdit::SetMaxLines(int32_t Value)
{
    FMaxLines = std::max(0, Value);
    if (FMaxLines == 0)
        EndLog();
    else if (FLog == INVALID_HANDLE_VALUE) {
        // The log starts with what the control holds; lines still on their way follow.
        const std::string Pending = std::move(FPendingLines);
        FPendingLines.clear();
        StartLog(GetText());
        FPendingLines = Pending;
    }
    FlushLines();
    TrimLines();
}

void TRichEdit::StartLog(const std::string& Text)
{
    EndLog();
    // Deleted by the system when closed, even when the program ends without closing it.
    const std::string Dir = GetTempPath();
    char Name[MAX_PATH];
    if (!GetTempFileNameA(Dir.c_str(), "qml", 0, Name))
        return; // no temporary folder: saving writes what the control holds
    FLog = CreateFileA(Name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (FLog == INVALID_HANDLE_VALUE) {
        DeleteFileA(Name);
        return;
    }
    FLogEmpty = true;
    AppendToLog(Text.data(), Text.size());
}

void TRichEdit::EndLog()
{
    if (FLog != INVALID_HANDLE_VALUE)
        CloseHandle(FLog);
    FLog = INVALID_HANDLE_VALUE;
    FLogEmpty = true;
}

void TRichEdit::AppendToLog(const char* Data, size_t Size) const
{
    if (FLog == INVALID_HANDLE_VALUE || Size == 0)
        return;
    DWORD Done = 0;
    if (!WriteFile(FLog, Data, static_cast<DWORD>(Size), &Done, nullptr) || Done != Size) {
        // A log with a gap would be saved as if whole: it ends, and saving writes what the
        // control holds.
        const_cast<TRichEdit*>(this)->EndLog();
        return;
    }
    FLogEmpty = false;
}

namespace {
// The log's text as RTF, as the control writes a plain-text pane: one font, a paragraph a line.
class TRtfWriter {
public:
    TRtfWriter(TStream* S, const std::string& Face, int32_t Size) : FStream(S)
    {
        Out("{\\rtf1\\ansi\\ansicpg" + std::to_string(GetACP()) + "\\deff0{\\fonttbl{\\f0\\fnil " +
            (Face.empty() ? std::string("MS Sans Serif") : Face) + ";}}\r\n\\viewkind4\\uc1\\pard\\f0\\fs" +
            std::to_string(2 * std::max(1, Size)) + " ");
    }
    void Text(const char* P, size_t N)
    {
        std::string B;
        B.reserve(N + N / 8);
        for (size_t I = 0; I < N; ++I) {
            const auto C = static_cast<unsigned char>(P[I]);
            if (C == '\\' || C == '{' || C == '}') {
                B += '\\';
                B += static_cast<char>(C);
            } else if (C == '\n') {
                B += "\\par\r\n";
            } else if (C == '\t') {
                B += "\\tab ";
            } else if (C >= 0x80) {
                static const char Hex[] = "0123456789abcdef";
                B += "\\'";
                B += Hex[C >> 4];
                B += Hex[C & 15];
            } else if (C >= 0x20) {
                B += static_cast<char>(C);
            } // CR and other control characters: the paragraph ends come from LF
        }
        Out(B);
    }
    void End() { Out("\\par\r\n}\r\n"); }

private:
    void Out(const std::string& B) { FStream->WriteBuffer(B.data(), static_cast<int32_t>(B.size())); }
    TStream* FStream;
};
} // namespace

void TRichEdit::SaveLogToStream(TStream* Stream)
{
    std::unique_ptr<TRtfWriter> Rtf;
    if (!FPlainText)
        Rtf = std::make_unique<TRtfWriter>(Stream, GetFont()->GetName(), GetFont()->GetSize());
    std::vector<char> Buf(1 << 16);
    ULONGLONG At = 0;
    for (;;) {
        OVERLAPPED O{};
        O.Offset = static_cast<DWORD>(At);
        O.OffsetHigh = static_cast<DWORD>(At >> 32);
        DWORD Got = 0;
        if (!ReadFile(FLog, Buf.data(), static_cast<DWORD>(Buf.size()), &Got, &O)) {
            if (GetLastError() == ERROR_HANDLE_EOF)
                break;
            RaiseLastOSError("Reading the log");
        }
        if (Got == 0)
            break;
        At += Got;
        if (Rtf)
            Rtf->Text(Buf.data(), Got);
        else
            Stream->WriteBuffer(Buf.data(), static_cast<int32_t>(Got));
    }
    // Reading moved the file's position: the next lines go at its end again.
    LARGE_INTEGER Zero{};
    SetFilePointerEx(FLog, Zero, nullptr, FILE_END);
    if (Rtf)
        Rtf->End();
}

LONG TRichEdit::ParagraphStart(int32_t Index) const
{
    // The control ends each paragraph with one CR in its own positions: the text is read in
    // pieces and the CRs counted. The pieces come in the code page's bytes, so a position is
    // the number of characters those bytes make.
    LONG From = 0;
    int32_t Seen = 0;
    const LONG kPiece = 32768;
    std::vector<char> Piece(2 * static_cast<size_t>(kPiece) + 2);
    while (Seen < Index) {
        TEXTRANGEA T{{From, From + kPiece}, Piece.data()};
        const int Got = static_cast<int>(SendMessageA(FHandle, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&T)));
        if (Got <= 0)
            break;
        int Bytes = -1;
        for (int I = 0; I < Got; ++I)
            if (Piece[static_cast<size_t>(I)] == '\r' && ++Seen == Index) {
                Bytes = I + 1;
                break;
            }
        const int Chars = MultiByteToWideChar(CP_ACP, 0, Piece.data(), Bytes >= 0 ? Bytes : Got, nullptr, 0);
        if (Chars <= 0)
            break;
        From += Chars;
        if (Bytes >= 0)
            return From;
    }
    return From;
}

void TRichEdit::TrimLines()
{
    FAddedSinceTrim = 0;
    if (FMaxLines <= 0 || !FHandle)
        return;
    FlushLines();
    // Paragraph ends count once without CR LF and twice with: the difference is their number.
    GETTEXTLENGTHEX WithCrLf{GTL_NUMCHARS | GTL_PRECISE | GTL_USECRLF, 1200};
    GETTEXTLENGTHEX Plain{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LONG A = static_cast<LONG>(SendMessageW(FHandle, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&WithCrLf), 0));
    const LONG B = static_cast<LONG>(SendMessageW(FHandle, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&Plain), 0));
    const int32_t Lines = static_cast<int32_t>(A - B) + 1;
    if (B <= 0 || Lines <= FMaxLines)
        return;
    const LONG Cut = ParagraphStart(Lines - FMaxLines);
    if (Cut <= 0 || Cut > B)
        return;
    // The lines that stay, with the control's own paragraph ends (CR), which it reads back as such.
    std::vector<char> Buf(2 * static_cast<size_t>(B - Cut) + 2);
    TEXTRANGEA T{{Cut, B}, Buf.data()};
    const auto Got = static_cast<size_t>(SendMessageA(FHandle, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&T)));
    std::string Kept(Buf.data(), std::min(Got, Buf.size()));
    // Taking lines off the top of a long text costs the control (under Wine) time for every
    // line that stays, and emptying it as much; a new window given the kept text costs little.
    FKeptText = &Kept;
    TScopeExit Done([this] { FKeptText = nullptr; });
    RecreateWnd();
    CHARRANGE End{0x7FFFFFFF, 0x7FFFFFFF};
    SendMessageA(FHandle, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&End));
    SendMessageA(FHandle, EM_SCROLLCARET, 0, 0);
}

void TRichEdit::WndProc(TMessage& M)
{
    if (M.Msg == WM_QM_FLUSHLINES || (M.Msg == WM_TIMER && M.WParam == kFlushTimerId)) {
        if (M.Msg == WM_TIMER)
            KillTimer(FHandle, kFlushTimerId);
        FFlushPosted = false;
        FlushLines();
        if (FMaxLines > 0 && FAddedSinceTrim >= FMaxLines)
            TrimLines();
        M.Result = 0;
        return;
    }
    if (M.Msg == CN_COMMAND && HIWORD(M.WParam) == EN_CHANGE) {
        if (OnChange)
            OnChange(this);
        return;
    }
    TWinControl::WndProc(M);
}

void TRichEdit::SetReadOnly(bool Value)
{
    FReadOnly = Value;
    if (HandleAllocated())
        SendMessageA(FHandle, EM_SETREADONLY, Value ? TRUE : FALSE, 0);
}

void TRichEdit::SetScrollBars(TScrollStyle Value)
{
    if (FScrollBars == Value)
        return;
    FScrollBars = Value;
    RecreateWnd();
}

void TRichEdit::SetWordWrap(bool Value)
{
    FWordWrap = Value;
    if (HandleAllocated())
        SendMessageA(FHandle, EM_SETTARGETDEVICE, 0, Value ? 0 : 1);
}

void TRichEdit::SetHideSelection(bool Value)
{
    if (FHideSelection == Value)
        return;
    FHideSelection = Value;
    RecreateWnd();
}

int32_t TRichEdit::GetTextLength()
{
    FlushLines();
    GETTEXTLENGTHEX L{GTL_NUMCHARS | GTL_PRECISE | GTL_USECRLF, CP_ACP};
    return static_cast<int32_t>(SendMessageA(GetHandle(), EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&L), 0));
}

std::string TRichEdit::GetText() const
{
    if (FKeptText)
        return *FKeptText;
    if (!FHandle)
        return FText;
    FlushLines();
    GETTEXTLENGTHEX L{GTL_NUMBYTES | GTL_PRECISE | GTL_USECRLF, CP_ACP};
    const auto Len = static_cast<size_t>(SendMessageA(FHandle, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&L), 0));
    std::vector<char> Buf(Len + 2);
    GETTEXTEX G{};
    G.cb = static_cast<DWORD>(Buf.size());
    G.flags = GT_USECRLF;
    G.codepage = CP_ACP;
    const auto Got = static_cast<size_t>(SendMessageA(FHandle, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&G),
                                                      reinterpret_cast<LPARAM>(Buf.data())));
    return std::string(Buf.data(), std::min(Got, Len));
}

void TRichEdit::SetText(const std::string& Value)
{
    FPendingLines.clear(); // replaced like the rest of the text
    FText = Value;
    if (FHandle)
        SendMessageA(FHandle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Value.c_str()));
    // A limited pane's log is replaced as well (a cleared log pane starts a new log).
    if (FLog != INVALID_HANDLE_VALUE)
        StartLog(Value);
}

void TRichEdit::SaveToStream(TStream* Stream)
{
    FlushLines();
    if (FLog != INVALID_HANDLE_VALUE) {
        SaveLogToStream(Stream);
        return;
    }
    StreamControlOut(Stream);
}

void TRichEdit::StreamControlOut(TStream* Stream)
{
    FlushLines();
    TStreamCookie C{Stream, nullptr};
    EDITSTREAM E{};
    E.dwCookie = reinterpret_cast<DWORD_PTR>(&C);
    E.pfnCallback = StreamOut;
    SendMessageA(GetHandle(), EM_STREAMOUT, FPlainText ? SF_TEXT : SF_RTF, reinterpret_cast<LPARAM>(&E));
    if (C.Error)
        std::rethrow_exception(C.Error);
    if (E.dwError)
        throw EWriteError("Rich edit stream out failed");
}

void TRichEdit::SaveToFile(const std::string& FileName)
{
    TFileStream F(FileName, fmCreate);
    SaveToStream(&F);
}

void TRichEdit::LoadFromStream(TStream* Stream)
{
    StreamControlIn(Stream);
    // A limited pane's log starts again with what was loaded.
    if (FLog != INVALID_HANDLE_VALUE)
        StartLog(GetText());
}

void TRichEdit::StreamControlIn(TStream* Stream)
{
    FlushLines();
    TStreamCookie C{Stream, nullptr};
    EDITSTREAM E{};
    E.dwCookie = reinterpret_cast<DWORD_PTR>(&C);
    E.pfnCallback = StreamIn;
    SendMessageA(GetHandle(), EM_STREAMIN, FPlainText ? SF_TEXT : SF_RTF, reinterpret_cast<LPARAM>(&E));
    if (C.Error)
        std::rethrow_exception(C.Error);
    if (E.dwError)
        throw EReadError("Rich edit stream in failed");
}

void TRichEdit::LoadFromFile(const std::string& FileName)
{
    TFileStream F(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&F);
}
