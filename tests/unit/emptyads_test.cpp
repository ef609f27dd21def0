// Emptying the Juno ads folder: the checks first, the order and extent of the
// deletion, the counts, the menu command; links, changes mid-run, the VirtualStore.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "juno/SettingsIni_.h"
#include "platform/sim/sim_juno.h"
#include "program_fixture.h"

namespace pocketry::testing {
namespace {

using namespace platform;
using Names = std::vector<std::string>;

std::string NotJunos(const std::string& folder) {
    return "It could not be confirmed that the '" + folder +
           "' folder is really the Juno ads folder.  Perhaps the Juno.ini file was mischievously "
           "edited.";
}

// Folders outside the ads folder, with files that a run led there would delete.
void PlantPrecious(sim::SimDesktop& desk) {
    for (const char* file : {"C:\\Precious\\thesis.docx", "C:\\Other\\ads\\keep.gif",
                             "C:\\Jumo\\ads\\keep.gif", "C:\\Juno\\bus\\keep.gif"}) {
        desk.AddFile(file);
    }
}

class EmptyAdsTest : public ProgramTest {
  protected:
    explicit EmptyAdsTest(std::string root = "C:\\Juno") : juno{desk, {.root = std::move(root)}} {}
    sim::SimJuno juno;

    void SetUp() override {
        juno.Install();
        Start();
        desk.ClearMsgBoxes();
    }
    // The changes asked for, in order, each as a call; paths in C:\Juno\ads from there.
    Names Changes() const {
        const std::string ads = "C:\\Juno\\ads\\";
        Names ops;
        for (const sim::FileOpCall& c : desk.FileOps()) {
            const bool attributes = c.function == "SetFileAttributesA";
            ops.push_back(c.function + "(" +
                          (c.path.starts_with(ads) ? c.path.substr(ads.size()) : c.path) +
                          (attributes ? ", " + std::to_string(c.attributes) : "") + ")");
        }
        return ops;
    }
    // A run that shows only `warning` and asks for no change at all.
    void ExpectRefused(const std::string& warning, bool showResult = true) {
        desk.ClearMsgBoxes();
        main->EmptyAdsFolder(showResult);
        ExpectOnlyBox(warning, kWarning);
        EXPECT_TRUE(desk.FileOps().empty());
    }
};

TEST_F(EmptyAdsTest, DeletesEveryFileThenTheFoldersEachBeforeItsOwn) {
    // A root with spaces and a "\" is joined once. C:\Juno is no root where
    // Windows redirects: a VirtualStore copy there is none of Juno's and stays.
    desk.SetIniValue("Juno.ini", "Configuration", "Root Dir", "  C:\\Juno\\  ");
    const std::string unseen = desk.VirtualStoreFolder() + "\\Juno\\ads\\v.gif";
    desk.AddFile(unseen);
    for (const char* file : {"top.gif", "A\\a.gif", "A\\A1\\a1.gif", "B\\open.gif"}) {
        desk.AddFile(std::string("C:\\Juno\\ads\\") + file);
    }
    desk.AddFile("C:\\Juno\\ads\\locked.gif", FILE_ATTRIBUTE_READONLY);
    desk.SetInUse("C:\\Juno\\ads\\B\\open.gif", true);
    desk.AddDirectoryLink("C:\\Juno\\ads\\link"); // it, and what lies behind it, stay
    desk.AddFile("C:\\Juno\\ads\\link\\precious.doc");
    main->EmptyAdsFolder(true);

    EXPECT_EQ(Changes(),
              (Names{"SetFileAttributesA(locked.gif, 0)", "DeleteFileA(locked.gif)",
                     "SetFileAttributesA(top.gif, 0)", "DeleteFileA(top.gif)",
                     "SetFileAttributesA(A\\a.gif, 0)", "DeleteFileA(A\\a.gif)",
                     "SetFileAttributesA(B\\open.gif, 0)", "DeleteFileA(B\\open.gif)",
                     "SetFileAttributesA(A\\A1\\a1.gif, 0)", "DeleteFileA(A\\A1\\a1.gif)",
                     "RemoveDirectoryA(A)", "RemoveDirectoryA(B)", "RemoveDirectoryA(A\\A1)"}));
    // The file in use stays, so does its folder, and A, which still held A1
    // when its turn came. Everything listed is counted.
    ExpectOnlyBox("Empty Juno Ads Folder:  Processed 5 ad files in 3 ad folders.", kNotice);
    EXPECT_EQ(desk.MousePointerLog(), (std::vector<int>{kPointerHourglass, kPointerDefault}));

    // The next run takes what the first left behind: A, and B once its file is free.
    desk.SetInUse("C:\\Juno\\ads\\B\\open.gif", false);
    desk.ClearMsgBoxes();
    main->EmptyAdsFolder(true);
    EXPECT_EQ(desk.Children("C:\\Juno\\ads"), Names{"link"});
    EXPECT_EQ(desk.Children("C:\\Juno"), (Names{"ads", "bin"}));
    EXPECT_TRUE(desk.Exists("C:\\Juno\\ads\\link\\precious.doc"));
    ExpectOnlyBox("Empty Juno Ads Folder:  Processed 1 ad files in 2 ad folders.", kNotice);
    EXPECT_TRUE(desk.Exists(unseen));
}

TEST_F(EmptyAdsTest, EachCheckRefusesWithItsOwnWarningAndDeletesNothing) {
    PlantPrecious(desk);
    desk.AddDirectory("C:\\Bare");
    const std::pair<std::string, std::string> cases[] = {
        {"", "The Juno folder expected does not appear to be installed on your system."},
        {"   ", "The Juno folder expected does not appear to be installed on your system."},
        {"C:\\Gone", "The Juno folder 'C:\\Gone' specified in the Juno.ini file does not exist."},
        {"C:\\Bare", "The Juno ads folder 'C:\\Bare\\ads' expected does not exist."},
        {" C:\\Other\\ ", NotJunos("C:\\Other\\ads")},
    };
    for (const auto& [rootDir, warning] : cases) {
        SCOPED_TRACE(rootDir);
        desk.SetIniValue("Juno.ini", "Configuration", "Root Dir", rootDir);
        ExpectRefused(warning, false); // the warnings are shown whether or not the result is
    }
    EXPECT_TRUE(desk.MousePointerLog().empty());
}

TEST_F(EmptyAdsTest, TheMenuAsksFirstAndNothingGoesOnNoOrWhileJunoRuns) {
    desk.AddFile("C:\\Juno\\ads\\top.gif");
    desk.AnswerNextMsgBox(IDNO);
    main->MenuTray_EmptyAds_Click();
    // Juno locks up when its ads go while it runs: not even the result is shown.
    juno.StartNow();
    main->EmptyAdsFolder(true);
    desk.AnswerNextMsgBox(IDYES);
    main->MenuTray_EmptyAds_Click();
    EXPECT_TRUE(desk.FileOps().empty());
    juno.Crash();
    desk.AnswerNextMsgBox(IDYES);
    desk.ChooseMenuItem("MenuTray_EmptyAds"); // this time from the tray menu
    ASSERT_TRUE(desk.TrayMouse(form->hWnd(), 1, 517));
    EXPECT_FALSE(desk.Exists("C:\\Juno\\ads\\top.gif"));
    const Boxes::value_type ask{"Are you sure you want to empty the Juno ads folder?", kAskNo},
        told{"Empty Juno Ads Folder:  Processed 1 ad files in 0 ad folders.", kNotice};
    EXPECT_EQ(Shown(), (Boxes{ask, ask, ask, told}));
}

TEST_F(EmptyAdsTest, AnAdsFolderThatIsALinkIsRefusedAndNothingIsTouched) {
    // Under Wine a link opened without following is its target, and only its final path
    // tells: the same length elsewhere, or a sibling of three letters, is no ads folder.
    const std::pair<const char*, bool> cases[] = {
        {"C:\\Precious", false},  {"C:\\Precious", true},  {"C:\\Other\\ads", false},
        {"C:\\Other\\ads", true}, {"C:\\Jumo\\ads", true}, {"C:\\Juno\\bus", true}};
    PlantPrecious(desk);
    for (const auto& [target, wineLinks] : cases) {
        SCOPED_TRACE(std::string(target) + (wineLinks ? ", under Wine" : ""));
        desk.RemoveTree("C:\\Juno\\ads");
        desk.AddDirectoryLink("C:\\Juno\\ads", target);
        desk.SetLinksOpenAsTargets(wineLinks);
        ExpectRefused(NotJunos("C:\\Juno\\ads"));
    }
    EXPECT_TRUE(desk.MousePointerLog().empty());
}

TEST_F(EmptyAdsTest, AJunoRootReachedThroughALinkIsStillJunos) {
    // Juno moved to another drive, a link left where it was.
    desk.RemoveTree("C:\\Juno");
    desk.AddFile("D:\\Apps\\Juno\\bin\\juno.exe");
    desk.AddDirectoryLink("C:\\Juno", "D:\\Apps\\Juno");
    for (const bool wineLinks : {false, true}) {
        desk.SetLinksOpenAsTargets(wineLinks);
        desk.AddFile("C:\\Juno\\ads\\A\\ad.gif"); // lands in D:\Apps\Juno\ads
        desk.ClearMsgBoxes();
        main->EmptyAdsFolder(true);
        ExpectOnlyBox("Empty Juno Ads Folder:  Processed 1 ad files in 1 ad folders.", kNotice);
        EXPECT_EQ(desk.Children("D:\\Apps\\Juno\\ads"), Names{}) << wineLinks;
    }
}

TEST_F(EmptyAdsTest, WhatChangesDuringTheRunCannotLeadOutside) {
    // The folder made a link to C:\Outside before the first change, and the
    // counts as listed: the sub-folders are listed after the files.
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Juno\\ads\\A", "Empty Juno Ads Folder:  Processed 2 ad files in 0 ad folders."},
        {"C:\\Juno\\ads", "Empty Juno Ads Folder:  Processed 2 ad files in 1 ad folders."}};
    for (const auto& [changed, notice] : cases) {
        for (const bool wineLinks : {false, true}) {
            SCOPED_TRACE(std::string(changed) + (wineLinks ? ", under Wine" : ""));
            desk.RemoveTree("C:\\Juno\\ads");
            for (const char* file :
                 {"C:\\Juno\\ads\\top.gif", "C:\\Juno\\ads\\A\\a.gif", "C:\\Outside\\top.gif",
                  "C:\\Outside\\a.gif", "C:\\Outside\\A\\a.gif"}) {
                desk.AddFile(file);
            }
            desk.SetLinksOpenAsTargets(wineLinks);
            desk.BeforeFileOp([&, swapped = false](const std::string&, const std::string&) mutable {
                if (!std::exchange(swapped, true)) {
                    desk.RemoveTree(changed);
                    desk.AddDirectoryLink(changed, "C:\\Outside");
                }
            });
            desk.ClearMsgBoxes();
            main->EmptyAdsFolder(true);
            // Nothing behind the link went, the link neither.
            ExpectOnlyBox(notice, kNotice);
            EXPECT_EQ(desk.Children("C:\\Outside"), (Names{"A", "a.gif", "top.gif"}));
            EXPECT_EQ(desk.Children("C:\\Outside\\A"), Names{"a.gif"});
            EXPECT_TRUE(desk.Exists(changed));
        }
    }
}

// A legacy Juno under Program Files: Windows redirects its writes to the
// user's VirtualStore, and it reads what it wrote there.
class VirtualStoreTest : public EmptyAdsTest {
  protected:
    VirtualStoreTest() : EmptyAdsTest("C:\\Program Files\\Juno") {}
    const std::string store = desk.VirtualStoreFolder();
    const std::string ads = "C:\\Program Files\\Juno\\ads";
    const std::string copy = store + "\\Program Files\\Juno\\ads";
};

TEST_F(VirtualStoreTest, JunoIniIsReadFromItsVirtualStoreCopyWithDefaultsForMissingOrUnread) {
    using Read = std::pair<std::string, std::string>; // the root, the file it is read from
    const auto read = [&] {
        return Read(SettingsIni_::JunoRootDir(*app), SettingsIni_::JunoIniFile(*app));
    };
    EXPECT_EQ(read(), Read("C:\\Program Files\\Juno", "Juno.ini"));
    const std::string ini = store + "\\WINDOWS\\Juno.ini";
    desk.SetIniValue(ini, "Configuration", "Other", ""); // a copy without the key
    EXPECT_EQ(read(), Read("", ini));
    desk.SetIniValue(ini, "Configuration", "Root Dir", " D:\\Juno ");
    EXPECT_EQ(read(), Read("D:\\Juno", ini));
    // The reader: a value as written, at most 511 characters (its buffer holds the NUL),
    // the default when missing or unread, the error told unless silent.
    using SettingsIni_::GetSettingIni;
    EXPECT_EQ(GetSettingIni(*app, ini, "Configuration", "Root Dir", "", false), " D:\\Juno ");
    desk.SetIniValue("Juno.ini", "Configuration", "Long", std::string(600, 'x'));
    EXPECT_EQ(GetSettingIni(*app, "Juno.ini", "Configuration", "Long", "", false),
              std::string(511, 'x'));
    EXPECT_EQ(GetSettingIni(*app, "Juno.ini", "Configuration", "Other", "d", false), "d");
    desk.FailIniReads(true);
    EXPECT_EQ(GetSettingIni(*app, "Juno.ini", "Configuration", "Root Dir", "dflt", true), "dflt");
    EXPECT_EQ(GetSettingIni(*app, "Juno.ini", "Configuration", "Root Dir", "dflt", false), "dflt");
    ExpectOnlyBox("An error occurred attempting to read a setting from the 'Juno.ini' file.",
                  kWarning);
}

TEST_F(VirtualStoreTest, BothCopiesOfTheAdsFolderAreEmptiedTheCountsAddedUp) {
    // The usual case: Windows could redirect, but Juno never wrote a copy.
    desk.AddFile(ads + "\\old.gif");
    main->EmptyAdsFolder(true);
    ExpectOnlyBox("Empty Juno Ads Folder:  Processed 1 ad files in 0 ad folders.", kNotice);
    desk.ClearMsgBoxes();
    desk.AddFile(ads + "\\top.gif");
    desk.AddFile(ads + "\\A\\a.gif");
    desk.AddFile(copy + "\\v.gif", FILE_ATTRIBUTE_READONLY);
    desk.AddFile(copy + "\\V\\W\\w.gif");
    main->EmptyAdsFolder(true);
    ExpectOnlyBox("Empty Juno Ads Folder:  Processed 4 ad files in 3 ad folders.", kNotice);
    std::vector<std::string> deleted;
    for (const sim::FileOpCall& c : desk.FileOps()) {
        if (c.function != "SetFileAttributesA" && c.result) {
            deleted.push_back(c.path);
        }
    }
    // The first run's file, then the real folder, then its copy; V still held W.
    EXPECT_EQ(deleted, (Names{ads + "\\old.gif", ads + "\\top.gif", ads + "\\A\\a.gif", ads + "\\A",
                              copy + "\\v.gif", copy + "\\V\\W\\w.gif", copy + "\\V\\W"}));
}

TEST_F(VirtualStoreTest, TheCopyIsCheckedLikeTheRealFolder) {
    PlantPrecious(desk);
    desk.AddFile(ads + "\\top.gif");
    desk.AddDirectoryLink(copy, "C:\\Precious");
    for (const bool wineLinks : {false, true}) {
        SCOPED_TRACE(wineLinks ? "the copy a link, under Wine" : "the copy a link");
        desk.SetLinksOpenAsTargets(wineLinks);
        ExpectRefused(NotJunos(copy));
    }
    // The program file only in the copy's root.
    desk.RemoveTree(store + "\\Program Files");
    desk.SetLinksOpenAsTargets(false);
    desk.RemoveTree("C:\\Program Files\\Juno\\bin");
    desk.AddFile(store + "\\Program Files\\Juno\\bin\\juno.exe");
    desk.AddFile(copy + "\\v.gif");
    ExpectRefused(NotJunos(ads));
}

} // namespace
} // namespace pocketry::testing
