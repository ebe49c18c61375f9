#include "platform/win/Graphic.h"

#include <algorithm>
#include <mutex>

#include "platform/rtl/Paths.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Icon.h"
#include "platform/win/Metafile.h"

// ---------------------------------------------------------------------------------------------
// The registry

namespace {

struct TFileFormat {
    std::string Extension; // lower case, no dot
    std::string Description;
    TGraphicClass Class;
};

struct TClipFormat {
    UINT Format;
    TGraphicClass Class;
};

// Entries are kept in registration order; lookups search from the newest.
struct TRegistry {
    std::mutex Lock;
    bool BuiltIns = false;
    std::vector<TFileFormat> Files;
    std::vector<TClipFormat> Clips;
    std::vector<TGraphicClass> Classes;
};

TRegistry& Registry()
{
    static TRegistry R;
    return R;
}

std::string NormalExtension(const std::string& Extension)
{
    std::string E = Extension;
    if (!E.empty() && E[0] == '.')
        E.erase(0, 1);
    return LowerCase(E);
}

void AddClassLocked(TRegistry& R, const TGraphicClass& Class)
{
    for (auto& C : R.Classes)
        if (C.ClassName == Class.ClassName) {
            C = Class;
            return;
        }
    R.Classes.push_back(Class);
}

// The built-in formats are entered on the first use of the registry, under its lock.
void EnsureBuiltIns(TRegistry& R)
{
    if (R.BuiltIns)
        return;
    R.BuiltIns = true;
    const TGraphicClass Bitmap{"TBitmap", [] { return std::unique_ptr<TGraphic>(new TBitmap()); }};
    const TGraphicClass Icon{"TIcon", [] { return std::unique_ptr<TGraphic>(new TIcon()); }};
    const TGraphicClass Metafile{"TMetafile", [] { return std::unique_ptr<TGraphic>(new TMetafile()); }};
    R.Files.push_back({"bmp", "Bitmap files", Bitmap});
    R.Files.push_back({"ico", "Icon files", Icon});
    R.Files.push_back({"emf", "Enhanced metafiles", Metafile});
    R.Files.push_back({"wmf", "Windows metafiles", Metafile});
    R.Clips.push_back({CF_BITMAP, Bitmap});
    R.Clips.push_back({CF_DIB, Bitmap});
    R.Clips.push_back({CF_ENHMETAFILE, Metafile});
    AddClassLocked(R, Bitmap);
    AddClassLocked(R, Icon);
    AddClassLocked(R, Metafile);
}

TGraphicClass ClassFromFactory(const TGraphicFactory& Factory)
{
    if (!Factory)
        throw EInvalidGraphicOperation("No picture class given");
    std::unique_ptr<TGraphic> Sample = Factory();
    if (!Sample)
        throw EInvalidGraphicOperation("The picture class made no picture");
    return TGraphicClass{Sample->ClassName(), Factory};
}

} // namespace

void RegisterGraphicClass(const TGraphicClass& Class)
{
    if (!Class || Class.ClassName.empty())
        throw EInvalidGraphicOperation("No picture class given");
    TRegistry& R = Registry();
    std::lock_guard<std::mutex> G(R.Lock);
    EnsureBuiltIns(R);
    AddClassLocked(R, Class);
}

TGraphicClass FindGraphicClass(const std::string& ClassName)
{
    TRegistry& R = Registry();
    std::lock_guard<std::mutex> G(R.Lock);
    EnsureBuiltIns(R);
    for (auto& C : R.Classes)
        if (C.ClassName == ClassName)
            return C;
    return TGraphicClass{};
}

void TPicture::RegisterFileFormat(const std::string& Extension, const std::string& Description,
                                  const TGraphicClass& Class)
{
    const std::string Ext = NormalExtension(Extension);
    if (Ext.empty() || !Class || Class.ClassName.empty())
        throw EInvalidGraphicOperation("Invalid picture format registration");
    TRegistry& R = Registry();
    std::lock_guard<std::mutex> G(R.Lock);
    EnsureBuiltIns(R);
    R.Files.push_back({Ext, Description, Class});
    AddClassLocked(R, Class);
}

