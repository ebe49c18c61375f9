#pragma once
// The program's settings in the registry: window placement (TRegWindow), view switches
// (TRegMenu) and the download options (TRegOptions with the schedule TRegScheme), which are also
// every task's rules. Kept under HKEY_CURRENT_USER\Software\Quillmoor unless another root is given.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/rtl/Classes.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/StringList.h"

class TRegistry;

class TRegWindow : public TPersistent {
public:
    std::string ClassName() const override { return "TRegWindow"; }
    // Copies the placement and ShowMinPrompt; never ShowTip or TipIndex.
    void Assign(TPersistent* Source) override;

    int32_t GetHeight() const { return FHeight; }
    void SetHeight(int32_t Value) { FHeight = Value; }
    int32_t GetLeft() const { return FLeft; }
    void SetLeft(int32_t Value) { FLeft = Value; }
    bool GetShowMinPrompt() const { return FShowMinPrompt; }
    void SetShowMinPrompt(bool Value) { FShowMinPrompt = Value; }
    bool GetShowTip() const { return FShowTip; }
    void SetShowTip(bool Value) { FShowTip = Value; }
    uint8_t GetState() const { return FState; } // 0 normal, 1 minimized, 2 maximized
    void SetState(uint8_t Value) { FState = Value; }
    int32_t GetTipIndex() const { return FTipIndex; }
    void SetTipIndex(int32_t Value) { FTipIndex = Value; }
    int32_t GetTop() const { return FTop; }
    void SetTop(int32_t Value) { FTop = Value; }
    int32_t GetWidth() const { return FWidth; }
    void SetWidth(int32_t Value) { FWidth = Value; }

private:
    int32_t FHeight = 400;
    int32_t FLeft = 0;
    bool FShowMinPrompt = true;
    bool FShowTip = true;
    uint8_t FState = 0;
    int32_t FTipIndex = 0;
    int32_t FTop = 0;
    int32_t FWidth = 600;
};

class TRegMenu : public TPersistent {
public:
    std::string ClassName() const override { return "TRegMenu"; }
    // Copies every field but ShowFailedPanel.
    void Assign(TPersistent* Source) override;

    bool GetFitImages() const { return FFitImages; }
    void SetFitImages(bool Value) { FFitImages = Value; }
    uint8_t GetImageSort() const { return FImageSort; } // 0 unsorted, 1 by name, 2 by size
    void SetImageSort(uint8_t Value) { FImageSort = Value; }
    bool GetShowAllFiles() const { return FShowAllFiles; }
    void SetShowAllFiles(bool Value) { FShowAllFiles = Value; }
    bool GetShowStandardToolBar() const { return FShowStandardToolBar; }
    void SetShowStandardToolBar(bool Value) { FShowStandardToolBar = Value; }
    bool GetShowStatePanel() const { return FShowStatePanel; }
    void SetShowStatePanel(bool Value) { FShowStatePanel = Value; }
    bool GetShowFailedPanel() const { return FShowFailedPanel; } // never stored
    void SetShowFailedPanel(bool Value) { FShowFailedPanel = Value; }

private:
    bool FFitImages = false;
    uint8_t FImageSort = 0;
    bool FShowAllFiles = true;
    bool FShowStandardToolBar = true;
    bool FShowStatePanel = true;
    bool FShowFailedPanel = false;
};

// A task's start schedule.
class TRegScheme : public TPersistent {
public:
    std::string ClassName() const override { return "TRegScheme"; }
    void Assign(TPersistent* Source) override;

    int32_t GetSchemeCount() const { return FSchemeCount; } // every N units
    void SetSchemeCount(int32_t Value) { FSchemeCount = Value; }
    // 0 none, 1 every N hours, 2 daily, 3 weekly, 4 monthly.
    uint8_t GetSchemeType() const { return FSchemeType; }
    void SetSchemeType(uint8_t Value) { FSchemeType = Value; }
    TDateTime GetStartDate() const { return FStartDate; }
    void SetStartDate(TDateTime Value) { FStartDate = Value; }
    TDateTime GetStartTime() const { return FStartTime; }
    void SetStartTime(TDateTime Value) { FStartTime = Value; }

