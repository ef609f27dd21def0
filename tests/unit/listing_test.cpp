// Whether files and folders exist, and the two listings the ads cleanup deletes from.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ads/FileFolderExists_.h"
#include "ads/FileFolderFunctions_.h"
#include "program_fixture.h"

namespace pocketry::testing {
namespace {

using FileFolderExists_::FileExists;
using FileFolderExists_::FolderExists;
using FileFolderFunctions_::GetFiles;
using FileFolderFunctions_::GetSubFolders;
using Names = std::vector<std::string>;

class ListingTest : public ProgramTest {
  protected:
    void SetUp() override { Create(); }
    const Names& Files() const { return app->listing.FoundFiles; }
    const Names& Folders() const { return app->listing.FoundFolders; }

    // start, A, B; A1 and A2 in A; X in A1; B1 in B; a file in each, the top one
    // read-only, beside it a hidden and a system file; beside A and B a directory
    // link, which leads elsewhere: what it shows inside is planted as its content.
    void PlantTree() {
        for (const char* folder : {"C:\\Start\\A\\A2", "C:\\Start\\Link\\Inner"}) {
            desk.AddDirectory(folder);
        }
        for (const char* file :
             {"C:\\Start\\A\\a.txt", "C:\\Start\\A\\A1\\X\\x.txt", "C:\\Start\\B\\b.log",
              "C:\\Start\\B\\B1\\b1.txt", "C:\\Start\\top.log", "C:\\Start\\Link\\far.txt"}) {
            desk.AddFile(file);
        }
        desk.AddFile("C:\\Start\\top.txt", platform::FILE_ATTRIBUTE_READONLY);
        desk.AddFile("C:\\Start\\hidden.txt", sim::FILE_ATTRIBUTE_HIDDEN);
        desk.AddFile("C:\\Start\\system.txt", sim::FILE_ATTRIBUTE_SYSTEM);
        desk.AddDirectoryLink("C:\\Start\\Link");
    }
};

TEST_F(ListingTest, ExistenceOfFilesAndFolders) {
    desk.AddFile("C:\\Juno\\bin\\juno.exe");
    EXPECT_TRUE(FileExists(*app, "C:\\Juno\\bin\\juno.exe"));
    EXPECT_TRUE(FileExists(*app, "C:\\Juno\\bin"));        // a folder counts
    EXPECT_TRUE(FileExists(*app, "C:\\Juno\\bin\\*.exe")); // so does a matching pattern
    EXPECT_FALSE(FileExists(*app, "C:\\Juno\\bin\\*.dll"));
    EXPECT_FALSE(FileExists(*app, "C:\\Juno\\bin\\"));  // the search itself refuses that
    EXPECT_TRUE(FolderExists(*app, "C:\\Juno\\bin\\")); // one trailing "\" is dropped first
    EXPECT_TRUE(FolderExists(*app, "C:\\Juno\\bin\\juno.exe"));
    EXPECT_FALSE(FolderExists(*app, "C:\\Juno\\lib"));
    for (const char* blank : {"", "   "}) {
        EXPECT_FALSE(FileExists(*app, blank));
        EXPECT_FALSE(FolderExists(*app, blank));
    }
}

TEST_F(ListingTest, FoldersComeEachBeforeItsOwnAndFilesFolderByFolderAndPatternByPattern) {
    PlantTree();
    EXPECT_EQ(GetSubFolders(*app, "C:\\Start"), 6);
    EXPECT_EQ(Folders(), (Names{"C:\\Start", "C:\\Start\\A", "C:\\Start\\B", "C:\\Start\\A\\A1",
                                "C:\\Start\\A\\A2", "C:\\Start\\A\\A1\\X", "C:\\Start\\B\\B1"}));
    // With a trailing "\": entry 0 as passed, the rest with one "\" each.
    EXPECT_EQ(GetSubFolders(*app, "C:\\Start\\"), 6);
    EXPECT_EQ(Folders(), (Names{"C:\\Start\\", "C:\\Start\\A", "C:\\Start\\B", "C:\\Start\\A\\A1",
                                "C:\\Start\\A\\A2", "C:\\Start\\A\\A1\\X", "C:\\Start\\B\\B1"}));
    EXPECT_EQ(GetSubFolders(*app, "C:\\Start\\A\\A2"), 0);
    EXPECT_EQ(Folders(), (Names{"C:\\Start\\A\\A2"}));
    EXPECT_EQ(GetSubFolders(*app, "C:\\Nowhere"), 0);
    EXPECT_EQ(Folders(), (Names{"C:\\Nowhere"}));

    // The files folder by folder and pattern by pattern.
    EXPECT_EQ(GetFiles(*app, "C:\\Start", "*.txt;*.log", true, false), 6);
    EXPECT_EQ(Files(), (Names{"C:\\Start\\*.txt;*.log", "C:\\Start\\top.txt", "C:\\Start\\top.log",
                              "C:\\Start\\A\\a.txt", "C:\\Start\\B\\b.log",
                              "C:\\Start\\A\\A1\\X\\x.txt", "C:\\Start\\B\\B1\\b1.txt"}));
    // Without sub-folders, and a name that matches both patterns twice.
    EXPECT_EQ(GetFiles(*app, "C:\\Start\\", "*.txt;top*", false, false), 3);
    EXPECT_EQ(Files(), (Names{"C:\\Start\\*.txt;top*", "C:\\Start\\top.txt", "C:\\Start\\top.log",
                              "C:\\Start\\top.txt"}));
    // Only checking answers without touching the list.
    const Names before = Files();
    EXPECT_EQ(GetFiles(*app, "C:\\Start", "*.txt", true, true), -1);
    EXPECT_EQ(GetFiles(*app, "C:\\Start\\A\\A2", "*.*", true, true), 0);
    EXPECT_EQ(Files(), before);
    EXPECT_EQ(GetFiles(*app, "C:\\Nowhere", "*.*", true, false), 0);
    EXPECT_EQ(Files(), (Names{"C:\\Nowhere\\*.*"}));
}

TEST_F(ListingTest, AnEntryThatCannotBeReachedByItsOwnNameIsSkipped) {
    // What an ANSI listing made of names its code page lacks ("．．＼x.txt"
    // listed as "..\x.txt"), and other path syntax, would lead out of the folder.
    const Names oddFiles = {"..\\x.txt",     "..",         ".", "../y.txt", "C:\\Ads\\top.gif",
                            "ad.gif:stream", "Sub\\in.gif"};
    const Names oddFolders = {"[..\\Up]", "[.]", "[..]", "[a/b]", "[C:\\Ads]", "[C:]", "[]"};
    desk.AlterListings([&](std::uint32_t mask, const std::string&, Names names) {
        const Names& odd = (mask & sim::DDL_DIRECTORY) != 0 ? oddFolders : oddFiles;
        names.insert(names.begin(), odd.begin(), odd.end());
        return names;
    });
    desk.AddFile("C:\\Ads\\Sub\\in.gif");
    // A short form longer than the 512-character buffer cannot be read back: skipped.
    desk.AddFile("C:\\Ads\\Bad\\bad.gif");
    desk.SetShortName("C:\\Ads\\Bad", std::string(600, 'O'));
    // The calls take 259 characters. A 247-character folder is listed, with
    // a short file in it, but not a file or sub-folder that reaches past 259;
    // inside a 257-character folder even "*.*" reaches past it.
    const std::string deep = "C:\\Ads\\" + std::string(240, 'd');
    const std::string deeper = "C:\\Ads\\" + std::string(250, 'x');
    const std::string fits = "C:\\Ads\\" + std::string(252, 'y'); // 259: just fits
    const std::string edge = "C:\\Ads\\" + std::string(253, 'z'); // 260: one too many
    for (const std::string& folder : {fits, edge}) {
        desk.AddDirectory(folder);
        desk.SetShortName(folder, std::string(folder.size() - 7, 'Z'));
    }
    desk.AddFile(deep + "\\" + std::string(30, 'e') + "\\far.gif");
    desk.AddFile(deep + "\\file.gif");
    desk.AddFile(deep + "\\" + std::string(20, 'f') + ".gif");
    desk.AddFile(deeper + "\\a");
    desk.AddFile("C:\\Ads\\top.gif");
    // Nothing shorter to use.
    desk.SetShortName(deep, std::string(240, 'D'));
    desk.SetShortName(deeper, std::string(250, 'X'));
    EXPECT_EQ(GetSubFolders(*app, "C:\\Ads"), 5);
    EXPECT_EQ(Folders(), (Names{"C:\\Ads", "C:\\Ads\\Bad", deep, "C:\\Ads\\Sub", deeper, fits}));
    EXPECT_EQ(GetFiles(*app, "C:\\Ads", "*.*", true, false), 3);
    EXPECT_EQ(Files(), (Names{"C:\\Ads\\*.*", "C:\\Ads\\top.gif", deep + "\\file.gif",
                              "C:\\Ads\\Sub\\in.gif"}));
}

} // namespace
} // namespace pocketry::testing
