// Measuring the desktop, placing a window, opening through the shell, file versions.

#include <gtest/gtest.h>

#include <tuple>

#include "program_fixture.h"
#include "tray/FileInfoFunctions_.h"
#include "tray/GetDesktopSize_.h"

namespace pocketry::testing {
namespace {

using namespace GetDesktopSize_;
using namespace FileInfoFunctions_;

class DesktopTest : public ProgramTest {
  protected:
    void SetUp() override { Create(); }
};

TEST_F(DesktopTest, EdgesOfTheWorkAreaOrTheWholeScreenInTwipsOrPixels) {
    using Edges = std::vector<std::int32_t>;
    // Left, top, right, bottom, height, and the width for "w" or anything else.
    const auto edges = [this](bool workArea, bool pixels) {
        Edges all;
        for (const char* edge : {"L", "t", "R", "b", "H", "w", "", "x", "left"}) {
            all.push_back(GetDesktopSize(*app, workArea, pixels, edge));
        }
        return all;
    };
    desk.SetWorkArea({10, 30, 1034, 768}); // taskbar at the top, 30 pixels high
    desk.SetScreenPixels(800, 600);
    EXPECT_EQ(edges(true, true), (Edges{10, 30, 1034, 768, 738, 1024, 1024, 1024, 1024}));
    EXPECT_EQ(edges(true, false),
              (Edges{150, 450, 15510, 11520, 11070, 15360, 15360, 15360, 15360}));
    // The whole screen stands in when the work area is not asked for or not read.
    EXPECT_EQ(edges(false, true), (Edges{0, 0, 800, 600, 600, 800, 800, 800, 800}));
    EXPECT_EQ(edges(false, false), (Edges{0, 0, 12000, 9000, 9000, 12000, 12000, 12000, 12000}));
    desk.FailSystemParameter(platform::SPI_GETWORKAREA, true);
    EXPECT_EQ(edges(true, true), (Edges{0, 0, 800, 600, 600, 800, 800, 800, 800}));
    // Twips round halves to even: 7.5, 22.5, 7507.5 and 5257.5 at 192 dots per inch.
    desk.FailSystemParameter(platform::SPI_GETWORKAREA, false);
    desk.SetTwipsPerPixel(7.5, 7.5);
    desk.SetWorkArea({1, 3, 1001, 701});
    EXPECT_EQ(edges(true, false), (Edges{8, 22, 7508, 5258, 5236, 7500, 7500, 7500, 7500}));
}

TEST_F(DesktopTest, TheWindowStartsCentredAThirdDownAndOtherDivisorsAreMovedIntoRange) {
    desk.SetWorkArea({0, 30, 1024, 768}); // taskbar docked at the top
    StartAsIs();
    const int freeWidth = 1024 * 15 - form->Width();
    const int freeHeight = (768 - 30) * 15 - form->Height();
    EXPECT_EQ(form->Left(), freeWidth / 2);
    EXPECT_EQ(form->Top(), 30 * 15 + freeHeight / 3);
    for (const auto& [given, kept] : {std::pair{0, 2}, {25, 10}, {1, 1}}) {
        std::int32_t divisor = given;
        CenterForm(*app, *form, divisor);
        EXPECT_EQ(divisor, kept); // written back
        EXPECT_EQ(form->Top(), 30 * 15 + freeHeight / kept) << given;
    }
    // A form larger than the work area starts before its origin.
    desk.SetWorkArea({100, 50, 200, 80});
    std::int32_t divisor = 3;
    CenterForm(*app, *form, divisor);
    EXPECT_EQ(form->Left(), 100 * 15 + (100 * 15 - form->Width()) / 2);
    EXPECT_LT(form->Top(), 50 * 15);
}

TEST_F(DesktopTest, OpeningSucceedsOrReportsTheShellsCode) {
    desk.AddFile("C:\\notes.txt");
    desk.SetAssociation("txt", true);
    EXPECT_TRUE(OpenFileOrAddress(*app, "C:\\notes.txt", false, false));
    const auto& call = desk.ShellExecuteCalls().back();
    EXPECT_EQ(std::make_tuple(call.parent, call.verb, call.parameters, call.directory),
              std::make_tuple(desk.api().windows.GetDesktopWindow(), "", "", ""));

    EXPECT_TRUE(OpenFileOrAddress(*app, "C:\\notes.txt", true, false));
    EXPECT_EQ(desk.ShellExecuteCalls().back().showCmd, platform::SW_SHOWMINNOACTIVE);

    desk.AddFile("C:\\data.xyz");
    // Silent failures say nothing.
    for (const bool silent : {true, false}) {
        EXPECT_FALSE(OpenFileOrAddress(*app, "C:\\data.xyz", false, silent));
        EXPECT_FALSE(OpenFileOrAddress(*app, "C:\\missing.txt", false, silent));
    }
    EXPECT_EQ(Shown(), (Boxes{{"There is no association configured for opening the "
                               "'C:\\data.xyz' file or address.",
                               kNotice},
                              {"An error occurred attempting to open the 'C:\\missing.txt' file "
                               "or address (ShellExecute API code 2).",
                               kWarning}}));
}

TEST_F(DesktopTest, FileVersionsAreFourNumbersOrUnknownOrEmpty) {
    desk.AddFile("C:\\tools\\lib.dll");
    desk.SetVersionInfo("C:\\tools\\lib.dll",
                        platform::VsFixedFileInfo{.dwFileVersionMS = (65535u << 16) | 40000u,
                                                  .dwFileVersionLS = (3u << 16) | 4u,
                                                  .dwProductVersionMS = (9u << 16) | 9u});
    desk.AddFile("C:\\tools\\plain.dll");
    desk.SetVersionInfo("C:\\tools\\strings.dll", std::nullopt); // no fixed part
    std::vector<std::string> versions;
    for (const char* file : {"C:\\tools\\lib.dll", "C:\\tools\\plain.dll", "C:\\tools\\strings.dll",
                             "C:\\tools\\none.dll", "   ", ""}) {
        versions.push_back(GetFileVersion(*app, file));
    }
    EXPECT_EQ(versions, (std::vector<std::string>{"65535.40000.3.4", "Unknown", "Unknown",
                                                  "Unknown", "", ""}));
}

} // namespace
} // namespace pocketry::testing
