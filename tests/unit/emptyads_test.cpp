// Emptying the Juno ads folder: the checks before anything is deleted, the
// order and extent of the deletion, the counts, and the menu command; on
// today's Windows, links, changes during the run and the VirtualStore.

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

constexpr const char* kNotConfirmed =
    "' folder is really the Juno ads folder.  Perhaps the Juno.ini file was mischievously edited.";

// A tree outside the ads folder that nothing may touch, and its contents.
void PlantPrecious(sim::SimDesktop& desk) {
    desk.AddFile("C:\\Precious\\thesis.docx");
    desk.AddFile("C:\\Precious\\Photos\\cat.jpg", FILE_ATTRIBUTE_READONLY);
    desk.AddFile("C:\\Other\\ads\\keep.gif");
}
std::vector<Names> Precious(const sim::SimDesktop& desk) {
    return {desk.Children("C:\\Precious"), desk.Children("C:\\Precious\\Photos"),
            desk.Children("C:\\Other\\ads")};
}
const std::vector<Names> kPreciousIntact = {{"Photos", "thesis.docx"}, {"cat.jpg"}, {"keep.gif"}};

class EmptyAdsTest : public ProgramTest {
  protected:
    explicit EmptyAdsTest(std::string root = "C:\\Juno") : juno{desk, {.root = std::move(root)}} {}
    sim::SimJuno juno;

    void SetUp() override {
        juno.Install();
        Start();
        desk.ClearMsgBoxes();
    }
    // The changes asked for, in order, each as a call.
    Names Changes() const {
        Names ops;
        for (const sim::FileOpCall& c : desk.FileOps()) {
            const bool attributes = c.function == "SetFileAttributesA";
            ops.push_back(c.function + "(" + c.path +
                          (attributes ? ", " + std::to_string(c.attributes) : "") + ")");
        }
        return ops;
    }
    // A run that names `folder` as maybe not Juno's and changes nothing.
    void ExpectRefused(const std::string& folder) {
        desk.ClearMsgBoxes();
        main->EmptyAdsFolder(true);
        ExpectOnlyBox("It could not be confirmed that the '" + folder + kNotConfirmed, kWarning);
        EXPECT_TRUE(desk.FileOps().empty());
        EXPECT_EQ(Precious(desk), kPreciousIntact);
    }
};

