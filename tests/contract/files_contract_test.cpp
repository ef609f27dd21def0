// Files found and listed, short names, changes confined to a folder, links,
// VirtualStore paths, INI files, the program's path, failures' words and
// settings, as every implementation keeps them: UTF-8 whatever the code page.
#include "contract_fixture.h"

#include <algorithm>

namespace pocketry::contract {
namespace {

using Names = std::vector<std::string>;
using platform::FILE_ATTRIBUTE_DIRECTORY;
using platform::FILE_ATTRIBUTE_READONLY;
constexpr std::uint32_t kHidden = 0x2, kSystem = 0x4, kArchive = 0x20;
constexpr std::uint32_t DDL_HIDDEN = 0x2, DDL_DIRECTORY = 0x10, DDL_EXCLUSIVE = 0x8000;

class FilesContractTest : public ContractTest {
  protected:
    std::string At(const std::string& name) const { return folder + "\\" + name; }

    const std::string folder = bed->MakeTempFolder();
};

TEST_F(FilesContractTest, FindFirstFileFindsANameAloneWithItsAttributes) {
    using Found = std::pair<std::string, std::uint32_t>; // ("", 0): nothing found
    const std::vector<Found> made = {
        {"archive.txt", kArchive},
        {"readonly.txt", FILE_ATTRIBUTE_READONLY | kArchive},
        {"hidden.txt", kHidden | kArchive},
        {"system.txt", kSystem | kArchive},
        {"plain.txt", platform::FILE_ATTRIBUTE_NORMAL},
    };
    Names asked;
    for (const auto& [name, attributes] : made) {
        bed->MakeFile(At(name), attributes);
        asked.push_back(name);
    }
    bed->MakeFolder(At("Sub"));
    // "C:\dir\" names nothing on Windows: the folder's contents need "*".
    asked.insert(asked.end(), {"Sub", "Sub\\", "Missing"});
    std::vector<Found> expected = made;
    expected.insert(expected.end(), {{"Sub", FILE_ATTRIBUTE_DIRECTORY}, {}, {}});
    // Setting FILE_ATTRIBUTE_NORMAL clears every attribute on Windows; Wine
    // reports such a file as an archive.
    if (bed->IsWine())
        expected[4].second = kArchive;
    std::vector<Found> seen;
    for (const std::string& name : asked) {
        auto found = Api().kernel.FindFirstFileA(At(name));
        seen.push_back(found ? Found{found->Data().fileName, found->Data().attributes} : Found{});
    }
    EXPECT_EQ(seen, expected);
}

TEST_F(FilesContractTest, ListBoxDirListsFilesThenFoldersByTheMask) {
    bed->MakeFile(At("b.txt"), kArchive);
    bed->MakeFile(At("A.txt"), FILE_ATTRIBUTE_READONLY | kArchive);
    bed->MakeFile(At("h.txt"), kHidden | kArchive);
    bed->MakeFolder(At("Sub"));
    bed->MakeFolder(At("zeta"));
    platform::Kernel& k = Api().kernel;
    const std::string all = At("*.*");

    // Windows leaves hidden files out unless the mask asks for them; Wine's
    // list box lists every file when the mask is not exclusive.
    const Names plain = bed->IsWine() ? Names{"A.txt", "b.txt", "h.txt"} : Names{"A.txt", "b.txt"};
    EXPECT_EQ(k.ListBoxDir(0, all), plain);
    EXPECT_EQ(k.ListBoxDir(DDL_HIDDEN, all), (Names{"A.txt", "b.txt", "h.txt"}));
    const Names folders = {"[..]", "[Sub]", "[zeta]"};
    Names withFolders = plain;
    withFolders.insert(withFolders.end(), folders.begin(), folders.end());
    EXPECT_EQ(k.ListBoxDir(DDL_DIRECTORY, all), withFolders);
    // Exclusive: the folders alone, also with the mask widened with its sign.
    EXPECT_EQ(k.ListBoxDir(DDL_EXCLUSIVE | DDL_DIRECTORY, all), folders);
    EXPECT_EQ(k.ListBoxDir(0xFFFF8010u, all), folders);
    EXPECT_EQ(k.ListBoxDir(0, At("*.doc")), Names{});
}

TEST_F(FilesContractTest, AShortPathNamesTheSameFileAndAMissingOneGivesNothing) {
    bed->MakeFolder(At("Long Folder Name"));
    const std::string longPath = At("Long Folder Name\\A long file name.text");
    bed->MakeFile(longPath, kArchive);
    platform::Kernel& k = Api().kernel;

    std::string shortPath;
    const std::uint32_t n = k.GetShortPathNameA(longPath, shortPath, 260);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(n, shortPath.size());
    EXPECT_EQ(shortPath.find(' ', 3), std::string::npos) << shortPath; // past the drive
    auto found = k.FindFirstFileA(shortPath);
    ASSERT_NE(found, nullptr) << shortPath;
    EXPECT_EQ(found->Data().fileName, "A long file name.text");

    // Too small a buffer: the size needed, terminator included.
    std::string other;
    EXPECT_EQ(k.GetShortPathNameA(longPath, other, 4), n + 1);
    EXPECT_EQ(k.GetShortPathNameA(At("No Such Folder\\file.txt"), other, 260), 0u);
}

TEST_F(FilesContractTest, NamesBeyondTheAnsiCodePageAreListedAsTheyAreAndDeletedInside) {
    // "Best fit" turns a full-width "．．＼" into "..\": the file beside the
    // folder that such a name would then reach must stay.
    const std::string ads = At("ads");
    bed->MakeFolder(ads);
    bed->MakeFile(At("x.txt"), kArchive);
    const Names files = {ads + "\\日本.gif", ads + "\\．．＼x.txt", ads + "\\[広告]\\広告.htm"};
    bed->MakeFolder(ads + "\\[広告]");
    for (const std::string& file : files)
        bed->MakeFile(file, FILE_ATTRIBUTE_READONLY | kArchive);
    platform::Kernel& k = Api().kernel;
    auto sorted = [](Names names) {
        std::ranges::sort(names);
        return names;
    };

    std::string shortAds;
    ASSERT_GT(k.GetShortPathNameA(ads + "\\", shortAds, 512), 0u);
    EXPECT_EQ(sorted(k.ListBoxDir(0, shortAds + "*.*")), sorted({"日本.gif", "．．＼x.txt"}));
    EXPECT_EQ(sorted(k.ListBoxDir(0xFFFF8010u, shortAds + "*.*")), sorted({"[..]", "[[広告]]"}));
    auto found = k.FindFirstFileA(files[0]);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Data().fileName, "日本.gif");

