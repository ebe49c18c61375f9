// The settings in the registry, under a scoped test key, with the default folder tree inside
// the test's own Wine prefix.
#include "engine/RegSettings.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include <shlobj.h>

#include "engine/EngineText.h"
#include "platform/rtl/DateUtils.h"
#include "platform/win/Files.h"
#include "platform/win/Registry.h"
#include "tests/support/TestSupport.h"

namespace {

const char* const DefaultMasks[] = {"gif, Saved", "jpg, Saved", "jpeg, Saved", "pcx, Saved", "tiff, Saved",
                                    "tif, Saved", "bmp, Saved", "png, Saved", "wmf, Saved"};
const char* const DefaultHosts[] = {"www.adserver.example", "www.banners.example", "www.affiliates.example",
                                    "www.clickpay.example", "ads.example.com",     "banners.example.net",
                                    "track.example.org",    "referral.example.com"};

// ---------------------------------------------------------------------------------------------
// The personal documents folder must be a plain folder inside the prefix: a new Wine prefix links
// it to $HOME, and the first run writes its folder tree there.

// Where a folder really is, links followed ("\\?\C:\..." or "\\?\Z:\..." under Wine).
std::string FinalPath(const std::string& Path)
{
    HANDLE H = CreateFileA(Path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (H == INVALID_HANDLE_VALUE)
        return std::string();
    char Buffer[MAX_PATH * 2] = {};
    const DWORD N = GetFinalPathNameByHandleA(H, Buffer, sizeof(Buffer), 0);
    CloseHandle(H);
    return N > 0 && N < sizeof(Buffer) ? std::string(Buffer, N) : std::string();
}

bool IsPlainFolder(const std::string& Path)
{
    const DWORD A = GetFileAttributesA(Path.c_str());
    return A != INVALID_FILE_ATTRIBUTES && (A & FILE_ATTRIBUTE_DIRECTORY) && !(A & FILE_ATTRIBUTE_REPARSE_POINT);
}

// On the prefix's drive C:, not through a link leading out of it.
bool InsidePrefix(const std::string& Path)
{
    const std::string F = FinalPath(Path);
    return IsPlainFolder(Path) && F.size() > 7 && SameText(F.substr(0, 7), "\\\\?\\C:\\");
}

std::string UnixName(const std::string& Path)
{
    using TWineUnixName = char*(CDECL*)(LPCWSTR);
    auto Fn = reinterpret_cast<TWineUnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    if (!Fn)
        return std::string();
    WCHAR Wide[MAX_PATH] = {};
    if (!MultiByteToWideChar(CP_ACP, 0, Path.c_str(), -1, Wide, MAX_PATH))
        return std::string();
    char* Unix = Fn(Wide);
    if (!Unix)
        return std::string();
    std::string Result = Unix;
    HeapFree(GetProcessHeap(), 0, Unix);
    return Result;
}

// Replaces the link itself (never its target) with an empty plain folder. Windows calls cannot
// do it: they act on the target (a rename moves the target folder). So a shell removes the link;
// Wine starts Unix programs without a process handle, so the result is awaited on the folder.
bool ReplaceLinkWithFolder(const std::string& Path, std::string& Error)
{
    const std::string Unix = UnixName(Path);
    std::string WinePrefix(1024, '\0');
    WinePrefix.resize(GetEnvironmentVariableA("WINEPREFIX", WinePrefix.data(), 1024));
    if (Unix.empty() || WinePrefix.empty() || Unix.compare(0, WinePrefix.size(), WinePrefix) != 0 ||
        Unix.find_first_of("'\"") != std::string::npos) {
        Error = "the link '" + Unix + "' is not a plain name inside WINEPREFIX '" + WinePrefix + "'";
        return false;
    }
    const std::string Q = "'" + Unix + "'";
    std::string Command = "/bin/sh -c \"if [ -L " + Q + " ]; then rm -- " + Q + " && mkdir -- " + Q + "; fi\"";
    STARTUPINFOA Si = {};
    Si.cb = sizeof(Si);
    PROCESS_INFORMATION Pi = {};
    if (!CreateProcessA("Z:\\bin\\sh", Command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Si, &Pi)) {
        Error = "cannot start /bin/sh to replace the link " + Unix;
        return false;
    }
    if (Pi.hProcess) {
        WaitForSingleObject(Pi.hProcess, 10000);
        CloseHandle(Pi.hProcess);
        CloseHandle(Pi.hThread);
    }
    for (int I = 0; I < 200 && !IsPlainFolder(Path); ++I)
        Sleep(50);
    if (!IsPlainFolder(Path)) {
        Error = "the link " + Unix + " was not replaced by a folder";
        return false;
    }
    return true;
}

// The personal folder, made a plain folder inside the prefix when it was a link out of it; empty
// (with Error) when that cannot be made sure.
std::string PreparePersonalFolder(std::string& Error)
{
    if (UnixName("C:\\").empty()) {
        Error = "these tests run only under Wine: they would write into the real Documents folder";
        return std::string();
    }
    char Buffer[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathA(nullptr, Buffer, 5, FALSE)) {
        Error = "the shell names no personal folder";
        return std::string();
    }
    const std::string Personal = Buffer;
    const DWORD A = GetFileAttributesA(Personal.c_str());
    if (A == INVALID_FILE_ATTRIBUTES) {
        CreateDirectoryA(Personal.c_str(), nullptr);
    } else if ((A & FILE_ATTRIBUTE_REPARSE_POINT) && !InsidePrefix(Personal)) {
        if (!ReplaceLinkWithFolder(Personal, Error))
            return std::string();
    }
    if (!InsidePrefix(Personal)) {
        Error = "the personal folder " + Personal + " leads to " + FinalPath(Personal) + ", outside the Wine prefix";
        return std::string();
    }
    return AddTrailingBackslash(Personal);
}

// ---------------------------------------------------------------------------------------------
// Registry helpers

std::vector<std::string> ValueNames(const std::string& Key)
{
    TRegistry R;
    std::vector<std::string> Names;
    if (!R.OpenKeyReadOnly(Key))
        return Names;
    TStringList L;
    R.GetValueNames(&L);
    for (int32_t I = 0; I < L.GetCount(); ++I)
        Names.push_back(L.GetStrings(I));
    std::sort(Names.begin(), Names.end());
    return Names;
}

std::vector<std::string> NumberedList(const std::string& Key)
{
    TRegistry R;
    TStringList L;
    R.ReadNumberedList(Key, &L);
    std::vector<std::string> V;
    for (int32_t I = 0; I < L.GetCount(); ++I)
        V.push_back(L.GetStrings(I));
    return V;
}

std::vector<std::string> Items(const TStrings* L)
{
    std::vector<std::string> V;
    for (int32_t I = 0; I < L->GetCount(); ++I)
        V.push_back(L->GetStrings(I));
    return V;
}

template <size_t N>
std::vector<std::string> Items(const char* const (&A)[N])
{
    return std::vector<std::string>(A, A + N);
}

std::vector<std::string> Concat(std::vector<std::string> A, const std::vector<std::string>& B)
{
    A.insert(A.end(), B.begin(), B.end());
    return A;
}

void ExpectSameWindow(const TRegWindow& A, const TRegWindow& B)
{
    EXPECT_EQ(A.GetHeight(), B.GetHeight());
    EXPECT_EQ(A.GetLeft(), B.GetLeft());
    EXPECT_EQ(A.GetShowMinPrompt(), B.GetShowMinPrompt());
    EXPECT_EQ(A.GetShowTip(), B.GetShowTip());
    EXPECT_EQ(A.GetState(), B.GetState());
    EXPECT_EQ(A.GetTipIndex(), B.GetTipIndex());
    EXPECT_EQ(A.GetTop(), B.GetTop());
    EXPECT_EQ(A.GetWidth(), B.GetWidth());
}

void ExpectSameMenu(const TRegMenu& A, const TRegMenu& B)
{
    EXPECT_EQ(A.GetFitImages(), B.GetFitImages());
    EXPECT_EQ(A.GetImageSort(), B.GetImageSort());
    EXPECT_EQ(A.GetShowAllFiles(), B.GetShowAllFiles());
    EXPECT_EQ(A.GetShowStandardToolBar(), B.GetShowStandardToolBar());
    EXPECT_EQ(A.GetShowStatePanel(), B.GetShowStatePanel());
}

void ExpectSameScheme(const TRegScheme& A, const TRegScheme& B)
{
    EXPECT_EQ(A.GetSchemeCount(), B.GetSchemeCount());
    EXPECT_EQ(A.GetSchemeType(), B.GetSchemeType());
    // Bit for bit: the values travel as raw 8-byte doubles.
    const double AD = A.GetStartDate(), BD = B.GetStartDate(), AT = A.GetStartTime(), BT = B.GetStartTime();
    EXPECT_EQ(std::memcmp(&AD, &BD, sizeof(double)), 0) << AD << " " << BD;
    EXPECT_EQ(std::memcmp(&AT, &BT, sizeof(double)), 0) << AT << " " << BT;
}

// The stored options; WithLogin also compares the fields that are never stored.
void ExpectSameOptions(const TRegOptions& A, const TRegOptions& B, bool WithLogin)
{
    EXPECT_EQ(A.GetAutoSaveLog(), B.GetAutoSaveLog());
    EXPECT_EQ(A.GetAutoShutDown(), B.GetAutoShutDown());
    EXPECT_EQ(A.GetCloseOption(), B.GetCloseOption());
    EXPECT_EQ(A.GetDefaultFolder(), B.GetDefaultFolder());
    EXPECT_EQ(A.GetDefaultLogFolder(), B.GetDefaultLogFolder());
    EXPECT_EQ(A.GetDefaultTaskAdded(), B.GetDefaultTaskAdded());
    EXPECT_EQ(A.GetEnableFileLimit(), B.GetEnableFileLimit());
    EXPECT_EQ(Items(A.GetExcludeFiles()), Items(B.GetExcludeFiles()));
    EXPECT_EQ(Items(A.GetExcludeWebsites()), Items(B.GetExcludeWebsites()));
    EXPECT_EQ(Items(A.GetFileMasks()), Items(B.GetFileMasks()));
    EXPECT_EQ(A.GetFileMaxSize(), B.GetFileMaxSize());
    EXPECT_EQ(A.GetFileMinSize(), B.GetFileMinSize());
    if (WithLogin) {
        EXPECT_EQ(A.GetLoginPassword(), B.GetLoginPassword());
        EXPECT_EQ(A.GetUseLogin(), B.GetUseLogin());
        EXPECT_EQ(A.GetLoginUser(), B.GetLoginUser());
    }
    EXPECT_EQ(A.GetProjectPath(), B.GetProjectPath());
    EXPECT_EQ(A.GetProxyServerAddr(), B.GetProxyServerAddr());
    EXPECT_EQ(A.GetProxyServerPort(), B.GetProxyServerPort());
    EXPECT_EQ(A.GetSaveAsWebStructure(), B.GetSaveAsWebStructure());
    ExpectSameScheme(*A.GetScheme(), *B.GetScheme());
    EXPECT_EQ(A.GetSeekDeep(), B.GetSeekDeep());
    EXPECT_EQ(A.GetTimeOut(), B.GetTimeOut());
    EXPECT_EQ(A.GetUseProxyServer(), B.GetUseProxyServer());
}

// Every option at a value other than its creation value.
void FillOptions(TRegOptions& O, const std::string& Folder)
{
    O.SetAutoSaveLog(false);
    O.SetAutoShutDown(true);
    O.SetCloseOption(1);
    O.SetDefaultFolder(Folder + "dl\\");
    O.SetDefaultLogFolder(Folder + "log\\");
    O.SetDefaultTaskAdded(true);
    O.SetEnableFileLimit(false);
    O.GetExcludeFiles()->Clear(); // the empty list also survives
    O.GetExcludeWebsites()->Clear();
    O.GetExcludeWebsites()->Add("ads.example.net");
    O.GetExcludeWebsites()->Add("Tracker.Example.ORG");
    O.GetFileMasks()->Clear();
    O.GetFileMasks()->Add("jpg, Pictures");
    O.GetFileMasks()->Add("png , Other Folder");
    O.GetFileMasks()->Add("");
    O.SetFileMaxSize(123456);
    O.SetFileMinSize(-7);
    O.SetLoginPassword("secret");
    O.SetUseLogin(true);
    O.SetLoginUser("user");
    O.SetProjectPath(Folder + "prj\\");
    O.SetProxyServerAddr("127.0.0.1");
    O.SetProxyServerPort(3128);
    O.SetSaveAsWebStructure(false);
    O.GetScheme()->SetSchemeType(3);
    O.GetScheme()->SetSchemeCount(17);
    O.GetScheme()->SetStartDate(45000.0 + 1.0 / 3.0);
    O.GetScheme()->SetStartTime(0.7654321);
    O.SetSeekDeep(0);
    O.SetTimeOut(7);
    O.SetUseProxyServer(true);
}

class RegSettingsTest : public testing::Test {
protected:
    static void SetUpTestSuite() { FPersonal = PreparePersonalFolder(FError); }

    void SetUp() override
    {
        ASSERT_FALSE(FPersonal.empty()) << FError;
        // Below the scoped key, so the settings root itself starts absent.
        Root = Key.Path() + "\\Settings";
    }

    std::string Base() const { return FPersonal + "Zirovudi dira Riv\\"; }
    std::string Downloads() const { return Base() + "Images\\Downloaded Files\\"; }
    std::string Logs() const { return Base() + "Images\\Logs\\"; }
    std::string Projects() const { return Base() + "Images\\Projects\\"; }

    // A full tree written by a first run.
    void FirstRun()
    {
        TRegSettings S(Root);
        S.Load();
    }

    int32_t ReadDword(const std::string& SubKey, const std::string& Name)
    {
        TRegistry R;
        if (!R.OpenKeyReadOnly(Root + "\\" + SubKey)) {
            ADD_FAILURE() << "missing key " << SubKey;
            return -1;
        }
        EXPECT_EQ(R.GetDataType(Name), rdInteger) << SubKey << "\\" << Name;
        return R.ReadInteger(Name);
    }

    std::string ReadText(const std::string& SubKey, const std::string& Name)
    {
        TRegistry R;
        if (!R.OpenKeyReadOnly(Root + "\\" + SubKey)) {
            ADD_FAILURE() << "missing key " << SubKey;
            return std::string();
        }
        EXPECT_EQ(R.GetDataType(Name), rdString) << SubKey << "\\" << Name;
        return R.ReadString(Name);
    }

    TestSupport::TTestRegistryKey Key;
    std::string Root;
    static std::string FPersonal;
    static std::string FError;
};

std::string RegSettingsTest::FPersonal;
std::string RegSettingsTest::FError;

} // namespace

// ---------------------------------------------------------------------------------------------

TEST_F(RegSettingsTest, PersonalFolderIsInsideThePrefix)
{
    EXPECT_TRUE(InsidePrefix(FPersonal)) << FinalPath(FPersonal);
    EXPECT_TRUE(IsPlainFolder(FPersonal));
}

TEST_F(RegSettingsTest, CreationValues)
{
    TRegSettings S(Root);
    const TRegWindow& W = *S.GetWindow();
    EXPECT_EQ(W.GetHeight(), 400);
    EXPECT_EQ(W.GetWidth(), 600);
    EXPECT_EQ(W.GetLeft(), 0);
    EXPECT_TRUE(W.GetShowMinPrompt());
    EXPECT_TRUE(W.GetShowTip());
    const TRegMenu& M = *S.GetMenu();
    EXPECT_FALSE(M.GetFitImages());
    EXPECT_TRUE(M.GetShowAllFiles());
    EXPECT_FALSE(M.GetShowFailedPanel());
    const TRegOptions& O = *S.GetOptions();
    EXPECT_EQ(O.GetDefaultFolder(), "C:\\");
    EXPECT_EQ(O.GetProxyServerAddr(), "192.168.0.1");
    EXPECT_EQ(O.GetFileMasks()->GetCount(), 0);
    EXPECT_EQ(O.GetScheme()->GetSchemeType(), 0);
    // Creating touches no registry.
    EXPECT_FALSE(TRegistry().KeyExists(Root));
}

TEST_F(RegSettingsTest, FirstRunWritesTheWholeTree)
{
    ASSERT_FALSE(TRegistry().KeyExists(Root));
    TRegSettings S(Root);
    S.Load();

    EXPECT_EQ(ReadDword("Window", "Left"), 0);
    EXPECT_EQ(ReadDword("Window", "Top"), 0);
    EXPECT_EQ(ReadDword("Window", "Width"), 600);
    EXPECT_EQ(ReadDword("Window", "Height"), 400);
    EXPECT_EQ(ReadDword("Window", "State"), 0);
    EXPECT_EQ(ReadDword("Window", "TipIndex"), 0);
    EXPECT_EQ(ReadDword("Window", "ShowMinPrompt"), 1);
    EXPECT_EQ(ReadDword("Window", "ShowTip"), 1);
    EXPECT_EQ(ValueNames(Root + "\\Window").size(), 8u);

    EXPECT_EQ(ReadDword("Menu", "ShowStandardToolBar"), 1);
    EXPECT_EQ(ReadDword("Menu", "ShowStatePanel"), 1);
    EXPECT_EQ(ReadDword("Menu", "ShowAllFiles"), 1);
    EXPECT_EQ(ReadDword("Menu", "FitImages"), 0);
    EXPECT_EQ(ReadDword("Menu", "ImageSort"), 0);
    EXPECT_EQ(ValueNames(Root + "\\Menu"), (std::vector<std::string>{"FitImages", "ImageSort", "ShowAllFiles",
                                                                      "ShowStandardToolBar", "ShowStatePanel"}));

    EXPECT_EQ(ReadDword("Options", "FileMaxSize"), 10240);
    EXPECT_EQ(ReadDword("Options", "FileMinSize"), 10);
    EXPECT_EQ(ReadDword("Options", "SeekDeep"), 5);
    EXPECT_EQ(ReadDword("Options", "ProxyServerPort"), 80);
    EXPECT_EQ(ReadDword("Options", "TimeOut"), 60);
    EXPECT_EQ(ReadDword("Options", "CloseOption"), 0);
    EXPECT_EQ(ReadDword("Options", "EnableFileLimit"), 1);
    EXPECT_EQ(ReadDword("Options", "AutoShutDown"), 0);
    EXPECT_EQ(ReadDword("Options", "UseProxyServer"), 0);
    EXPECT_EQ(ReadDword("Options", "AutoSaveLog"), 1);
    EXPECT_EQ(ReadDword("Options", "DefaultTaskAdded"), 0);
    EXPECT_EQ(ReadDword("Options", "SaveAsWebStructure"), 1);
    EXPECT_EQ(ReadText("Options", "ProxyServerAddr"), "192.168.0.1");
    EXPECT_EQ(ReadText("Options", "DefaultFolder"), Downloads());
    EXPECT_EQ(ReadText("Options", "DefaultLogFolder"), Logs());
    EXPECT_EQ(ReadText("Options", "ProjectPath"), Projects());
    // The 16 values and nothing else: the login is never stored.
    EXPECT_EQ(ValueNames(Root + "\\Options").size(), 16u);

    EXPECT_EQ(ValueNames(Root + "\\Options\\FileMasks"),
              (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "8"}));
    EXPECT_EQ(NumberedList(Root + "\\Options\\FileMasks"), Items(DefaultMasks));
    EXPECT_EQ(ValueNames(Root + "\\Options\\ExcludeWebsites"),
              (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7"}));
    EXPECT_EQ(NumberedList(Root + "\\Options\\ExcludeWebsites"), Items(DefaultHosts));
    EXPECT_TRUE(TRegistry().KeyExists(Root + "\\Options\\ExcludeFiles"));
    EXPECT_TRUE(ValueNames(Root + "\\Options\\ExcludeFiles").empty());

    EXPECT_EQ(ReadDword("Options\\Scheme", "SchemeType"), 0);
    EXPECT_EQ(ReadDword("Options\\Scheme", "SchemeCount"), 0);
    {
        TRegistry R;
        ASSERT_TRUE(R.OpenKeyReadOnly(Root + "\\Options\\Scheme"));
        for (const char* Name : {"SchemeStartDate", "SchemeStartTime"}) {
            EXPECT_EQ(R.GetDataType(Name), rdBinary) << Name;
            EXPECT_EQ(R.ReadBinary(Name), std::vector<uint8_t>(8, 0)) << Name;
        }
    }

    // The folders exist, end in "\" and lie inside the prefix.
    for (const std::string& F : {Downloads(), Logs(), Projects()}) {
        EXPECT_EQ(F.back(), '\\');
        EXPECT_TRUE(DirectoryExists(F)) << F;
        EXPECT_TRUE(InsidePrefix(F)) << FinalPath(F);
    }
    // The object holds what it wrote.
    EXPECT_EQ(S.GetOptions()->GetDefaultFolder(), Downloads());
    EXPECT_EQ(Items(S.GetOptions()->GetFileMasks()), Items(DefaultMasks));
    EXPECT_EQ(Items(S.GetOptions()->GetExcludeWebsites()), Items(DefaultHosts));
    EXPECT_EQ(S.GetOptions()->GetFileMaxSize(), 10240);
}

TEST_F(RegSettingsTest, SecondLoadOfAFullTreeChangesNothing)
{
    FirstRun();
    TRegSettings S(Root);
    S.Load();
    // Nothing appended: the load succeeded and no defaults ran.
    EXPECT_EQ(Items(S.GetOptions()->GetFileMasks()), Items(DefaultMasks));
    EXPECT_EQ(Items(S.GetOptions()->GetExcludeWebsites()), Items(DefaultHosts));
    EXPECT_EQ(NumberedList(Root + "\\Options\\FileMasks").size(), 9u);
}

TEST_F(RegSettingsTest, EveryFieldSurvivesSaveAndLoad)
{
    TestSupport::TTempFolder Temp;
    for (const char* Sub : {"dl", "log", "prj"})
        ASSERT_TRUE(CreateDir(Temp.File(Sub)));

    TRegSettings A(Root);
    A.GetWindow()->SetHeight(777);
    A.GetWindow()->SetLeft(-1200);
    A.GetWindow()->SetShowMinPrompt(false);
    A.GetWindow()->SetShowTip(false);
    A.GetWindow()->SetState(2);
    A.GetWindow()->SetTipIndex(9);
    A.GetWindow()->SetTop(-5);
    A.GetWindow()->SetWidth(1919);
    A.GetMenu()->SetFitImages(true);
    A.GetMenu()->SetImageSort(2);
    A.GetMenu()->SetShowAllFiles(false);
    A.GetMenu()->SetShowStandardToolBar(false);
    A.GetMenu()->SetShowStatePanel(false);
    A.GetMenu()->SetShowFailedPanel(true);
    FillOptions(*A.GetOptions(), Temp.Path());
    A.Save();

    TRegSettings B(Root);
    B.Load();
    ExpectSameWindow(*A.GetWindow(), *B.GetWindow());
    ExpectSameMenu(*A.GetMenu(), *B.GetMenu());
    ExpectSameOptions(*A.GetOptions(), *B.GetOptions(), false);
    // Never stored: the fresh object keeps its creation values.
    EXPECT_FALSE(B.GetMenu()->GetShowFailedPanel());
    EXPECT_EQ(B.GetOptions()->GetLoginPassword(), "");
    EXPECT_EQ(B.GetOptions()->GetLoginUser(), "");
    EXPECT_FALSE(B.GetOptions()->GetUseLogin());
    for (const std::string& N : ValueNames(Root + "\\Options"))
        EXPECT_EQ(N.find("Login"), std::string::npos) << N;
    EXPECT_TRUE(ValueNames(Root + "\\Options\\ExcludeFiles").empty());
    // Booleans are stored as 0 and 1.
    EXPECT_EQ(ReadDword("Options", "UseProxyServer"), 1);
    EXPECT_EQ(ReadDword("Options", "AutoSaveLog"), 0);
}

TEST_F(RegSettingsTest, LoadAddsTheTrailingBackslash)
{
    TestSupport::TTempFolder Temp;
    for (const char* Sub : {"dl", "log", "prj"})
        ASSERT_TRUE(CreateDir(Temp.File(Sub)));
    FirstRun();
    {
        TRegistry R;
        ASSERT_TRUE(R.OpenKey(Root + "\\Options", false));
        R.WriteString("DefaultFolder", Temp.File("dl"));
        R.WriteString("DefaultLogFolder", Temp.File("log"));
        R.WriteString("ProjectPath", Temp.File("prj"));
    }
    TRegSettings S(Root);
    S.Load();
    EXPECT_EQ(S.GetOptions()->GetDefaultFolder(), Temp.File("dl\\"));
    EXPECT_EQ(S.GetOptions()->GetDefaultLogFolder(), Temp.File("log\\"));
    EXPECT_EQ(S.GetOptions()->GetProjectPath(), Temp.File("prj\\"));
    // A folder already ending in "\" gets no second one.
    {
        TRegistry R;
        ASSERT_TRUE(R.OpenKey(Root + "\\Options", false));
        R.WriteString("DefaultLogFolder", Temp.File("log\\"));
    }
    S.Load();
    EXPECT_EQ(S.GetOptions()->GetDefaultLogFolder(), Temp.File("log\\"));
}

TEST_F(RegSettingsTest, AssignCopiesAndNeverShares)
{
    TestSupport::TTempFolder Temp;
    TRegOptions Source;
    FillOptions(Source, Temp.Path());
    TRegOptions Copy;
    Copy.Assign(&Source);
    ExpectSameOptions(Source, Copy, true);

    Copy.GetFileMasks()->Add("bmp, Elsewhere");
    Copy.GetExcludeWebsites()->Clear();
    Copy.GetScheme()->SetSchemeCount(1);
    Copy.GetScheme()->SetStartDate(1.5);
    EXPECT_EQ(Source.GetFileMasks()->GetCount(), 3);
    EXPECT_EQ(Source.GetExcludeWebsites()->GetCount(), 2);
    EXPECT_EQ(Source.GetScheme()->GetSchemeCount(), 17);
    EXPECT_EQ(Source.GetScheme()->GetStartDate(), 45000.0 + 1.0 / 3.0);

    TRegSettings A(Root), B(Root);
    FillOptions(*A.GetOptions(), Temp.Path());
    A.GetWindow()->SetWidth(1);
    A.GetMenu()->SetImageSort(1);
    B.Assign(&A);
    ExpectSameOptions(*A.GetOptions(), *B.GetOptions(), true);
    EXPECT_EQ(B.GetWindow()->GetWidth(), 1);
    EXPECT_EQ(B.GetMenu()->GetImageSort(), 1);
    B.GetOptions()->GetFileMasks()->Clear();
    EXPECT_EQ(A.GetOptions()->GetFileMasks()->GetCount(), 3);

    // Assigning from another kind of object is refused.
    TRegMenu Menu;
    EXPECT_THROW(Copy.Assign(&Menu), EConvertError);
}

TEST_F(RegSettingsTest, WindowAndMenuAssignLeaveTheirPrivateFields)
{
    TRegWindow W1, W2;
    W1.SetLeft(1);
    W1.SetTop(2);
    W1.SetWidth(3);
    W1.SetHeight(4);
    W1.SetState(1);
    W1.SetShowMinPrompt(false);
    W1.SetShowTip(false);
    W1.SetTipIndex(42);
    W2.Assign(&W1);
    EXPECT_EQ(W2.GetLeft(), 1);
    EXPECT_EQ(W2.GetTop(), 2);
    EXPECT_EQ(W2.GetWidth(), 3);
    EXPECT_EQ(W2.GetHeight(), 4);
    EXPECT_EQ(W2.GetState(), 1);
    EXPECT_FALSE(W2.GetShowMinPrompt());
    EXPECT_TRUE(W2.GetShowTip());
    EXPECT_EQ(W2.GetTipIndex(), 0);

    TRegMenu M1, M2;
    M1.SetFitImages(true);
    M1.SetImageSort(2);
    M1.SetShowAllFiles(false);
    M1.SetShowStandardToolBar(false);
    M1.SetShowStatePanel(false);
    M1.SetShowFailedPanel(true);
    M2.Assign(&M1);
    ExpectSameMenu(M1, M2);
    EXPECT_FALSE(M2.GetShowFailedPanel());
    M2.SetShowFailedPanel(true);
    M1.SetShowFailedPanel(false);
    M2.Assign(&M1);
    EXPECT_TRUE(M2.GetShowFailedPanel());
}

TEST_F(RegSettingsTest, TwelveMasksReadBackInOrder)
{
    FirstRun();
    TRegSettings A(Root);
    A.Load();
    A.GetOptions()->GetFileMasks()->Clear();
    for (int I = 0; I < 12; ++I)
        A.GetOptions()->GetFileMasks()->Add("e" + std::to_string(I) + ", F" + std::to_string(I));
    A.Save();
    TRegSettings B(Root);
    B.Load();
    EXPECT_EQ(Items(B.GetOptions()->GetFileMasks()), Items(A.GetOptions()->GetFileMasks()));
}

TEST_F(RegSettingsTest, ShorterListLeavesNoStaleValues)
{
    FirstRun();
    TRegSettings A(Root);
    A.Load();
    ASSERT_EQ(A.GetOptions()->GetFileMasks()->GetCount(), 9);
    A.Save();
    EXPECT_EQ(ValueNames(Root + "\\Options\\FileMasks").size(), 9u);
    while (A.GetOptions()->GetFileMasks()->GetCount() > 3)
        A.GetOptions()->GetFileMasks()->Delete(3);
    A.Save();
    EXPECT_EQ(ValueNames(Root + "\\Options\\FileMasks"), (std::vector<std::string>{"0", "1", "2"}));
    EXPECT_EQ(NumberedList(Root + "\\Options\\FileMasks"),
              (std::vector<std::string>{"gif, Saved", "jpg, Saved", "jpeg, Saved"}));
}

TEST_F(RegSettingsTest, ListKeyIsMadeAnewOnSave)
{
    FirstRun();
    {
        TRegistry R;
        ASSERT_TRUE(R.OpenKey(Root + "\\Options\\ExcludeFiles", false));
        R.WriteString("stray", "x");
        ASSERT_TRUE(R.OpenKey(Root + "\\Options\\ExcludeFiles\\Sub", true));
    }
    TRegSettings S(Root);
    S.Load();
    // A name that is no index is read after the indexes.
    EXPECT_EQ(Items(S.GetOptions()->GetExcludeFiles()), (std::vector<std::string>{"x"}));
    S.GetOptions()->GetExcludeFiles()->Clear();
    S.Save();
    EXPECT_TRUE(ValueNames(Root + "\\Options\\ExcludeFiles").empty());
    EXPECT_FALSE(TRegistry().KeyExists(Root + "\\Options\\ExcludeFiles\\Sub"));
}

TEST_F(RegSettingsTest, MissingDownloadFolderBringsBackTheDefaultTree)
{
    TestSupport::TTempFolder Temp;
    for (const char* Sub : {"dl", "log", "prj"})
        ASSERT_TRUE(CreateDir(Temp.File(Sub)));
    FirstRun();
    TRegSettings A(Root);
    A.Load();
    FillOptions(*A.GetOptions(), Temp.Path());
    A.Save();

    // The download folder goes; so does the default tree's, which must be made again.
    ASSERT_TRUE(TestSupport::DeleteTree(Temp.File("dl")));
    ASSERT_TRUE(TestSupport::DeleteTree(Downloads()));
    ASSERT_FALSE(DirectoryExists(Downloads()));

    TRegSettings B(Root);
    B.Load();
    EXPECT_EQ(B.GetOptions()->GetDefaultFolder(), Downloads());
    EXPECT_EQ(B.GetOptions()->GetDefaultLogFolder(), Logs());
    EXPECT_EQ(B.GetOptions()->GetProjectPath(), Projects());
    EXPECT_TRUE(DirectoryExists(Downloads()));
    // The lists and every other option are as stored; nothing was appended.
    EXPECT_EQ(Items(B.GetOptions()->GetFileMasks()), Items(A.GetOptions()->GetFileMasks()));
    EXPECT_EQ(Items(B.GetOptions()->GetExcludeWebsites()), Items(A.GetOptions()->GetExcludeWebsites()));
    EXPECT_EQ(B.GetOptions()->GetFileMaxSize(), 123456);
    EXPECT_EQ(B.GetOptions()->GetScheme()->GetSchemeCount(), 17);
    // The registry still names the deleted folder until the next Save.
    EXPECT_EQ(ReadText("Options", "DefaultFolder"), Temp.File("dl\\"));
}

TEST_F(RegSettingsTest, EmptyStoredFolderCountsAsMissing)
{
    FirstRun();
    {
        TRegistry R;
        ASSERT_TRUE(R.OpenKey(Root + "\\Options", false));
        R.WriteString("ProjectPath", "");
    }
    TRegSettings S(Root);
    S.Load();
    EXPECT_EQ(S.GetOptions()->GetProjectPath(), Projects());
}

TEST_F(RegSettingsTest, MissingSchemeKeyAppendsTheDefaultsAgain)
{
    FirstRun();
    ASSERT_TRUE(TRegistry().DeleteKey(Root + "\\Options\\Scheme"));
    TRegSettings S(Root);
    S.Load();
    const auto Masks = Concat(Items(DefaultMasks), Items(DefaultMasks));
    const auto Hosts = Concat(Items(DefaultHosts), Items(DefaultHosts));
    EXPECT_EQ(Items(S.GetOptions()->GetFileMasks()), Masks);
    EXPECT_EQ(Items(S.GetOptions()->GetExcludeWebsites()), Hosts);
    EXPECT_EQ(NumberedList(Root + "\\Options\\FileMasks"), Masks);
    EXPECT_EQ(NumberedList(Root + "\\Options\\ExcludeWebsites"), Hosts);
    EXPECT_EQ(ValueNames(Root + "\\Options\\Scheme").size(), 4u);
    EXPECT_EQ(ReadDword("Options\\Scheme", "SchemeType"), 0);
}

TEST_F(RegSettingsTest, ShortSchemeDateCountsAsBad)
{
    FirstRun();
    {
        TRegistry R;
        ASSERT_TRUE(R.OpenKey(Root + "\\Options\\Scheme", false));
        const uint32_t Four = 0x12345678;
        R.WriteBinaryData("SchemeStartDate", &Four, 4);
    }
    TRegSettings S(Root);
    S.Load();
    EXPECT_EQ(S.GetOptions()->GetFileMasks()->GetCount(), 18);
    EXPECT_EQ(S.GetOptions()->GetExcludeWebsites()->GetCount(), 16);
    EXPECT_EQ(NumberedList(Root + "\\Options\\FileMasks").size(), 18u);
    TRegistry R;
    ASSERT_TRUE(R.OpenKeyReadOnly(Root + "\\Options\\Scheme"));
    EXPECT_EQ(R.GetDataSize("SchemeStartDate"), 8);
}

TEST_F(RegSettingsTest, LongSchemeTimeCountsAsBad)
{
    FirstRun();
    {
        TRegistry R;
        ASSERT_TRUE(R.OpenKey(Root + "\\Options\\Scheme", false));
        const uint8_t Nine[9] = {};
        R.WriteBinaryData("SchemeStartTime", Nine, 9);
    }
    TRegSettings S(Root);
    S.Load();
    EXPECT_EQ(S.GetOptions()->GetFileMasks()->GetCount(), 18);
    TRegistry R;
    ASSERT_TRUE(R.OpenKeyReadOnly(Root + "\\Options\\Scheme"));
    EXPECT_EQ(R.GetDataSize("SchemeStartTime"), 8);
}

TEST_F(RegSettingsTest, LeftAsTextRepairsTheWholeTree)
{
    TestSupport::TTempFolder Temp;
    for (const char* Sub : {"dl", "log", "prj"})
        ASSERT_TRUE(CreateDir(Temp.File(Sub)));
    {
        TRegSettings A(Root);
        FillOptions(*A.GetOptions(), Temp.Path());
        A.GetWindow()->SetWidth(1000);
        A.Save();
    }
    {
        TRegistry R;
        ASSERT_TRUE(R.OpenKey(Root + "\\Window", false));
        R.WriteString("Left", "12");
    }
    TRegSettings S(Root);
    S.Load();

    EXPECT_EQ(ReadDword("Window", "Left"), 0);
    EXPECT_EQ(NumberedList(Root + "\\Options\\FileMasks"), Items(DefaultMasks));
    EXPECT_EQ(ValueNames(Root + "\\Options\\FileMasks").size(), 9u);
    EXPECT_EQ(NumberedList(Root + "\\Options\\ExcludeWebsites"), Items(DefaultHosts));
    // Everything else is back at its creation value, in memory and stored.
    TRegOptions Fresh;
    const TRegOptions& O = *S.GetOptions();
    EXPECT_EQ(O.GetFileMaxSize(), Fresh.GetFileMaxSize());
    EXPECT_EQ(O.GetFileMinSize(), Fresh.GetFileMinSize());
    EXPECT_EQ(O.GetSeekDeep(), Fresh.GetSeekDeep());
    EXPECT_EQ(O.GetTimeOut(), Fresh.GetTimeOut());
    EXPECT_EQ(O.GetProxyServerAddr(), Fresh.GetProxyServerAddr());
    EXPECT_EQ(O.GetProxyServerPort(), Fresh.GetProxyServerPort());
    EXPECT_EQ(O.GetUseProxyServer(), Fresh.GetUseProxyServer());
    EXPECT_EQ(O.GetAutoSaveLog(), Fresh.GetAutoSaveLog());
    EXPECT_EQ(O.GetAutoShutDown(), Fresh.GetAutoShutDown());
    EXPECT_EQ(O.GetCloseOption(), Fresh.GetCloseOption());
    EXPECT_EQ(O.GetEnableFileLimit(), Fresh.GetEnableFileLimit());
    EXPECT_EQ(O.GetSaveAsWebStructure(), Fresh.GetSaveAsWebStructure());
    EXPECT_EQ(O.GetDefaultTaskAdded(), Fresh.GetDefaultTaskAdded());
    ExpectSameScheme(*O.GetScheme(), *Fresh.GetScheme());
    EXPECT_EQ(O.GetExcludeFiles()->GetCount(), 0);
    EXPECT_EQ(S.GetWindow()->GetWidth(), 600);
    EXPECT_EQ(ReadDword("Window", "Width"), 600);
    EXPECT_EQ(ReadDword("Options", "FileMaxSize"), 10240);
    EXPECT_EQ(ReadText("Options", "ProxyServerAddr"), "192.168.0.1");
    EXPECT_EQ(O.GetDefaultFolder(), Downloads());
    EXPECT_EQ(ReadText("Options", "DefaultFolder"), Downloads());
    EXPECT_EQ(ReadText("Options", "ProjectPath"), Projects());
}

TEST_F(RegSettingsTest, ValuesReadBeforeABadOneStay)
{
    TestSupport::TTempFolder Temp;
    for (const char* Sub : {"dl", "log", "prj"})
        ASSERT_TRUE(CreateDir(Temp.File(Sub)));
    {
        TRegSettings A(Root);
        FillOptions(*A.GetOptions(), Temp.Path());
        A.GetWindow()->SetLeft(33);
        A.Save();
    }
    {
        // The last option of the Options key, as text: everything before it has been read.
        TRegistry R;
        ASSERT_TRUE(R.OpenKey(Root + "\\Options", false));
        R.WriteString("SaveAsWebStructure", "1");
    }
    TRegSettings S(Root);
    S.Load();
    EXPECT_EQ(S.GetWindow()->GetLeft(), 33);
    EXPECT_EQ(S.GetOptions()->GetFileMaxSize(), 123456);
    EXPECT_EQ(S.GetOptions()->GetProxyServerAddr(), "127.0.0.1");
    EXPECT_EQ(ReadDword("Options", "FileMaxSize"), 123456);
    // Not read: the lists and the schedule keep their creation values, then get the defaults.
    EXPECT_TRUE(S.GetOptions()->GetSaveAsWebStructure());
    EXPECT_EQ(ReadDword("Options", "SaveAsWebStructure"), 1);
    EXPECT_EQ(Items(S.GetOptions()->GetFileMasks()), Items(DefaultMasks));
    EXPECT_EQ(S.GetOptions()->GetScheme()->GetSchemeCount(), 0);
    // Defaults always points the folders at the default tree.
    EXPECT_EQ(S.GetOptions()->GetDefaultFolder(), Downloads());
}

TEST_F(RegSettingsTest, MissingMenuKeyIsRepaired)
{
    FirstRun();
    ASSERT_TRUE(TRegistry().DeleteKey(Root + "\\Menu"));
    TRegSettings S(Root);
    S.Load();
    EXPECT_EQ(ValueNames(Root + "\\Menu").size(), 5u);
    EXPECT_EQ(ReadDword("Menu", "ShowAllFiles"), 1);
}

TEST_F(RegSettingsTest, ListValueOfAnotherTypeIsRepaired)
{
    FirstRun();
    {
        TRegistry R;
        ASSERT_TRUE(R.OpenKey(Root + "\\Options\\FileMasks", false));
        R.WriteInteger("3", 5);
    }
    TRegSettings S(Root);
    S.Load();
    // The load stopped at the mask list and the defaults were added to what it held.
    EXPECT_GE(S.GetOptions()->GetFileMasks()->GetCount(), 9);
    TRegistry R;
    ASSERT_TRUE(R.OpenKeyReadOnly(Root + "\\Options\\FileMasks"));
    EXPECT_EQ(R.GetDataType("3"), rdString);
}

TEST_F(RegSettingsTest, FindMask)
{
    TRegSettings S(Root);
    S.Defaults();
    const TRegOptions& O = *S.GetOptions();
    EXPECT_EQ(O.FindMask("JPG "), 1);
    EXPECT_EQ(O.FindMask(" gif"), 0);
    EXPECT_EQ(O.FindMask("WMF"), 8);
    EXPECT_EQ(O.FindMask("xyz"), -1);
    EXPECT_EQ(O.FindMask("jp"), -1);
    EXPECT_EQ(O.FindMask(""), -1);

    TRegOptions Plain;
    Plain.GetFileMasks()->Add("abc");
    Plain.GetFileMasks()->Add("ABC , Upper");
    EXPECT_EQ(Plain.FindMask(""), 0);
    EXPECT_EQ(Plain.FindMask("abc"), 1);
    EXPECT_EQ(Plain.FindMask(" Abc\t"), 1);
}

TEST_F(RegSettingsTest, SchemeTexts)
{
    EXPECT_EQ(TRegScheme::UnitText(1), "Hour(s)");
    EXPECT_EQ(TRegScheme::UnitText(4), "month(s)");
    EXPECT_EQ(TRegScheme::UnitText(0), "");
    EXPECT_EQ(TRegScheme::UnitText(5), "");
    EXPECT_EQ(TRegScheme::UnitForChoice("Daily"), "Day(s)");
    EXPECT_EQ(TRegScheme::UnitForChoice("daily"), "");

    TRegScheme S;
    EXPECT_EQ(S.Description(), "");
    S.SetSchemeType(2);
    S.SetSchemeCount(3);
    S.SetStartDate(EncodeDate(2023, 11, 28));
    S.SetStartTime(EncodeTime(7, 8, 9, 0));
    const std::string Expected = "All project will start every 3 Day(s), From " + DateToStr(S.GetStartDate()) +
                                 ", " + TimeToStr(S.GetStartTime());
    EXPECT_EQ(S.Description(), Expected);
    EXPECT_NE(Expected.find("2023"), std::string::npos);
    EXPECT_NE(Expected.find("08"), std::string::npos);
    S.SetStartDate(1e300);
    EXPECT_EQ(S.Description(), "");
    S.SetStartDate(EncodeDate(2023, 11, 28));
    S.SetSchemeType(0);
    EXPECT_EQ(S.Description(), "");
}

TEST_F(RegSettingsTest, RootPathForms)
{
    TRegSettings A("Software\\QuillmoorTest\\x\\");
    EXPECT_EQ(A.GetRootPath(), "\\Software\\QuillmoorTest\\x");
    EXPECT_EQ(A.KeyPath("Window"), "\\Software\\QuillmoorTest\\x\\Window");
    TRegSettings B;
    EXPECT_EQ(B.GetRootPath(), "\\Software\\Quillmoor");
}
