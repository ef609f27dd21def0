// Emptying the Juno ads folder: the checks before anything is deleted, the
// order and extent of the deletion, the counts, and the menu command.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/sim_juno.h"
#include "program_fixture.h"

namespace pocketry::testing {
namespace {

using namespace platform;
using Names = std::vector<std::string>;

struct Op {
    std::string function, path;
    bool operator==(const Op&) const = default;
};

class EmptyAdsTest : public ProgramTest {
  protected:
    sim::SimJuno juno{desk, {.root = "C:\\Juno"}};

    void SetUp() override {
        juno.Install();
        Start();
        desk.ClearMsgBoxes();
    }
    // The deletions, in the order they were asked for.
    std::vector<Op> Deletions() const {
        std::vector<Op> ops;
        for (const sim::FileOpCall& c : desk.FileOps()) {
            ops.push_back({c.function, c.path});
        }
        return ops;
    }
    std::vector<std::pair<std::string, std::uint32_t>> Boxes() const {
        std::vector<std::pair<std::string, std::uint32_t>> boxes;
        for (const sim::MsgBoxRecord& m : desk.MsgBoxes()) {
            boxes.emplace_back(m.prompt, m.style);
        }
        return boxes;
    }
    void ExpectOnlyBox(const std::string& text, std::uint32_t style) {
        EXPECT_EQ(Boxes(), (std::vector<std::pair<std::string, std::uint32_t>>{{text, style}}));
    }
};

TEST_F(EmptyAdsTest, DeletesEveryFileThenTheFoldersEachBeforeItsOwn) {
    desk.AddFile("C:\\Juno\\ads\\top.gif");
    desk.AddFile("C:\\Juno\\ads\\locked.gif", FILE_ATTRIBUTE_READONLY);
    desk.AddFile("C:\\Juno\\ads\\A\\a.gif");
    desk.AddFile("C:\\Juno\\ads\\A\\A1\\a1.gif");
    desk.AddFile("C:\\Juno\\ads\\B\\open.gif");
    desk.SetInUse("C:\\Juno\\ads\\B\\open.gif", true);
    main->EmptyAdsFolder(true);

    EXPECT_EQ(Deletions(), (std::vector<Op>{
                               {"SetFileAttributesA", "C:\\Juno\\ads\\locked.gif"},
                               {"DeleteFileA", "C:\\Juno\\ads\\locked.gif"},
                               {"SetFileAttributesA", "C:\\Juno\\ads\\top.gif"},
                               {"DeleteFileA", "C:\\Juno\\ads\\top.gif"},
                               {"SetFileAttributesA", "C:\\Juno\\ads\\A\\a.gif"},
                               {"DeleteFileA", "C:\\Juno\\ads\\A\\a.gif"},
                               {"SetFileAttributesA", "C:\\Juno\\ads\\B\\open.gif"},
                               {"DeleteFileA", "C:\\Juno\\ads\\B\\open.gif"},
                               {"SetFileAttributesA", "C:\\Juno\\ads\\A\\A1\\a1.gif"},
                               {"DeleteFileA", "C:\\Juno\\ads\\A\\A1\\a1.gif"},
                               {"RemoveDirectoryA", "C:\\Juno\\ads\\A"},
                               {"RemoveDirectoryA", "C:\\Juno\\ads\\B"},
                               {"RemoveDirectoryA", "C:\\Juno\\ads\\A\\A1"},
                           }));
    for (const sim::FileOpCall& c : desk.FileOps()) {
        if (c.function == "SetFileAttributesA") {
            EXPECT_EQ(c.attributes, 0u) << c.path;
        }
    }
    // The read-only file went; the one in use stays, so does its folder, and
    // A, which still held A1 when its turn came. Everything listed is counted.
    EXPECT_EQ(desk.Children("C:\\Juno\\ads"), (Names{"A", "B"}));
    EXPECT_EQ(desk.Children("C:\\Juno\\ads\\A"), Names{});
    EXPECT_EQ(desk.Children("C:\\Juno\\ads\\B"), (Names{"open.gif"}));
    ExpectOnlyBox("Empty Juno Ads Folder:  Processed 5 ad files in 3 ad folders.", 0x11040);
    EXPECT_EQ(desk.MousePointerLog(), (std::vector<int>{kPointerHourglass, kPointerDefault}));

    // The next run takes what the first left behind: A, and B once its file is free.
    desk.SetInUse("C:\\Juno\\ads\\B\\open.gif", false);
    desk.ClearMsgBoxes();
    main->EmptyAdsFolder(false);
    EXPECT_EQ(desk.Children("C:\\Juno\\ads"), Names{});
    EXPECT_EQ(desk.Children("C:\\Juno"), (Names{"ads", "bin"}));
    EXPECT_TRUE(desk.MsgBoxes().empty());
}

TEST_F(EmptyAdsTest, AnEmptyFolderGivesZeroCounts) {
    main->EmptyAdsFolder(true);
    ExpectOnlyBox("Empty Juno Ads Folder:  Processed 0 ad files in 0 ad folders.", 0x11040);
    EXPECT_TRUE(desk.Exists("C:\\Juno\\ads"));
}

TEST_F(EmptyAdsTest, NothingHappensWhileJunoRuns) {
    desk.AddFile("C:\\Juno\\ads\\top.gif");
    juno.StartNow();
    main->EmptyAdsFolder(true);
    desk.AnswerNextMsgBox(IDYES);
    main->MenuTray_EmptyAds_Click();
    // Only the menu's own question was shown.
    ExpectOnlyBox("Are you sure you want to empty the Juno ads folder?", 0x11124);
    EXPECT_TRUE(desk.FileOps().empty());
    EXPECT_TRUE(desk.Exists("C:\\Juno\\ads\\top.gif"));
}

TEST_F(EmptyAdsTest, EachCheckRefusesWithItsOwnWarningAndDeletesNothing) {
    struct Case {
        std::string rootDir;
        std::string warning;
    };
    desk.AddDirectory("C:\\Other\\ads");
    desk.AddFile("C:\\Other\\ads\\keep.doc");
    desk.AddDirectory("C:\\Bare");
    const Case cases[] = {
        {"", "The Juno folder expected does not appear to be installed on your system."},
        {"   ", "The Juno folder expected does not appear to be installed on your system."},
        {"C:\\Gone", "The Juno folder 'C:\\Gone' specified in the Juno.ini file does not exist."},
        {"C:\\Bare", "The Juno ads folder 'C:\\Bare\\ads' expected does not exist."},
        {" C:\\Other\\ ",
         "It could not be confirmed that the 'C:\\Other\\ads' folder is really the Juno ads "
         "folder.  Perhaps the Juno.ini file was mischievously edited."},
    };
    for (const Case& c : cases) {
        desk.SetIniValue("Juno.ini", "Configuration", "Root Dir", c.rootDir);
        desk.ClearMsgBoxes();
        // The warnings are shown whether or not the result is.
        main->EmptyAdsFolder(false);
        ExpectOnlyBox(c.warning, 0x11030);
    }
    EXPECT_TRUE(desk.FileOps().empty());
    EXPECT_TRUE(desk.MousePointerLog().empty());
    EXPECT_TRUE(desk.Exists("C:\\Other\\ads\\keep.doc"));
}

TEST_F(EmptyAdsTest, ARootWithSpacesAndATrailingBackslashIsJoinedOnce) {
    desk.SetIniValue("Juno.ini", "Configuration", "Root Dir", "  C:\\Juno\\  ");
    desk.AddFile("C:\\Juno\\ads\\top.gif");
    main->EmptyAdsFolder(true);
    EXPECT_EQ(Deletions(), (std::vector<Op>{{"SetFileAttributesA", "C:\\Juno\\ads\\top.gif"},
                                            {"DeleteFileA", "C:\\Juno\\ads\\top.gif"}}));
    ExpectOnlyBox("Empty Juno Ads Folder:  Processed 1 ad files in 0 ad folders.", 0x11040);
}

TEST_F(EmptyAdsTest, ADirectoryLinkAndWhatLiesBehindItStay) {
    desk.AddDirectoryLink("C:\\Juno\\ads\\link");
    desk.AddFile("C:\\Juno\\ads\\link\\precious.doc");
    desk.AddFile("C:\\Juno\\ads\\ad.gif");
    main->EmptyAdsFolder(true);
    EXPECT_EQ(Deletions(), (std::vector<Op>{{"SetFileAttributesA", "C:\\Juno\\ads\\ad.gif"},
                                            {"DeleteFileA", "C:\\Juno\\ads\\ad.gif"}}));
    EXPECT_TRUE(desk.Exists("C:\\Juno\\ads\\link\\precious.doc"));
    ExpectOnlyBox("Empty Juno Ads Folder:  Processed 1 ad files in 0 ad folders.", 0x11040);
}

TEST_F(EmptyAdsTest, TheMenuAsksFirstAndNoKeepsEverything) {
    desk.AddFile("C:\\Juno\\ads\\top.gif");
    desk.AnswerNextMsgBox(IDNO);
    main->MenuTray_EmptyAds_Click();
    EXPECT_TRUE(desk.Exists("C:\\Juno\\ads\\top.gif"));
    desk.AnswerNextMsgBox(IDYES);
    main->MenuTray_EmptyAds_Click();
    EXPECT_FALSE(desk.Exists("C:\\Juno\\ads\\top.gif"));
    EXPECT_EQ(Boxes(),
              (std::vector<std::pair<std::string, std::uint32_t>>{
                  {"Are you sure you want to empty the Juno ads folder?", 0x11124},
                  {"Are you sure you want to empty the Juno ads folder?", 0x11124},
                  {"Empty Juno Ads Folder:  Processed 1 ad files in 0 ad folders.", 0x11040}}));
}

} // namespace
} // namespace pocketry::testing
