#pragma once
// The question asked when a copied or moved picture meets a file of the same name in the target
// folder: both pictures side by side, and Override, Rename or Skip. It stands alone (the copy
// commands of the main window and the collect tool's copy thread both open it).

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"

class TImageScrollBox;

// The answers, in the order of the buttons.
enum : int32_t { oaOverride = 0, oaRename = 1, oaSkip = 2 };

// Shows FileName in one of two panes: a GIF's first frame (a copy of its bitmap) in GifImage with
// the scroll box hidden, any other picture in the scroll box with GifImage hidden. A file that
// cannot be read leaves both empty and raises nothing. False then.
bool ShowPictureFile(TImageScrollBox* ScrollBox, TImage* GifImage, const std::string& FileName);
// True when the name's extension, trimmed and in lower case, is ".gif".
bool IsGifFileName(const std::string& FileName);

// The lines a path is drawn in on DC (with its font selected) within Width pixels, at most
// MaxLines of them: a line ends after the last backslash that fits, or at the last character that
// fits when no backslash does. When the rest does not fit the last line, that line shows "..."
// and as much of the path's end as fits, starting at a backslash when one fits.
std::vector<std::string> PathLines(HDC DC, const std::string& Path, int32_t Width, int32_t MaxLines);

// A label showing a file path over as many lines as its height holds (PathLines), so a long path
// stays readable and never runs past the label. Ampersands show as they are.
class TPathLabel : public TLabel {
public:
    explicit TPathLabel(TComponent* AOwner);
    std::string ClassName() const override { return "TPathLabel"; }
    // The lines as they are drawn, and the height of one.
    std::vector<std::string> Lines();
    int32_t LineHeight();

protected:
    void Paint() override;
};

class TConfirmOverwriteForm : public TForm {
public:
    explicit TConfirmOverwriteForm(TComponent* AOwner);
    std::string ClassName() const override { return "TConfirmOverwriteForm"; }

    // Shows the target's name and both pictures.
    void SetFiles(const std::string& Source, const std::string& Dest);

    int32_t Action = oaRename;
    std::string SourceFileName;
    std::string DestFileName;

    TLabel* FileLabel = nullptr;
    TPathLabel* FileNameLabel = nullptr;
    TLabel* QuestionLabel = nullptr;
    TLabel* SourceLabel = nullptr;
    TLabel* DestLabel = nullptr;
    TImageScrollBox* SourceImageScrollBox = nullptr;
    TImage* SourceGifImage = nullptr;
    TImageScrollBox* DestImageScrollBox = nullptr;
    TImage* DestGifImage = nullptr;
    TButton* OverrideButton = nullptr;
    TButton* RenameButton = nullptr;
    TButton* SkipButton = nullptr;
    TCheckBox* NoPromptCheck = nullptr;
};