void TPicture::RegisterFileFormat(const std::string& Extension, const std::string& Description,
                                  const TGraphicFactory& Factory)
{
    RegisterFileFormat(Extension, Description, ClassFromFactory(Factory));
}

void TPicture::RegisterClipboardFormat(UINT Format, const TGraphicClass& Class)
{
    if (!Class || Class.ClassName.empty())
        throw EInvalidGraphicOperation("Invalid picture format registration");
    TRegistry& R = Registry();
    std::lock_guard<std::mutex> G(R.Lock);
    EnsureBuiltIns(R);
    R.Clips.push_back({Format, Class});
    AddClassLocked(R, Class);
}

void TPicture::RegisterClipboardFormat(UINT Format, const TGraphicFactory& Factory)
{
    RegisterClipboardFormat(Format, ClassFromFactory(Factory));
}

void TPicture::Unregister(const std::string& ClassName)
{
    TRegistry& R = Registry();
    std::lock_guard<std::mutex> G(R.Lock);
    EnsureBuiltIns(R);
    std::erase_if(R.Files, [&](const TFileFormat& F) { return F.Class.ClassName == ClassName; });
    std::erase_if(R.Clips, [&](const TClipFormat& F) { return F.Class.ClassName == ClassName; });
}

TGraphicClass TPicture::FindFileFormat(const std::string& Extension)
{
    const std::string Ext = NormalExtension(Extension);
    TRegistry& R = Registry();
    std::lock_guard<std::mutex> G(R.Lock);
    EnsureBuiltIns(R);
    for (auto It = R.Files.rbegin(); It != R.Files.rend(); ++It)
        if (It->Extension == Ext)
            return It->Class;
    return TGraphicClass{};
}

TGraphicClass TPicture::FindClipboardFormat(UINT Format)
{
    TRegistry& R = Registry();
    std::lock_guard<std::mutex> G(R.Lock);
    EnsureBuiltIns(R);
    for (auto It = R.Clips.rbegin(); It != R.Clips.rend(); ++It)
        if (It->Format == Format)
            return It->Class;
    return TGraphicClass{};
}

bool TPicture::SupportsClipboardFormat(UINT Format) { return static_cast<bool>(FindClipboardFormat(Format)); }

std::string TPicture::DialogFilter()
{
    TRegistry& R = Registry();
    std::vector<TFileFormat> Winners;
    {
        std::lock_guard<std::mutex> G(R.Lock);
        EnsureBuiltIns(R);
        // An extension is listed once, at its first place, with the description of its winner.
        for (size_t I = 0; I < R.Files.size(); ++I) {
            const std::string& Ext = R.Files[I].Extension;
            if (std::any_of(Winners.begin(), Winners.end(), [&](const TFileFormat& W) { return W.Extension == Ext; }))
                continue;
            size_t Last = I;
            for (size_t J = I + 1; J < R.Files.size(); ++J)
                if (R.Files[J].Extension == Ext)
                    Last = J;
            Winners.push_back(R.Files[Last]);
        }
    }
    std::string All;
    std::string Each;
    for (const auto& W : Winners) {
        const std::string Mask = "*." + W.Extension;
        if (!All.empty())
            All += ";";
        All += Mask;
        Each += "|" + W.Description + " (" + Mask + ")|" + Mask;
    }
    return "All pictures (" + All + ")|" + All + Each;
}

// ---------------------------------------------------------------------------------------------
// TPicture

TPicture::~TPicture() = default;

void TPicture::Attach(std::unique_ptr<TGraphic> Value)
{
    if (Value) {
        Value->OnChange = [this](TObject* Sender) { Changed(Sender); };
        Value->OnProgress = [this](TObject* Sender, TProgressStage Stage, uint8_t Percent, bool RedrawNow,
                                   const TRect& R, const std::string& Msg) {
            if (OnProgress)
                OnProgress(Sender, Stage, Percent, RedrawNow, R, Msg);
        };
    }
    FGraphic = std::move(Value);
    Changed(this);
}

