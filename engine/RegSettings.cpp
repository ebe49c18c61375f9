#include "engine/RegSettings.h"

#include <array>
#include <utility>

#include "engine/EngineText.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Files.h"
#include "platform/win/Registry.h"

namespace {

constexpr int32_t kCsidlPersonal = 5;

constexpr const char* kDefaultMasks[] = {"gif, Saved", "jpg, Saved", "jpeg, Saved", "pcx, Saved", "tiff, Saved",
                                        "tif, Saved", "bmp, Saved", "png, Saved", "wmf, Saved"};

// Advertising and referral hosts, all reserved example names so nothing real is ever named.
constexpr const char* kDefaultExcludedHosts[] = {"www.adserver.example", "www.banners.example", "www.affiliates.example",
                                                "www.clickpay.example", "ads.example.com", "banners.example.net",
                                                "track.example.org", "referral.example.com"};

// The list keys in the order they are read and written.
std::array<std::pair<const char*, TStringList*>, 3> ListKeys(const TRegOptions& O)
{
    return {{{"Options\\FileMasks", O.GetFileMasks()},
             {"Options\\ExcludeFiles", O.GetExcludeFiles()},
             {"Options\\ExcludeWebsites", O.GetExcludeWebsites()}}};
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TRegWindow, TRegMenu, TRegScheme

void TRegWindow::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TRegWindow*>(Source);
    if (!S) {
        TPersistent::Assign(Source);
        return;
    }
    FLeft = S->FLeft;
    FTop = S->FTop;
    FWidth = S->FWidth;
    FHeight = S->FHeight;
    FState = S->FState;
    FShowMinPrompt = S->FShowMinPrompt;
}

void TRegMenu::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TRegMenu*>(Source);
    if (!S) {
        TPersistent::Assign(Source);
        return;
    }
    FFitImages = S->FFitImages;
    FImageSort = S->FImageSort;
    FShowAllFiles = S->FShowAllFiles;
    FShowStandardToolBar = S->FShowStandardToolBar;
    FShowStatePanel = S->FShowStatePanel;
}

void TRegScheme::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TRegScheme*>(Source);
    if (!S) {
        TPersistent::Assign(Source);
        return;
    }
    FSchemeCount = S->FSchemeCount;
    FSchemeType = S->FSchemeType;
    FStartDate = S->FStartDate;
    FStartTime = S->FStartTime;
}

std::string TRegScheme::UnitText(int32_t SchemeType)
{
    return ::UnitText(SchemeType);
}

std::string TRegScheme::UnitForChoice(std::string_view Choice)
{
    return ::UnitForChoice(Choice);
}

std::string TRegScheme::Description() const
{
    return SchemeDescription(FSchemeType, FSchemeCount, FStartDate, FStartTime);
}

// ---------------------------------------------------------------------------------------------
// TRegOptions

TRegOptions::TRegOptions()
    : FExcludeFiles(std::make_unique<TStringList>()), FExcludeWebsites(std::make_unique<TStringList>()),
      FFileMasks(std::make_unique<TStringList>()), FScheme(std::make_unique<TRegScheme>())
{
}

TRegOptions::~TRegOptions() = default;

void TRegOptions::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TRegOptions*>(Source);
    if (!S) {
        TPersistent::Assign(Source);
        return;
    }
    if (S == this)
        return;
    FAutoSaveLog = S->FAutoSaveLog;
    FAutoShutDown = S->FAutoShutDown;
    FCloseOption = S->FCloseOption;
    FDefaultFolder = S->FDefaultFolder;
    FDefaultLogFolder = S->FDefaultLogFolder;
    FDefaultTaskAdded = S->FDefaultTaskAdded;
    FEnableFileLimit = S->FEnableFileLimit;
    FExcludeFiles->Assign(S->FExcludeFiles.get());
    FExcludeWebsites->Assign(S->FExcludeWebsites.get());
    FFileMasks->Assign(S->FFileMasks.get());
    FFileMaxSize = S->FFileMaxSize;
    FFileMinSize = S->FFileMinSize;
    FLoginPassword = S->FLoginPassword;
    FUseLogin = S->FUseLogin;
    FLoginUser = S->FLoginUser;
    FProjectPath = S->FProjectPath;
    FProxyServerAddr = S->FProxyServerAddr;
    FProxyServerPort = S->FProxyServerPort;
    FSaveAsWebStructure = S->FSaveAsWebStructure;
    FScheme->Assign(S->FScheme.get());
    FSeekDeep = S->FSeekDeep;
    FTimeOut = S->FTimeOut;
    FUseProxyServer = S->FUseProxyServer;
}

int32_t TRegOptions::FindMask(std::string_view Extension) const
{
    const std::string Wanted = LowerCase(Trim(Extension));
    std::string Ext, Folder;
    for (int32_t I = 0; I < FFileMasks->GetCount(); ++I) {
        SplitMaskEntry(FFileMasks->GetStrings(I), Ext, Folder);
        if (LowerCase(Ext) == Wanted)
            return I;
    }
    return -1;
}