    const auto inside = k.OpenFolder(ads, false);
    ASSERT_NE(inside, nullptr);
    for (const std::string& file : files) {
        EXPECT_TRUE(k.SetFileAttributesA(*inside, file, 0)) << file;
        EXPECT_TRUE(k.DeleteFileA(*inside, file)) << file;
    }
    EXPECT_TRUE(k.RemoveDirectoryA(*inside, ads + "\\[広告]"));
    EXPECT_EQ(k.ListBoxDir(DDL_DIRECTORY, shortAds + "*.*"), Names{"[..]"});
    // Nothing outside: the folder itself, nor what "..\" names.
    EXPECT_FALSE(k.RemoveDirectoryA(*inside, ads));
    EXPECT_FALSE(k.SetFileAttributesA(*inside, ads + "\\..\\x.txt", 0));
    EXPECT_FALSE(k.DeleteFileA(*inside, ads + "\\..\\x.txt"));
    EXPECT_NE(k.FindFirstFileA(At("x.txt")), nullptr);
}

TEST_F(FilesContractTest, AFolderThatIsALinkShowsItAndNothingBehindItIsReached) {
    bed->MakeFolder(At("Juno"));
    bed->MakeFolder(At("Precious"));
    bed->MakeFolder(At("Precious\\Empty"));
    bed->MakeFile(At("Precious\\thesis.docx"), kArchive);
    if (!bed->MakeDirectoryLink(At("Juno\\ads"), At("Precious")))
        GTEST_SKIP() << "no directory link can be made here";
    platform::Kernel& k = Api().kernel;
    auto found = k.FindFirstFileA(At("Juno\\ads"));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Data().attributes, FILE_ATTRIBUTE_DIRECTORY | 0x400u);

