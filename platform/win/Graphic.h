#pragma once
// Pictures: the abstract TGraphic, the TPicture container and the picture registry.
//
// Offers:
// - TGraphic: Draw(canvas, rect), Width/Height, Empty, Palette, Transparent, Modified, stream,
//   file and clipboard loading and saving, Changed -> OnChange, OnProgress.
// - TGraphicClass: a class name with its factory (the "virtual constructor"); GraphicClassOf<T>()
//   makes one for a class with a default constructor.
// - The registry, locked so worker threads may look classes up while formats register:
//   TPicture::RegisterFileFormat / RegisterClipboardFormat / Unregister / DialogFilter /
//   SupportsClipboardFormat / FindFileFormat. A later registration of an extension or a
//   clipboard format wins; unregistering it brings the earlier one back. Built in: TBitmap
//   "bmp", TIcon "ico", TMetafile "emf" and "wmf"; TBitmap for CF_BITMAP and CF_DIB, TMetafile
//   for CF_ENHMETAFILE.
// - TPicture: owns one graphic; Bitmap/Icon/Metafile replace it by an empty one of that class
//   when it is something else; LoadFromFile by extension, SaveToFile, Assign.
//
// TGraphic is portable: host builds of the picture model (sanitizers, fuzzing) compile it with
// the stand-ins of HostTypes.h; the rest is implemented for Windows only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/rtl/Classes.h"
#include "platform/rtl/FileStream.h"
#include "platform/rtl/Stream.h"
#ifdef _WIN32
#include "platform/win/Graphics.h"
#else
#include "platform/win/HostTypes.h"
class TCanvas;
#endif

class TBitmap;
class TIcon;
class TMetafile;

enum TProgressStage { psStarting, psRunning, psEnding };
using TProgressEvent = std::function<void(TObject* Sender, TProgressStage Stage, uint8_t PercentDone,
                                          bool RedrawNow, const TRect& R, const std::string& Msg)>;

class TGraphic : public TPersistent {
public:
    TGraphic() = default;
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;
    std::string ClassName() const override { return "TGraphic"; }

    // Draws the whole picture stretched into Rect of Canvas.
    virtual void Draw(TCanvas* Canvas, const TRect& Rect) = 0;

    virtual int32_t GetWidth() const = 0;
    virtual void SetWidth(int32_t Value) = 0;
    virtual int32_t GetHeight() const = 0;
    virtual void SetHeight(int32_t Value) = 0;
    virtual bool GetEmpty() const = 0;
    virtual HPALETTE GetPalette() { return nullptr; }
    virtual void SetPalette(HPALETTE) {}
    virtual bool GetTransparent() const { return FTransparent; }
    virtual void SetTransparent(bool Value)
    {
        if (Value == FTransparent)
            return;
        FTransparent = Value;
        Changed(this);
    }
    bool GetModified() const { return FModified; }
    // True runs Changed; false only clears the flag.
    void SetModified(bool Value)
    {
        if (Value)
            Changed(this);
        else
            FModified = false;
    }

    virtual void LoadFromStream(TStream* Stream) = 0;
    virtual void SaveToStream(TStream* Stream) = 0;
    // Through TFileStream (read with others allowed to read; write creates or truncates).
    virtual void LoadFromFile(const std::string& FileName)
    {
        TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
        LoadFromStream(&Stream);
    }
    virtual void SaveToFile(const std::string& FileName)
    {
        TFileStream Stream(FileName, fmCreate);
        SaveToStream(&Stream);
    }
    // Data and Palette stay the caller's (the clipboard's) when loading; when saving, the
    // handles made are the receiver's.
    virtual void LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette) = 0;
    virtual void SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette) = 0;

    // Sets Modified and calls OnChange (with this graphic as the sender).
    virtual void Changed(TObject* /*Sender*/)
    {
        FModified = true;
        if (OnChange)
            OnChange(this);
    }

    TNotifyEvent OnChange;
    TProgressEvent OnProgress;