// ---------------------------------------------------------------------------------------------
// TRegSettings

TRegSettings::TRegSettings(const std::string& RootPath)
    : FRegistry(std::make_unique<TRegistry>()), FMenu(std::make_unique<TRegMenu>()),
      FOptions(std::make_unique<TRegOptions>()), FWindow(std::make_unique<TRegWindow>())
{
    std::string P = RootPath;
    while (!P.empty() && P.back() == '\\')
        P.pop_back();
    if (P.empty() || P.front() != '\\')
        P.insert(P.begin(), '\\');
    FRootPath = P;
    FRegistry->SetRootKey(HKEY_CURRENT_USER);
}

TRegSettings::~TRegSettings()
{
    FOptions.reset();
    FMenu.reset();
    FWindow.reset();
    FRegistry.reset();
}

void TRegSettings::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TRegSettings*>(Source);
    if (!S) {
        TPersistent::Assign(Source);
        return;
    }
    FWindow->Assign(S->FWindow.get());
    FMenu->Assign(S->FMenu.get());
    FOptions->Assign(S->FOptions.get());
}

std::string TRegSettings::KeyPath(std::string_view SubKey) const
{
    return FRootPath + "\\" + std::string(SubKey);
}

void TRegSettings::OpenKey(std::string_view SubKey)
{
    if (!FRegistry->OpenKey(KeyPath(SubKey), true))
        throw ERegistryException(Format("Failed to open key '%s'", KeyPath(SubKey)));
}

std::string TRegSettings::DefaultBase() const
{
    std::string Personal = SpecialFolderPath(kCsidlPersonal, true);
    // A system without a documents folder would otherwise put the tree at the drive's root.
    if (Personal.empty())
        Personal = ProgramFolder();
    return AddTrailingBackslash(Personal) + DefaultTreeName + "\\";
}

void TRegSettings::MakeDefaultFolders()
{
    const std::string Base = DefaultBase();
    ForceDirectories(Base);
    FOptions->SetDefaultFolder(Base + "Images\\Downloaded Files\\");
    FOptions->SetDefaultLogFolder(Base + "Images\\Logs\\");
    FOptions->SetProjectPath(Base + "Images\\Projects\\");
    // One level each; folders that exist stay as they are.
    CreateDir(Base + "Images");
    CreateDir(Base + "Images\\Downloaded Files");
    CreateDir(Base + "Images\\Logs");
    CreateDir(Base + "Images\\Projects");
}

void TRegSettings::Defaults()
{
    MakeDefaultFolders();
    for (const char* M : kDefaultMasks)
        FOptions->GetFileMasks()->Add(M);
    for (const char* H : kDefaultExcludedHosts)
        FOptions->GetExcludeWebsites()->Add(H);
}

void TRegSettings::Load()
{
    TRegistry& R = *FRegistry;
    TRegWindow& W = *FWindow;
    TRegMenu& M = *FMenu;
    TRegOptions& O = *FOptions;
    TRegScheme& S = *O.GetScheme();
    bool Failed = false;
    try {
        OpenKey("Window");
        W.SetLeft(R.ReadInteger("Left"));
        W.SetTop(R.ReadInteger("Top"));
        W.SetWidth(R.ReadInteger("Width"));
        W.SetHeight(R.ReadInteger("Height"));
        W.SetState(static_cast<uint8_t>(R.ReadInteger("State")));
        W.SetShowMinPrompt(R.ReadBool("ShowMinPrompt"));
        W.SetTipIndex(R.ReadInteger("TipIndex"));
        W.SetShowTip(R.ReadBool("ShowTip"));

        OpenKey("Menu");
        M.SetShowStandardToolBar(R.ReadBool("ShowStandardToolBar"));
        M.SetShowStatePanel(R.ReadBool("ShowStatePanel"));
        M.SetShowAllFiles(R.ReadBool("ShowAllFiles"));
        M.SetFitImages(R.ReadBool("FitImages"));
        M.SetImageSort(static_cast<uint8_t>(R.ReadInteger("ImageSort")));

        OpenKey("Options");
        O.SetDefaultFolder(AddTrailingBackslash(R.ReadString("DefaultFolder")));
        O.SetEnableFileLimit(R.ReadBool("EnableFileLimit"));
        O.SetFileMaxSize(R.ReadInteger("FileMaxSize"));
        O.SetFileMinSize(R.ReadInteger("FileMinSize"));
        O.SetSeekDeep(R.ReadInteger("SeekDeep"));
        O.SetAutoShutDown(R.ReadBool("AutoShutDown"));
        O.SetUseProxyServer(R.ReadBool("UseProxyServer"));
        O.SetProxyServerAddr(R.ReadString("ProxyServerAddr"));
        O.SetProxyServerPort(R.ReadInteger("ProxyServerPort"));
        O.SetDefaultLogFolder(AddTrailingBackslash(R.ReadString("DefaultLogFolder")));
        O.SetAutoSaveLog(R.ReadBool("AutoSaveLog"));
        O.SetProjectPath(AddTrailingBackslash(R.ReadString("ProjectPath")));
        O.SetDefaultTaskAdded(R.ReadBool("DefaultTaskAdded"));
        O.SetTimeOut(R.ReadInteger("TimeOut"));
        O.SetCloseOption(static_cast<uint8_t>(R.ReadInteger("CloseOption")));
        O.SetSaveAsWebStructure(R.ReadBool("SaveAsWebStructure"));

        if (!DirectoryExists(O.GetDefaultFolder()) || !DirectoryExists(O.GetDefaultLogFolder()) ||
            !DirectoryExists(O.GetProjectPath()))
            MakeDefaultFolders();

        for (const auto& [Key, List] : ListKeys(O)) {
            OpenKey(Key); // made when missing: a missing list is an empty one
            R.ReadNumberedList(KeyPath(Key), List);
        }

        OpenKey("Options\\Scheme");
        S.SetSchemeType(static_cast<uint8_t>(R.ReadInteger("SchemeType")));
        S.SetSchemeCount(R.ReadInteger("SchemeCount"));
        S.SetStartDate(R.ReadDate("SchemeStartDate"));
        S.SetStartTime(R.ReadTime("SchemeStartTime"));
    } catch (const Exception&) {
        Failed = true;
    }
    R.CloseKey();
    if (Failed) {
        Defaults();
        Save();
    }
}