    const auto root = k.OpenFolder(At("Juno"), true);
    const auto ads = k.OpenFolder(At("Juno\\ads"), false);
    const auto precious = k.OpenFolder(At("Precious"), true);
    ASSERT_TRUE(root && ads && precious);
    if (bed->IsWine()) {
        // Wine opens a Unix link as its target: only the final path tells.
        EXPECT_EQ(ads->Attributes(), FILE_ATTRIBUTE_DIRECTORY);
        EXPECT_EQ(ads->FinalPath(), precious->FinalPath());
    } else {
        // Windows opens the link itself.
        EXPECT_NE(ads->Attributes() & 0x400u, 0u);
        EXPECT_EQ(ads->FinalPath(), root->FinalPath() + "\\ads");
    }
    // Confined to the folder that holds the link, nothing is reached through it.
    EXPECT_FALSE(k.SetFileAttributesA(*root, At("Juno\\ads\\thesis.docx"), 0));
    EXPECT_FALSE(k.DeleteFileA(*root, At("Juno\\ads\\thesis.docx")));
    EXPECT_FALSE(k.RemoveDirectoryA(*root, At("Juno\\ads\\Empty")));
    EXPECT_FALSE(k.RemoveDirectoryA(*root, At("Juno\\ads")));
    for (const char* kept : {"Precious\\thesis.docx", "Precious\\Empty", "Juno\\ads"})
        EXPECT_NE(k.FindFirstFileA(At(kept)), nullptr) << kept;
}

TEST_F(FilesContractTest, OnlyPathsWhereWindowsRedirectsHaveAVirtualStoreCounterpart) {
    platform::Kernel& k = Api().kernel;
    const std::string windows = k.GetWindowsDirectoryA();
    ASSERT_GT(windows.size(), 3u);
    struct Row {
        std::string path, tail; // tail: what follows the VirtualStore folder; "" none
    };
    const Row rows[] = {
        {windows + "\\Juno.ini", windows.substr(2) + "\\Juno.ini"},
        {"C:\\Program Files\\Juno\\ads", "\\Program Files\\Juno\\ads"},
        {"c:\\PROGRAM FILES\\Juno", "\\PROGRAM FILES\\Juno"},
        {"C:\\Program Files", ""},
        {"C:\\Program Filesque\\ads", ""},
        {windows, ""},
        {At("Juno\\ads"), ""},
    };
    // The user's VirtualStore folder, the same for every path.
    const std::string first = k.VirtualStorePath(rows[0].path);
    const std::string store =
        first.substr(0, first.size() - std::min(first.size(), rows[0].tail.size()));
    EXPECT_TRUE(store.ends_with("\\VirtualStore")) << first;
    for (const Row& row : rows)
        EXPECT_EQ(k.VirtualStorePath(row.path), row.tail.empty() ? "" : store + row.tail)
            << row.path;
}

TEST_F(ContractTest, ASettingIsStoredAndReadBack) {
    platform::SettingsStore& s = Api().settings;
    EXPECT_TRUE(s.SaveSetting(kContractApp, "Options", "Greeting", "Hello, 2.0").ok());
    std::string value;
    EXPECT_TRUE(s.GetSetting(kContractApp, "Options", "Greeting", "none", value).ok());
    EXPECT_EQ(value, "Hello, 2.0");

    EXPECT_TRUE(s.GetSetting(kContractApp, "Options", "Missing", "the default", value).ok());
    EXPECT_EQ(value, "the default");
}

TEST_F(FilesContractTest, AnIniFileInTheAnsiCodePageIsReadAsItsText) {
    // As the mail client writes its settings: code page 1252 bytes for "ü", "ö".
    bed->MakeAnsiIniFile(At("Juno.ini"), "Configuration", "Root Dir", "C:\\Jünö Mail");
    std::string value;
    const std::int32_t count = Api().kernel.GetPrivateProfileStringA(
        "Configuration", "Root Dir", "", value, 512, At("Juno.ini"));
    EXPECT_EQ(value, "C:\\Jünö Mail");
    EXPECT_EQ(count, static_cast<std::int32_t>(value.size()));
}

TEST_F(ContractTest, TheProgramsOwnPathComesBackWhole) {
    EXPECT_EQ(Api().kernel.GetModuleFileNameA(), "C:\\テスト\\pocketry-contract.exe")
        << "tests/e2e/contract.py runs the suite from there";
}

TEST_F(FilesContractTest, AFailureIsDescribedInTheSystemsWordsWithoutTheClosingStop) {
    const platform::Status status = Api().kernel.StartProcess(At("missing.exe"), 1);
    EXPECT_EQ(status.number, 2u); // ERROR_FILE_NOT_FOUND
    // Wine's message table words it its own way; the simulation speaks as Windows does.
    EXPECT_EQ(status.description,
              bed->IsWine() ? "File not found" : "The system cannot find the file specified");
}

} // namespace
} // namespace pocketry::contract