protected:
    void Progress(TObject* Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow,
                  const TRect& R, const std::string& Msg)
    {
        if (OnProgress)
            OnProgress(Sender, Stage, PercentDone, RedrawNow, R, Msg);
    }

private:
    bool FTransparent = false;
    bool FModified = false;
};

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

// A picture class: its name (as ClassName() gives it) and how to make one.
struct TGraphicClass {
    std::string ClassName;
    TGraphicFactory Create;
    explicit operator bool() const { return static_cast<bool>(Create); }
};

template <class T>
TGraphicClass GraphicClassOf()
{
    return TGraphicClass{T().ClassName(), [] { return std::unique_ptr<TGraphic>(new T()); }};
}

// Classes known by name, so that a picture can copy a graphic of any class (TPicture's
// SetGraphic). Registering a file or clipboard format also registers its class here.
void RegisterGraphicClass(const TGraphicClass& Class);
TGraphicClass FindGraphicClass(const std::string& ClassName);

class TPicture : public TPersistent {
public:
    TPicture() = default;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;
    ~TPicture() override;
    std::string ClassName() const override { return "TPicture"; }

    // nullptr when empty.
    TGraphic* GetGraphic() const { return FGraphic.get(); }
    // A copy of Value (a new graphic of its class, assigned from it); nullptr empties. A class
    // unknown to the registry raises EInvalidGraphic "Unknown picture class %s".
    void SetGraphic(TGraphic* Value);
    // Takes Value over.
    void SetGraphic(std::unique_ptr<TGraphic> Value);

    // The graphic as that class, replacing another class by a new empty one.
    TBitmap* GetBitmap();
    void SetBitmap(TBitmap* Value);
    TIcon* GetIcon();
    void SetIcon(TIcon* Value);
    TMetafile* GetMetafile();
    void SetMetafile(TMetafile* Value);

    int32_t GetWidth() const;
    int32_t GetHeight() const;

    // The class registered for the file's extension (any case) loads it; on failure the old
    // graphic stays. An unknown extension raises EInvalidGraphic
    // "Unsupported picture file extension '%s'" with the extension as written, dot included.
    void LoadFromFile(const std::string& FileName);
    // Nothing to save raises EInvalidGraphic "The picture is empty".
    void SaveToFile(const std::string& FileName);
    // Unknown formats raise EInvalidGraphic "Unsupported clipboard format %d".
    void LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette);
    void SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette);

    // From nullptr (empties), a TPicture, a TGraphic, or any source that can assign itself to a
    // picture (the clipboard).
    void Assign(TPersistent* Source) override;
    void AssignTo(TPersistent* Dest) override;

    // Registry ----------------------------------------------------------------------------
    // Extension without or with a leading dot, any case.
    static void RegisterFileFormat(const std::string& Extension, const std::string& Description,
                                   const TGraphicClass& Class);
    // Names the class by making one instance.
    static void RegisterFileFormat(const std::string& Extension, const std::string& Description,
                                   const TGraphicFactory& Factory);
    static void RegisterClipboardFormat(UINT Format, const TGraphicClass& Class);
    static void RegisterClipboardFormat(UINT Format, const TGraphicFactory& Factory);
    // Removes every file and clipboard format of the class.
    static void Unregister(const std::string& ClassName);
    // The class of an extension (with or without dot, any case); empty when none.
    static TGraphicClass FindFileFormat(const std::string& Extension);
    static TGraphicClass FindClipboardFormat(UINT Format);
    static bool SupportsClipboardFormat(UINT Format);
    // "All pictures (*.bmp;*.ico)|*.bmp;*.ico|Bitmap files (*.bmp)|*.bmp|Icon files (*.ico)|*.ico"
    // in registration order, each extension once (under the class that wins it).
    static std::string DialogFilter();

    TNotifyEvent OnChange;
    TProgressEvent OnProgress;

protected:
    virtual void Changed(TObject* Sender);

private:
    void Attach(std::unique_ptr<TGraphic> Value); // hooks the events, takes over, Changed
    template <class T>
    T* ForceType();

    std::unique_ptr<TGraphic> FGraphic;
};
