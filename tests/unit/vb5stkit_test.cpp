// The shell-link library's naming rules: which group and link names it
// refuses, which folder a group stands for, and where the shortcut's file goes.

#include <gtest/gtest.h>

#include "vb5stkit/ShellNames.h"

#include <string>
#include <vector>

namespace {

const std::string kStartUp =
    "C:\\Users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
const std::string kPrograms =
    "C:\\Users\\ann\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";

TEST(ShellNamesTest, NamesThatCannotBeOnePathComponentAreRefused) {
    const std::vector<std::string> refused = {
        "",   "..", "a..b", "..\\x", "a\\b", "a/b",  "C:",  "x:y",  ".",    " ",
        "a.", "a ", "a*",   "a?",    "a\"b", "a<b>", "a|b", "a\tb", "\x01", "Startup\\"};
    for (const auto& name : refused)
        EXPECT_FALSE(vb5stkit::IsAcceptableName(name)) << '"' << name << '"';

    const std::vector<std::string> accepted = {"Pocketry", "StartUp",     "Autostart",
                                               " lead",    "v1.0 beta",   "D\xE9marrage",
                                               "a.b",      "Tools & more"};
    for (const auto& name : accepted)
        EXPECT_TRUE(vb5stkit::IsAcceptableName(name)) << '"' << name << '"';
}

// The StartUp folder by its own name, without regard to case, or else a
// folder in Programs.
TEST(ShellNamesTest, AGroupIsTheStartUpFolderByItsOwnNameOrElseAFolderInPrograms) {
    for (const char* group : {"Startup", "StartUp", "STARTUP", "startup"})
        EXPECT_EQ(vb5stkit::GroupFolder(group, kStartUp, kPrograms), kStartUp) << group;
    // A trailing backslash on the shell's path does not hide the name.
    EXPECT_EQ(vb5stkit::GroupFolder("StartUp", kStartUp + "\\", kPrograms), kStartUp + "\\");
    // A translated StartUp folder by its translated name.
    const std::string programs = "C:\\Documents and Settings\\Ann\\Menu D\xE9marrer\\Programmes";
    const std::string french = programs + "\\D\xE9marrage";
    EXPECT_EQ(vb5stkit::GroupFolder("D\xE9marrage", french, programs), french);
    EXPECT_EQ(vb5stkit::GroupFolder("d\xE9MARRAGE", french, programs), french);
    // There the English name is just another program group.
    EXPECT_EQ(vb5stkit::GroupFolder("StartUp", french, programs), programs + "\\StartUp");
    EXPECT_EQ(vb5stkit::GroupFolder("Pocketry", kStartUp, kPrograms), kPrograms + "\\Pocketry");
    EXPECT_EQ(vb5stkit::GroupFolder("Start", kStartUp, kPrograms), kPrograms + "\\Start");
    EXPECT_EQ(vb5stkit::GroupFolder("Startup2", kStartUp, kPrograms), kPrograms + "\\Startup2");
    EXPECT_EQ(vb5stkit::GroupFolder("Pocketry", kStartUp, kPrograms + "\\"),
              kPrograms + "\\Pocketry");
    // Without the shell's StartUp path every group is a program group.
    EXPECT_EQ(vb5stkit::GroupFolder("Startup", "", kPrograms), kPrograms + "\\Startup");
    // Without the Programs path only the StartUp group can be found.
    EXPECT_EQ(vb5stkit::GroupFolder("Pocketry", kStartUp, ""), std::nullopt);
    EXPECT_EQ(vb5stkit::GroupFolder("Startup", kStartUp, ""), kStartUp);
    // A refused name is refused even where it would name the StartUp folder.
    EXPECT_EQ(vb5stkit::GroupFolder("..", kStartUp, kPrograms), std::nullopt);
    EXPECT_EQ(vb5stkit::GroupFolder("Startup\\..", kStartUp, kPrograms), std::nullopt);
}

TEST(ShellNamesTest, TheShortcutIsTheLinkNameWithLnkInTheGroupFolderWorkingInTheTargetsFolder) {
    const auto startup = vb5stkit::LocateLink("StartUp", "Pocketry", kStartUp, kPrograms).value();
    EXPECT_EQ(std::pair(startup.folder, startup.file),
              std::pair(kStartUp, kStartUp + "\\Pocketry.lnk"));
    const auto other = vb5stkit::LocateLink("Pocketry", "Read me", kStartUp, kPrograms).value();
    EXPECT_EQ(std::pair(other.folder, other.file),
              std::pair(kPrograms + "\\Pocketry", kPrograms + "\\Pocketry\\Read me.lnk"));
    EXPECT_EQ(vb5stkit::LocateLink("StartUp", "..\\Pocketry", kStartUp, kPrograms), std::nullopt);
    EXPECT_EQ(vb5stkit::LocateLink("StartUp", "", kStartUp, kPrograms), std::nullopt);
    EXPECT_EQ(vb5stkit::LocateLink("a/b", "Pocketry", kStartUp, kPrograms), std::nullopt);

    // Its working directory is the target's folder.
    EXPECT_EQ(vb5stkit::TargetFolder("C:\\Program Files\\Pocketry\\Pocketry.exe"),
              "C:\\Program Files\\Pocketry");
    EXPECT_EQ(vb5stkit::TargetFolder("C:\\Pocketry.exe"), "C:\\");
    EXPECT_EQ(vb5stkit::TargetFolder("\\\\server\\share\\Pocketry.exe"), "\\\\server\\share");
    EXPECT_EQ(vb5stkit::TargetFolder("\\Pocketry.exe"), "\\");
    EXPECT_EQ(vb5stkit::TargetFolder("Pocketry.exe"), "");
}

TEST(ShellNamesTest, WideNamesFollowTheSameRulesAndFullWidthLookAlikesAreJustCharacters) {
    // The library works in UTF-16, through the same rules as above. A wide character whose low
    // byte is path syntax ("\uFF3C" ends in 0x3C "<", "\u222F" in 0x2F "/") is an ordinary
    // character, and so are the full-width "．．＼".
    for (const std::wstring name : {L"Pocketry", L"\uFF0E\uFF0E\uFF3CEvil", L"\u222F",
                                    L"\u30B9\u30BF\u30FC\u30C8\u30A2\u30C3\u30D7"})
        EXPECT_TRUE(vb5stkit::IsAcceptableName(name)) << name.size();
    for (const std::wstring name : {L"", L"..", L"a\\b", L"a/b", L"C:", L"a.", L"\u30C6 "})
        EXPECT_FALSE(vb5stkit::IsAcceptableName(name)) << name.size();
}

} // namespace