TEST_F(EmptyAdsTest, DeletesEveryFileThenTheFoldersEachBeforeItsOwn) {
    // A root with spaces and a "\" is joined once. C:\Juno is no root where
    // Windows redirects: a VirtualStore copy there is none of Juno's and stays.
    desk.SetIniValue("Juno.ini", "Configuration", "Root Dir", "  C:\\Juno\\  ");
    const std::string unseen = desk.VirtualStoreFolder() + "\\Juno\\ads\\v.gif";
    desk.AddFile(unseen);
    desk.AddFile("C:\\Juno\\ads\\top.gif");
    desk.AddFile("C:\\Juno\\ads\\locked.gif", FILE_ATTRIBUTE_READONLY);
    desk.AddFile("C:\\Juno\\ads\\A\\a.gif");
    desk.AddFile("C:\\Juno\\ads\\A\\A1\\a1.gif");
    desk.AddFile("C:\\Juno\\ads\\B\\open.gif");
    desk.SetInUse("C:\\Juno\\ads\\B\\open.gif", true);
    desk.AddDirectoryLink("C:\\Juno\\ads\\link"); // it, and what lies behind it, stay
    desk.AddFile("C:\\Juno\\ads\\link\\precious.doc");
    main->EmptyAdsFolder(true);

    EXPECT_EQ(
        Changes(),
        (Names{"SetFileAttributesA(C:\\Juno\\ads\\locked.gif, 0)",
               "DeleteFileA(C:\\Juno\\ads\\locked.gif)",
               "SetFileAttributesA(C:\\Juno\\ads\\top.gif, 0)",
               "DeleteFileA(C:\\Juno\\ads\\top.gif)",
               "SetFileAttributesA(C:\\Juno\\ads\\A\\a.gif, 0)",
               "DeleteFileA(C:\\Juno\\ads\\A\\a.gif)",
               "SetFileAttributesA(C:\\Juno\\ads\\B\\open.gif, 0)",
               "DeleteFileA(C:\\Juno\\ads\\B\\open.gif)",
               "SetFileAttributesA(C:\\Juno\\ads\\A\\A1\\a1.gif, 0)",
               "DeleteFileA(C:\\Juno\\ads\\A\\A1\\a1.gif)", "RemoveDirectoryA(C:\\Juno\\ads\\A)",
               "RemoveDirectoryA(C:\\Juno\\ads\\B)", "RemoveDirectoryA(C:\\Juno\\ads\\A\\A1)"}));
    // The read-only file went; the one in use stays, so does its folder, and
    // A, which still held A1 when its turn came. Everything listed is counted.
    EXPECT_EQ(desk.Children("C:\\Juno\\ads"), (Names{"A", "B", "link"}));
    EXPECT_EQ(desk.Children("C:\\Juno\\ads\\A"), Names{});
    EXPECT_EQ(desk.Children("C:\\Juno\\ads\\B"), (Names{"open.gif"}));
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
    desk.AddDirectory("C:\\Other\\ads");
    desk.AddFile("C:\\Other\\ads\\keep.doc");
    desk.AddDirectory("C:\\Bare");
    const std::pair<const char*, const char*> cases[] = {
        // Root Dir, warning
        {"", "The Juno folder expected does not appear to be installed on your system."},
        {"   ", "The Juno folder expected does not appear to be installed on your system."},
        {"C:\\Gone", "The Juno folder 'C:\\Gone' specified in the Juno.ini file does not exist."},
        {"C:\\Bare", "The Juno ads folder 'C:\\Bare\\ads' expected does not exist."},
        {" C:\\Other\\ ",
         "It could not be confirmed that the 'C:\\Other\\ads' folder is really the Juno ads "
         "folder.  Perhaps the Juno.ini file was mischievously edited."},
    };
    for (const auto& [rootDir, warning] : cases) {
        desk.SetIniValue("Juno.ini", "Configuration", "Root Dir", rootDir);
        desk.ClearMsgBoxes();
        // The warnings are shown whether or not the result is.
        main->EmptyAdsFolder(false);
        ExpectOnlyBox(warning, kWarning);
    }
    EXPECT_TRUE(desk.FileOps().empty());
    EXPECT_TRUE(desk.MousePointerLog().empty());
    EXPECT_TRUE(desk.Exists("C:\\Other\\ads\\keep.doc"));
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
    EXPECT_TRUE(desk.Exists("C:\\Juno\\ads\\top.gif"));
    juno.Crash();
    desk.AnswerNextMsgBox(IDYES);
    desk.ChooseMenuItem("MenuTray_EmptyAds"); // this time from the tray menu
    ASSERT_TRUE(desk.TrayMouse(form->hWnd(), 1, 517));
    EXPECT_FALSE(desk.Exists("C:\\Juno\\ads\\top.gif"));
    EXPECT_EQ(Shown(),
              (Boxes{{"Are you sure you want to empty the Juno ads folder?", kAskNo},
                     {"Are you sure you want to empty the Juno ads folder?", kAskNo},
                     {"Are you sure you want to empty the Juno ads folder?", kAskNo},
                     {"Empty Juno Ads Folder:  Processed 1 ad files in 0 ad folders.", kNotice}}));
}

// ---- today's Windows