void TRegSettings::Save()
{
    TRegistry& R = *FRegistry;
    const TRegWindow& W = *FWindow;
    const TRegMenu& M = *FMenu;
    const TRegOptions& O = *FOptions;
    const TRegScheme& S = *O.GetScheme();
    struct TCloser {
        TRegistry& R;
        ~TCloser() { R.CloseKey(); }
    } Closer{R};

    OpenKey("Window");
    R.WriteInteger("Left", W.GetLeft());
    R.WriteInteger("Top", W.GetTop());
    R.WriteInteger("Width", W.GetWidth());
    R.WriteInteger("Height", W.GetHeight());
    R.WriteInteger("State", W.GetState());
    R.WriteBool("ShowMinPrompt", W.GetShowMinPrompt());
    R.WriteInteger("TipIndex", W.GetTipIndex());
    R.WriteBool("ShowTip", W.GetShowTip());

    OpenKey("Menu");
    R.WriteBool("ShowStandardToolBar", M.GetShowStandardToolBar());
    R.WriteBool("ShowStatePanel", M.GetShowStatePanel());
    R.WriteBool("ShowAllFiles", M.GetShowAllFiles());
    R.WriteBool("FitImages", M.GetFitImages());
    R.WriteInteger("ImageSort", M.GetImageSort());

    OpenKey("Options");
    R.WriteString("DefaultFolder", O.GetDefaultFolder());
    R.WriteBool("EnableFileLimit", O.GetEnableFileLimit());
    R.WriteInteger("FileMaxSize", O.GetFileMaxSize());
    R.WriteInteger("FileMinSize", O.GetFileMinSize());
    R.WriteInteger("SeekDeep", O.GetSeekDeep());
    R.WriteBool("AutoShutDown", O.GetAutoShutDown());
    R.WriteBool("UseProxyServer", O.GetUseProxyServer());
    R.WriteString("ProxyServerAddr", O.GetProxyServerAddr());
    R.WriteInteger("ProxyServerPort", O.GetProxyServerPort());
    R.WriteString("DefaultLogFolder", O.GetDefaultLogFolder());
    R.WriteBool("AutoSaveLog", O.GetAutoSaveLog());
    R.WriteString("ProjectPath", O.GetProjectPath());
    R.WriteBool("DefaultTaskAdded", O.GetDefaultTaskAdded());
    R.WriteInteger("TimeOut", O.GetTimeOut());
    R.WriteInteger("CloseOption", O.GetCloseOption());
    R.WriteBool("SaveAsWebStructure", O.GetSaveAsWebStructure());
    R.CloseKey();

    // Each list key is made anew, so a list that became shorter leaves nothing behind.
    for (const auto& [Key, List] : ListKeys(O)) {
        R.DeleteKey(KeyPath(Key));
        R.WriteNumberedList(KeyPath(Key), List);
    }

    OpenKey("Options\\Scheme");
    R.WriteInteger("SchemeType", S.GetSchemeType());
    R.WriteInteger("SchemeCount", S.GetSchemeCount());
    R.WriteDate("SchemeStartDate", S.GetStartDate());
    R.WriteTime("SchemeStartTime", S.GetStartTime());
}
