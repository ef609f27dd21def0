// Pocketry's shortcut in the StartUp group: the group's name, the target,
// the calls into the shell-link library, and every message.

#include <gtest/gtest.h>

#include <string>
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
    void ExpectOnlyWarning(const std::string& text) { ExpectOnlyBox(text, kWarning); }
};

TEST_F(StartupLinkTest, TheGroupIsTheStartUpFoldersOwnName) {
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
}

TEST_F(StartupLinkTest, TheTargetIsTheProgramsFolderAndNameAsExe) {
    struct Row {
        const char* folder;
        const char* file;
        const char* target;
    };
    for (const Row& r :
         {Row{"C:\\", "POCKETRY.EXE", "C:\\POCKETRY.exe"},
          Row{"C:\\Users\\表\\ソフト", "Pocketry.exe", "C:\\Users\\表\\ソフト\\Pocketry.exe"},
          Row{"C:\\テスト", "ポケット.v2.exe", "C:\\テスト\\ポケット.v2.exe"}}) {
        desk.SetAppFolder(r.folder);
        desk.SetProgramFileName(r.file);
        ASSERT_TRUE(CreateStartupLink(*app, 0)) << r.folder;
        EXPECT_EQ(desk.ShellLinkTarget("Startup", "Pocketry"), r.target) << r.folder;
    }
}

TEST_F(StartupLinkTest, EachFailureShowsItsOwnText) {
    desk.SetShellLinkResult("fCreateShellFolder", 0);
    EXPECT_FALSE(CreateStartupLink(*app, 0));
    ExpectOnlyWarning("An error occurred attempting to create the StartUp program group.");
    // The shortcut is not attempted without its group.
    EXPECT_EQ(Calls(), (std::vector<Call>{{"fCreateShellFolder", {"Startup"}}}));

    desk.SetShellLinkResult("fCreateShellFolder", std::nullopt);
    desk.SetShellLinkResult("fCreateShellLink", 0);
    desk.ClearMsgBoxes();
    EXPECT_FALSE(CreateStartupLink(*app, 0));
    ExpectOnlyWarning("An error occurred attempting to create the Pocketry shortcut in the "
                      "StartUp program group.");

    desk.ClearMsgBoxes();
    EXPECT_FALSE(RemoveStartupLink(*app, 0)); // there is none
    ExpectOnlyWarning("An error occurred attempting to remove the Pocketry shortcut from the "
                      "StartUp program group.");
}

TEST_F(StartupLinkTest, AnAbsentLibraryIsReportedWithThePlatformsWords) {
    desk.SetShellLinkLibraryMissing(true);
    for (const bool creating : {true, false}) {
        desk.ClearMsgBoxes();
        EXPECT_FALSE(creating ? CreateStartupLink(*app, 0) : RemoveStartupLink(*app, 0));
        ExpectOnlyWarning(std::string("An error occurred attempting to ") +
                          (creating ? "create" : "remove") + " the Pocketry shortcut:\r\n\r\n" +
                          sim::SystemMessage(126) +
                          "\r\n\r\nThe probable cause of this error is the Vb5stkit.dll support "
                          "file does not exist in the Windows System folder.");
    }
    desk.SetShellLinkLibraryMissing(false);
    desk.SetShellLinkFunctionMissing("fCreateShellLink", true);
    desk.ClearMsgBoxes();
    EXPECT_FALSE(CreateStartupLink(*app, 0));
    ExpectOnlyWarning("An error occurred attempting to create the Pocketry shortcut:\r\n\r\n" +
                      sim::SystemMessage(127) +
                      "\r\n\r\nThe probable cause of this error is the Vb5stkit.dll support "
                      "file does not exist in the Windows System folder.");
}

} // namespace
} // namespace pocketry::testing
