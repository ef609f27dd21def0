// Pocketry's shortcut in the StartUp group: the group's name, the target,
// the calls into the shell-link library, and every message.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "options/CreateStartupLink_.h"
#include "program_fixture.h"

namespace pocketry::testing {
namespace {

using namespace platform;
using CreateStartupLink_::CreateStartupLink;
using CreateStartupLink_::GetSpecialFolder;
using CreateStartupLink_::RemoveStartupLink;

struct Call {
    std::string function;
    std::vector<std::string> arguments;
    bool operator==(const Call&) const = default;
};

class StartupLinkTest : public ProgramTest {
  protected:
    void SetUp() override { Create(); }
    std::vector<Call> Calls() const {
        std::vector<Call> calls;
        for (const sim::ShellLinkCall& c : desk.ShellLinkCalls()) {
            calls.push_back({c.function, c.arguments});
        }
        return calls;
    }
};

TEST_F(StartupLinkTest, TheGroupIsTheStartUpFoldersOwnNameAndTheTargetTheProgramAsExe) {
    EXPECT_EQ(GetSpecialFolder(*app, 0, CSIDL_STARTUP), "Startup");
    desk.SetStartupFolder("C:\\Users\\Anna\\Startmen\\Programme\\Autostart\\");
    EXPECT_EQ(GetSpecialFolder(*app, 0, CSIDL_STARTUP), "Autostart");
    // UTF-8 text: every byte 0x5C is a backslash, whatever the script ("表" and
    // "ソ" carry 0x5C as their second byte in code page 932, not in UTF-8).
    desk.SetStartupFolder("C:\\Users\\表\\AppData\\スタートアップ");
    EXPECT_EQ(GetSpecialFolder(*app, 0, CSIDL_STARTUP), "スタートアップ");
    desk.FailPathFromIDList(true);
    EXPECT_EQ(GetSpecialFolder(*app, 0, CSIDL_STARTUP), "");
    desk.FailPathFromIDList(false);
    desk.FailSpecialFolderLocation(true);
    EXPECT_EQ(GetSpecialFolder(*app, 0, CSIDL_STARTUP), "");

    // Without a name the group is "StartUp".
    ASSERT_TRUE(CreateStartupLink(*app, 0));
    ASSERT_TRUE(RemoveStartupLink(*app, 0));
    EXPECT_EQ(Calls(), (std::vector<Call>{{"fCreateShellFolder", {"StartUp"}},
                                          {"fCreateShellLink",
                                           {"StartUp", "Pocketry",
                                            "C:\\Program Files\\Pocketry\\Pocketry.exe", ""}},
                                          {"fRemoveShellLink", {"StartUp", "Pocketry"}}}));
    EXPECT_TRUE(desk.MsgBoxes().empty()); // the callers tell of success

    // The target is the program's folder and name, as ".exe".
    using Row = std::tuple<const char*, const char*, const char*>; // folder, file, target
    for (const auto& [folder, file, target] :
         {Row{"C:\\", "POCKETRY.EXE", "C:\\POCKETRY.exe"},
          Row{"C:\\Users\\表\\ソフト", "Pocketry.exe", "C:\\Users\\表\\ソフト\\Pocketry.exe"},
          Row{"C:\\テスト", "ポケット.v2.exe", "C:\\テスト\\ポケット.v2.exe"}}) {
        desk.SetAppFolder(folder);
        desk.SetProgramFileName(file);
        ASSERT_TRUE(CreateStartupLink(*app, 0)) << folder;
        EXPECT_EQ(desk.ShellLinkTarget("Startup", "Pocketry"), target) << folder;
    }
}

TEST_F(StartupLinkTest, EachFailureShowsItsOwnWarning) {
    const auto fails = [&](bool creating, const std::string& warning) {
        desk.ClearMsgBoxes();
        EXPECT_FALSE(creating ? CreateStartupLink(*app, 0) : RemoveStartupLink(*app, 0));
        ExpectOnlyBox(warning, kWarning);
    };
    // A library or function that cannot be loaded, in the platform's words.
    const auto absent = [](const char* verb, std::uint32_t code) {
        return std::string("An error occurred attempting to ") + verb +
               " the Pocketry shortcut:\r\n\r\n" + sim::SystemMessage(code) +
               "\r\n\r\nThe probable cause of this error is the Vb5stkit.dll support file does "
               "not exist in the Windows System folder.";
    };
    desk.SetShellLinkResult("fCreateShellFolder", 0);
    fails(true, "An error occurred attempting to create the StartUp program group.");
    // The shortcut is not attempted without its group.
    EXPECT_EQ(Calls(), (std::vector<Call>{{"fCreateShellFolder", {"Startup"}}}));
    desk.SetShellLinkResult("fCreateShellFolder", std::nullopt);
    desk.SetShellLinkResult("fCreateShellLink", 0);
    fails(true, "An error occurred attempting to create the Pocketry shortcut in the StartUp "
                "program group.");
    fails(false, "An error occurred attempting to remove the Pocketry shortcut from the StartUp "
                 "program group."); // there is none
    desk.SetShellLinkResult("fCreateShellLink", std::nullopt);
    desk.SetShellLinkFunctionMissing("fCreateShellLink", true);
    fails(true, absent("create", 127));
    desk.SetShellLinkLibraryMissing(true);
    fails(true, absent("create", 126));
    fails(false, absent("remove", 126));
}

} // namespace
} // namespace pocketry::testing