    static std::string UnitText(int32_t SchemeType);
    static std::string UnitForChoice(std::string_view Choice);
    // "All project will start every ..." in the default locale's formats; "" for type 0 or
    // when the stored date or time cannot be written.
    std::string Description() const;

private:
    int32_t FSchemeCount = 0;
    uint8_t FSchemeType = 0;
    TDateTime FStartDate = 0;
    TDateTime FStartTime = 0;
};

// The download options: the global defaults and each task's rules. Folders end in "\".
class TRegOptions : public TPersistent {
public:
    TRegOptions();
    TRegOptions(const TRegOptions&) = delete;
    TRegOptions& operator=(const TRegOptions&) = delete;
    ~TRegOptions() override;
    std::string ClassName() const override { return "TRegOptions"; }
    // Copies all 23 fields; the lists and the schedule are copied, never shared.
    void Assign(TPersistent* Source) override;

    // Index of the first FileMasks entry whose extension part (trimmed, lower case) equals
    // Extension (trimmed, lower case); -1 when none.
    int32_t FindMask(std::string_view Extension) const;

    bool GetAutoSaveLog() const { return FAutoSaveLog; }
    void SetAutoSaveLog(bool Value) { FAutoSaveLog = Value; }
    bool GetAutoShutDown() const { return FAutoShutDown; }
    void SetAutoShutDown(bool Value) { FAutoShutDown = Value; }
    uint8_t GetCloseOption() const { return FCloseOption; } // 0 hide to the tray, 1 exit
    void SetCloseOption(uint8_t Value) { FCloseOption = Value; }
    const std::string& GetDefaultFolder() const { return FDefaultFolder; }
    void SetDefaultFolder(const std::string& Value) { FDefaultFolder = Value; }
    const std::string& GetDefaultLogFolder() const { return FDefaultLogFolder; }
    void SetDefaultLogFolder(const std::string& Value) { FDefaultLogFolder = Value; }
    bool GetDefaultTaskAdded() const { return FDefaultTaskAdded; }
    void SetDefaultTaskAdded(bool Value) { FDefaultTaskAdded = Value; }
    bool GetEnableFileLimit() const { return FEnableFileLimit; }
    void SetEnableFileLimit(bool Value) { FEnableFileLimit = Value; }
    TStringList* GetExcludeFiles() const { return FExcludeFiles.get(); }
    void SetExcludeFiles(TStrings* Value) { FExcludeFiles->Assign(Value); }
    TStringList* GetExcludeWebsites() const { return FExcludeWebsites.get(); }
    void SetExcludeWebsites(TStrings* Value) { FExcludeWebsites->Assign(Value); }
    TStringList* GetFileMasks() const { return FFileMasks.get(); } // "extension, folder"
    void SetFileMasks(TStrings* Value) { FFileMasks->Assign(Value); }
    int32_t GetFileMaxSize() const { return FFileMaxSize; } // kilobytes
    void SetFileMaxSize(int32_t Value) { FFileMaxSize = Value; }
    int32_t GetFileMinSize() const { return FFileMinSize; } // kilobytes
    void SetFileMinSize(int32_t Value) { FFileMinSize = Value; }
    // The login lives only in a task's project file, never in the registry.
    const std::string& GetLoginPassword() const { return FLoginPassword; }
    void SetLoginPassword(const std::string& Value) { FLoginPassword = Value; }
    bool GetUseLogin() const { return FUseLogin; }
    void SetUseLogin(bool Value) { FUseLogin = Value; }
    const std::string& GetLoginUser() const { return FLoginUser; }
    void SetLoginUser(const std::string& Value) { FLoginUser = Value; }
    const std::string& GetProjectPath() const { return FProjectPath; }
    void SetProjectPath(const std::string& Value) { FProjectPath = Value; }
    const std::string& GetProxyServerAddr() const { return FProxyServerAddr; }
    void SetProxyServerAddr(const std::string& Value) { FProxyServerAddr = Value; }
    int32_t GetProxyServerPort() const { return FProxyServerPort; }
    void SetProxyServerPort(int32_t Value) { FProxyServerPort = Value; }
    bool GetSaveAsWebStructure() const { return FSaveAsWebStructure; }
    void SetSaveAsWebStructure(bool Value) { FSaveAsWebStructure = Value; }
    TRegScheme* GetScheme() const { return FScheme.get(); }
    void SetScheme(TRegScheme* Value) { FScheme->Assign(Value); }
    int32_t GetSeekDeep() const { return FSeekDeep; }
    void SetSeekDeep(int32_t Value) { FSeekDeep = Value; }
    int32_t GetTimeOut() const { return FTimeOut; } // seconds
    void SetTimeOut(int32_t Value) { FTimeOut = Value; }
    bool GetUseProxyServer() const { return FUseProxyServer; }
    void SetUseProxyServer(bool Value) { FUseProxyServer = Value; }

private:
    bool FAutoSaveLog = true;
    bool FAutoShutDown = false;
    uint8_t FCloseOption = 0;
    std::string FDefaultFolder = "C:\\";
    std::string FDefaultLogFolder = "C:\\";
    bool FDefaultTaskAdded = false;
    bool FEnableFileLimit = true;
    std::unique_ptr<TStringList> FExcludeFiles;
    std::unique_ptr<TStringList> FExcludeWebsites;
    std::unique_ptr<TStringList> FFileMasks;
    int32_t FFileMaxSize = 10240;
    int32_t FFileMinSize = 10;
    std::string FLoginPassword;
    bool FUseLogin = false;
    std::string FLoginUser;
    std::string FProjectPath = "C:\\";
    std::string FProxyServerAddr = "192.168.0.1";
    int32_t FProxyServerPort = 80;
    bool FSaveAsWebStructure = true;
    std::unique_ptr<TRegScheme> FScheme;
    int32_t FSeekDeep = 5;
    int32_t FTimeOut = 60;
    bool FUseProxyServer = false;
};

