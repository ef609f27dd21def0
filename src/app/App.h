#pragma once
// The program's process-wide state. One App exists while the program runs;
// the tests make a fresh one for every case.

#include <cstdint>
#include <memory>
#include <string>

#include "ads/FileFolderFunctions_.h"
#include "juno/FindWindowLike_.h"
#include "platform/platform.h"

namespace pocketry {

class MainForm;
class clsTaskBar;

inline const std::string kTitle = "Pocketry";
inline const std::string kCrLf = "\r\n";

// The four message box styles of the program; every one is system-modal and
// comes to the foreground.
inline constexpr std::uint32_t kWarningStyle = 0x11030; // OK, warning icon: failures
inline constexpr std::uint32_t kNoticeStyle = 0x11040;  // OK, information icon: notices
inline constexpr std::uint32_t kAskYesStyle = 0x11024;  // Yes/No, question, Yes the default
inline constexpr std::uint32_t kAskNoStyle = 0x11124;   // Yes/No, question, No the default

// The program's version constants, set by the build.
struct ProgramVersion {
    int major = 0;
    int minor = 0;
    int revision = 0;
};
ProgramVersion BuildVersion();

// The options, read once at start and changed only by the options dialog.
struct AppSettingsRecord {
    std::int16_t OptionsTab = 0;
    bool RunJunoAtStart = false;
    bool CloseJunoAtExit = false;
    bool CloseJunoAsk = true;
    bool EmptyAdsAtExit = false;
    bool EmptyAdsWhenJunoEnds = false;
    bool ExitWhenJunoEnds = false;
    std::int16_t TrayLeftCommand = 0;
    bool TrayDoubleClick = false;
    std::int32_t CheckInterval = 300;
};

// Window subclassing state (module Subclass_).
struct SubclassState {
    std::uintptr_t OldWindowProc = 0;
    std::int32_t HookCount = 0;
};

// The six results of the last desktop measurement (module GetDesktopSize_).
struct DesktopMeasure {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0, width = 0, height = 0;
};

class App {
  public:
    App(platform::Platform& api, ProgramVersion version);
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // The one running instance, for the window procedure that Windows calls.
    static App* Current();

    platform::Platform& api;
    const ProgramVersion version;
    AppSettingsRecord AppSettings;
    SubclassState subclass;
    DesktopMeasure desktop;
    FindWindowLike_::State findWindowLike;
    FileFolderFunctions_::State listing; // FoundFiles and FoundFolders

    // Created on first use, as every part of the program shares one.
    clsTaskBar& TaskBar();
    MainForm* mainForm = nullptr;

  private:
    std::unique_ptr<clsTaskBar> taskBar_;
};

} // namespace pocketry