void TPicture::SetGraphic(TGraphic* Value)
{
    if (Value == FGraphic.get())
        return;
    if (!Value) {
        Attach(nullptr);
        return;
    }
    TGraphicClass Class = FindGraphicClass(Value->ClassName());
    if (!Class)
        throw EInvalidGraphic(Format("Unknown picture class %s", Value->ClassName()));
    std::unique_ptr<TGraphic> Copy = Class.Create();
    Copy->Assign(Value);
    Attach(std::move(Copy));
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> Value) { Attach(std::move(Value)); }

template <class T>
T* TPicture::ForceType()
{
    if (auto* G = dynamic_cast<T*>(FGraphic.get()))
        return G;
    Attach(std::unique_ptr<TGraphic>(new T()));
    return static_cast<T*>(FGraphic.get());
}

TBitmap* TPicture::GetBitmap() { return ForceType<TBitmap>(); }
void TPicture::SetBitmap(TBitmap* Value) { SetGraphic(Value); }
TIcon* TPicture::GetIcon() { return ForceType<TIcon>(); }
void TPicture::SetIcon(TIcon* Value) { SetGraphic(Value); }
TMetafile* TPicture::GetMetafile() { return ForceType<TMetafile>(); }
void TPicture::SetMetafile(TMetafile* Value) { SetGraphic(Value); }

int32_t TPicture::GetWidth() const { return FGraphic ? FGraphic->GetWidth() : 0; }
int32_t TPicture::GetHeight() const { return FGraphic ? FGraphic->GetHeight() : 0; }

void TPicture::LoadFromFile(const std::string& FileName)
{
    const std::string Ext = ExtractFileExt(FileName);
    TGraphicClass Class = FindFileFormat(Ext);
    if (!Class)
        throw EInvalidGraphic(Format("Unsupported picture file extension '%s'", Ext));
    std::unique_ptr<TGraphic> New = Class.Create();
    New->OnProgress = [this](TObject* Sender, TProgressStage Stage, uint8_t Percent, bool RedrawNow, const TRect& R,
                             const std::string& Msg) {
        if (OnProgress)
            OnProgress(Sender, Stage, Percent, RedrawNow, R, Msg);
    };
    New->LoadFromFile(FileName);
    Attach(std::move(New));
}

void TPicture::SaveToFile(const std::string& FileName)
{
    if (!FGraphic)
        throw EInvalidGraphic("The picture is empty");
    FGraphic->SaveToFile(FileName);
}

void TPicture::LoadFromClipboardFormat(UINT Format, HANDLE Data, HPALETTE Palette)
{
    TGraphicClass Class = FindClipboardFormat(Format);
    if (!Class)
        throw EInvalidGraphic(::Format("Unsupported clipboard format %d", static_cast<int32_t>(Format)));
    std::unique_ptr<TGraphic> New = Class.Create();
    New->LoadFromClipboardFormat(Format, Data, Palette);
    Attach(std::move(New));
}

void TPicture::SaveToClipboardFormat(UINT& Format, HANDLE& Data, HPALETTE& Palette)
{
    if (!FGraphic)
        throw EInvalidGraphic("The picture is empty");
    FGraphic->SaveToClipboardFormat(Format, Data, Palette);
}

void TPicture::Assign(TPersistent* Source)
{
    if (!Source) {
        SetGraphic(static_cast<TGraphic*>(nullptr));
    } else if (auto* P = dynamic_cast<TPicture*>(Source)) {
        if (P != this)
            SetGraphic(P->GetGraphic());
    } else if (auto* G = dynamic_cast<TGraphic*>(Source)) {
        SetGraphic(G);
    } else {
        TPersistent::Assign(Source);
    }
}

void TPicture::AssignTo(TPersistent* Dest)
{
    if (auto* G = dynamic_cast<TGraphic*>(Dest); G && FGraphic) {
        G->Assign(FGraphic.get());
        return;
    }
    TPersistent::AssignTo(Dest);
}

void TPicture::Changed(TObject*)
{
    if (OnChange)
        OnChange(this);
}