// The settings object. Every key is opened (and made when missing) by its absolute path under
// HKEY_CURRENT_USER + RootPath.
class TRegSettings : public TPersistent {
public:
    static constexpr const char* DefaultRootPath = "\\Software\\Quillmoor";
    // The folder tree made below the personal documents folder.
    static constexpr const char* DefaultTreeName = "Zirovudi dira Riv";

    explicit TRegSettings(const std::string& RootPath = DefaultRootPath);
    TRegSettings(const TRegSettings&) = delete;
    TRegSettings& operator=(const TRegSettings&) = delete;
    ~TRegSettings() override;
    std::string ClassName() const override { return "TRegSettings"; }
    // Window, Menu and Options through their own Assign.
    void Assign(TPersistent* Source) override;

    // Reads everything; a missing value, a value of another type or a date or time that is not
    // 8 bytes ends the reading (what was read stays), and then Defaults and Save run.
    void Load();
    // Writes everything; the lists are written anew, so a shorter list leaves no stale values.
    // A failed write raises ERegistryException.
    void Save();
    // The first-run values: the folder tree under the personal documents folder, the nine
    // masks and the eight excluded hosts (appended to what the lists hold).
    void Defaults();

    TRegistry* GetRegistry() const { return FRegistry.get(); }
    TRegMenu* GetMenu() const { return FMenu.get(); }
    TRegOptions* GetOptions() const { return FOptions.get(); }
    TRegWindow* GetWindow() const { return FWindow.get(); }
    // "\Software\Quillmoor" or the root given; keys below it are RootPath + "\Window" and so on.
    const std::string& GetRootPath() const { return FRootPath; }
    std::string KeyPath(std::string_view SubKey) const;

private:
    // Base of the default tree, ending in "\": personal documents + "Zirovudi dira Riv\".
    std::string DefaultBase() const;
    // Sets the three folders to the default tree and makes its folders.
    void MakeDefaultFolders();
    void OpenKey(std::string_view SubKey);

    std::string FRootPath;
    std::unique_ptr<TRegistry> FRegistry;
    std::unique_ptr<TRegMenu> FMenu;
    std::unique_ptr<TRegOptions> FOptions;
    std::unique_ptr<TRegWindow> FWindow;
};