TEST_F(EmptyAdsTest, AnAdsFolderThatIsALinkIsRefusedAndNothingIsTouched) {
    struct Case {
        const char* what;
        const char* target;
        bool wineLinks; // opened without following, a link is its target (Wine)
    };
    const Case cases[] = {
        {"a link, as Windows shows it", "C:\\Precious", false},
        {"a link opened as its target, as under Wine", "C:\\Precious", true},
        {"a link to another folder named ads", "C:\\Other\\ads", false},
        {"the same under Wine", "C:\\Other\\ads", true},
        // Under Wine only the final path tells: the same length elsewhere, or
        // another name of three letters beside it, is no ads folder either.
        {"a link to an ads folder under another root", "C:\\Jumo\\ads", true},
        {"a link to a sibling folder", "C:\\Juno\\bus", true},
    };
    PlantPrecious(desk);
    desk.AddFile("C:\\Jumo\\ads\\keep.gif");
    desk.AddFile("C:\\Juno\\bus\\keep.gif");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        desk.RemoveTree("C:\\Juno\\ads");
        desk.AddDirectoryLink("C:\\Juno\\ads", c.target);
        desk.SetLinksOpenAsTargets(c.wineLinks);
        ExpectRefused("C:\\Juno\\ads");
    }
    EXPECT_TRUE(desk.MousePointerLog().empty());
}

TEST_F(EmptyAdsTest, AJunoRootReachedThroughALinkIsStillJunos) {
    // Juno moved to another drive, a link left where it was.
    desk.RemoveTree("C:\\Juno");
    desk.AddFile("D:\\Apps\\Juno\\bin\\juno.exe");
    desk.AddDirectory("D:\\Apps\\Juno\\ads");
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
            desk.AddFile("C:\\Juno\\ads\\top.gif");
            desk.AddFile("C:\\Juno\\ads\\A\\a.gif");
            for (const char* file :
                 {"C:\\Outside\\top.gif", "C:\\Outside\\a.gif", "C:\\Outside\\A\\a.gif"}) {
                desk.AddFile(file);
            }
            desk.SetLinksOpenAsTargets(wineLinks);
            bool swapped = false;
            desk.BeforeFileOp([&](const std::string&, const std::string&) {
                if (!swapped) {
                    swapped = true;
                    desk.RemoveTree(changed);
                    desk.AddDirectoryLink(changed, "C:\\Outside");
                }
            });
            desk.ClearMsgBoxes();
            main->EmptyAdsFolder(true);
            desk.BeforeFileOp(nullptr);
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

TEST_F(VirtualStoreTest, TheVirtualStoreCopyOfJunoIniIsTheOneRead) {
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
    EXPECT_TRUE(desk.MsgBoxes().empty());
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
    // The real folder, then its copy, each emptied as one folder is; V still
    // held W when its turn came. (The first run's file first.)
    EXPECT_EQ(deleted, (Names{ads + "\\old.gif", ads + "\\top.gif", ads + "\\A\\a.gif", ads + "\\A",
                              copy + "\\v.gif", copy + "\\V\\W\\w.gif", copy + "\\V\\W"}));
    EXPECT_EQ(desk.Children(ads), Names{});
    EXPECT_EQ(desk.Children(copy), Names{"V"});
}

TEST_F(VirtualStoreTest, TheCopyIsCheckedLikeTheRealFolder) {
    PlantPrecious(desk);
    desk.AddFile(ads + "\\top.gif");
    desk.AddDirectoryLink(copy, "C:\\Precious");
    for (const bool wineLinks : {false, true}) {
        SCOPED_TRACE(wineLinks ? "the copy a link, under Wine" : "the copy a link");
        desk.SetLinksOpenAsTargets(wineLinks);
        ExpectRefused(copy);
    }
    // The program file only in the copy's root.
    desk.RemoveTree(store + "\\Program Files");
    desk.SetLinksOpenAsTargets(false);
    desk.RemoveTree("C:\\Program Files\\Juno\\bin");
    desk.AddFile(store + "\\Program Files\\Juno\\bin\\juno.exe");
    desk.AddFile(copy + "\\v.gif");
    ExpectRefused(ads);
    EXPECT_TRUE(desk.Exists(ads + "\\top.gif"));
}

} // namespace
} // namespace pocketry::testing
