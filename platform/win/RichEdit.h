#pragma once
// TRichEdit over riched20.dll ("RichEdit20A"; the library is loaded once and kept).
//
// The text limit is raised to the maximum when the window is made: the 32 K default would make
// a log pane silently stop taking lines. Lines.Add appends at the end without moving the
// caret's view. Saving writes RTF, or plain text when PlainText is set.
//
// Lines added one after another reach the control together: Lines.Add keeps the line and posts
// the control one message that appends everything kept so far in one replacement, which costs
// about as much as appending one line. Every reading or replacing operation of this class
// appends the kept lines first, so it always sees them in the order they were added.
//
// A log pane may hold only its last lines (MaxLines): the control costs far more memory per line
// than the line's text (under Wine several kilobytes for a line of mixed letters, digits and
// punctuation), and a long crawl writes hundreds of thousands of lines. Once as many lines as the
// limit have been appended since the last trim, the oldest lines beyond the limit go in one step:
// the control holds between MaxLines and about twice as many. The lines that leave the control
// are not lost: a limited pane writes every line it is given to a temporary file of its own as
// well, and saving (SaveToStream, SaveToFile) writes that whole log, not only the lines shown.

#include <cstdint>
#include <string>

#include <windows.h>

#include "platform/rtl/Stream.h"
#include "platform/win/Controls.h"
#include "platform/win/StdCtrls.h" // TScrollStyle

class TRichEdit;

// The lines of a rich edit (paragraphs, separated by line ends).
class TRichEditLines {
public:
    // Appends S as a new last line (see above: it reaches the window with the next message
    // the control handles, or before any operation of this class that reads the text).
    void Add(const std::string& S);
    void Clear();
    int32_t GetCount() const;
    std::string GetStrings(int32_t Index) const;
    std::string GetText() const; // lines joined by CR LF
    void SetText(const std::string& Value);

private:
    friend class TRichEdit;
    explicit TRichEditLines(TRichEdit* AOwner) : FOwner(AOwner) {}
    TRichEdit* FOwner = nullptr;
};

class TRichEdit : public TWinControl {
public:
    explicit TRichEdit(TComponent* AOwner);
    ~TRichEdit() override;
    std::string ClassName() const override { return "TRichEdit"; }

    TRichEditLines* GetLines() { return &FLines; }
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    TScrollStyle GetScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    bool GetWordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool GetHideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    bool GetPlainText() const { return FPlainText; }
    void SetPlainText(bool Value) { FPlainText = Value; }
    // 0 (the default) keeps every line; otherwise appended lines push the oldest out (above).
    // Setting a limit starts the pane's whole log with the text it holds; setting 0 again ends
    // the log, and saving then writes what the control holds.
    int32_t GetMaxLines() const { return FMaxLines; }
    void SetMaxLines(int32_t Value);
    // Characters in the control, line ends counted as CR LF.
    int32_t GetTextLength();
    std::string GetText() const override;
    void SetText(const std::string& Value) override;

    // A limited pane writes its whole log (above); otherwise the control's content.
    void SaveToStream(TStream* Stream);
    void SaveToFile(const std::string& FileName);
    // Loading replaces the text; a limited pane's log starts again with it.
    void LoadFromStream(TStream* Stream);
    void LoadFromFile(const std::string& FileName);

    TNotifyEvent OnChange;
    // A multi-line editor keeps Enter and the arrows for itself.
    bool WantsKey(uint16_t Key) const override
    {
        return Key == VK_RETURN || Key == VK_UP || Key == VK_DOWN || Key == VK_LEFT || Key == VK_RIGHT;
    }

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void SaveWindowState() override;
    void WndProc(TMessage& Message) override;

private:
    friend class TRichEditLines;
    // Appends the lines Lines.Add kept, in one replacement at the end of the text.
    void FlushLines() const;
    // Removes the lines beyond MaxLines from the top: the window is made afresh with the lines
    // that stay (as plain text, as a log pane holds them).
    void TrimLines();
    // The character position where paragraph Index (from 0) starts; the text's end when there
    // are fewer.
    LONG ParagraphStart(int32_t Index) const;
    // The control's own content, whatever the log holds.
    void StreamControlOut(TStream* Stream);
    void StreamControlIn(TStream* Stream);
    // The whole log of a limited pane: a temporary file, deleted when closed.
    void StartLog(const std::string& Text);
    void EndLog();
    void AppendToLog(const char* Data, size_t Size) const;
    void SaveLogToStream(TStream* Stream);
    TRichEditLines FLines{this};
    bool FReadOnly = false;
    TScrollStyle FScrollBars = ssNone;
    bool FWordWrap = true;
    bool FHideSelection = true;
    bool FPlainText = false;
    std::string FSavedRtf; // the content across a re-creation
    // Lines added and not yet in the window, each preceded by CR LF; posted: a flush message
    // is on its way.
    mutable std::string FPendingLines;
    mutable bool FFlushPosted = false;
    // When the lines were last put in the window: a busy log gathers its lines for a moment
    // instead of appending each on its own (every append costs the control a layout).
    mutable DWORD FLastFlush = 0;
    int32_t FMaxLines = 0;
    mutable int32_t FAddedSinceTrim = 0; // lines appended since the last trim
    const std::string* FKeptText = nullptr; // the text a trim's new window gets
    HANDLE FLog = INVALID_HANDLE_VALUE;      // the whole log while MaxLines is set
    mutable bool FLogEmpty = true;           // its first line has no line end before it
};
