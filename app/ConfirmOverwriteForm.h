#pragma once
// The question asked when a copied or moved picture meets a file of the same name in the target
// folder: both pictures side by side, and Override, Rename or Skip. It stands alone (the copy
// commands of the main window and the collect tool's copy thread both open it).

#include <cstdint>
#include <string>

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
    TLabel* FileNameLabel = nullptr;
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
