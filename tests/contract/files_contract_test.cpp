// Files found and listed, short names, changes confined to a folder, links, VirtualStore
// paths, stored values, the program's path and failures' words, as every implementation
// keeps them: UTF-8 whatever the code page.
#include "contract.h"

#include <algorithm>

namespace pocketry::contract {
namespace {

using Entry = std::pair<std::string, std::uint32_t>; // a name and its attributes
using Entries = std::vector<Entry>;
constexpr std::uint32_t kReadOnly = 0x1, kHidden = 0x2, kSystem = 0x4, kFolder = 0x10,
                        kArchive = 0x20, kNormal = 0x80, kReparse = 0x400;
constexpr std::uint32_t DDL_HIDDEN = 0x2, DDL_SYSTEM = 0x4, DDL_DIRECTORY = 0x10,
                        DDL_EXCLUSIVE = 0x8000;

class FilesContractTest : public ContractTest {
  protected:
    std::string At(const std::string& name) const { return folder + "\\" + name; }
    void Make(const Entries& entries) {
        for (const auto& [name, attributes] : entries)
            bed->MakeEntry(At(name), attributes);
    }

    const std::string folder = bed->MakeTempFolder();
};

// Windows leaves hidden and system files out of a list unless the mask asks
// for them; Wine's list box lists every file when the mask is not exclusive.
TEST_F(FilesContractTest, AFileIsFoundAloneWithItsAttributesAndListedByTheMask) {
    const Entries made = {{"b.txt", kArchive},
                          {"A.txt", kReadOnly | kArchive},
                          {"h.txt", kHidden | kArchive},
                          {"s.txt", kSystem | kArchive},
                          {"n.txt", kNormal},
                          {"Sub", kFolder},
                          {"zeta", kFolder}};
    Make(made);
    platform::Kernel& k = Api().kernel;
    auto find = [&](const std::string& name) {
        auto found = k.FindFirstFileA(At(name));
        return found ? Entry{found->Data().fileName, found->Data().attributes} : Entry{};
    };
    Entries seen, expected = made;
    for (const auto& entry : made)
        seen.push_back(find(entry.first));
    // Set to FILE_ATTRIBUTE_NORMAL, a file has none on Windows; Wine reports an archive.
    if (bed->IsWine())
        expected[4].second = kArchive;
    EXPECT_EQ(seen, expected);
    // "C:\dir\" names nothing on Windows: the folder's contents need "*".
    EXPECT_EQ((Entries{find("Sub\\"), find("Missing")}), (Entries{{}, {}}));

    const std::string all = At("*.*");
    const Texts every = {"A.txt", "b.txt", "h.txt", "n.txt", "s.txt"};
    const Texts plain = bed->IsWine() ? every : Texts{"A.txt", "b.txt", "n.txt"};
    EXPECT_EQ(k.ListBoxDir(0, all), plain);
    EXPECT_EQ(k.ListBoxDir(DDL_HIDDEN | DDL_SYSTEM, all), every);
    EXPECT_EQ(k.ListBoxDir(DDL_DIRECTORY | DDL_HIDDEN | DDL_SYSTEM, all),
              (Texts{"A.txt", "b.txt", "h.txt", "n.txt", "s.txt", "[..]", "[Sub]", "[zeta]"}));
    // Exclusive: the folders alone, also with the mask widened with its sign.
    const Texts folders = {"[..]", "[Sub]", "[zeta]"};
    EXPECT_EQ(k.ListBoxDir(DDL_EXCLUSIVE | DDL_DIRECTORY, all), folders);
    EXPECT_EQ(k.ListBoxDir(0xFFFF8010u, all), folders);
    EXPECT_EQ(k.ListBoxDir(0, At("*.doc")), Texts{});
}

// "Best fit" turns a full-width "．．＼" into "..\": the file beside the folder that such a
// name would then reach must stay. The folder is listed by its short name, without spaces.
TEST_F(FilesContractTest, NamesBeyondTheAnsiCodePageAreListedAsTheyAreAndDeletedInside) {
    const std::string ads = At("Juno ads folder");
    Make({{"Juno ads folder", kFolder}, {"Juno ads folder\\[広告]", kFolder}, {"x.txt", kArchive}});
    const Texts files = {ads + "\\日本.gif", ads + "\\．．＼x.txt", ads + "\\[広告]\\広告.htm"};
    for (const std::string& file : files)
        bed->MakeEntry(file, kReadOnly | kArchive);
    platform::Kernel& k = Api().kernel;
    auto sorted = [](Texts names) {
        std::ranges::sort(names);
        return names;
    };

    std::string shortAds, other;
    const std::uint32_t n = k.GetShortPathNameA(ads + "\\", shortAds, 512);
    EXPECT_EQ(n, shortAds.size());
    EXPECT_EQ(shortAds.find(' ', 3), std::string::npos) << shortAds; // past the drive
    // Too small a buffer: the size needed, terminator included.
    EXPECT_EQ(k.GetShortPathNameA(ads + "\\", other, 4), n + 1);
    EXPECT_EQ(k.GetShortPathNameA(At("No Such Folder\\"), other, 260), 0u);
    EXPECT_EQ(sorted(k.ListBoxDir(0, shortAds + "*.*")), sorted({"日本.gif", "．．＼x.txt"}));
    EXPECT_EQ(sorted(k.ListBoxDir(0xFFFF8010u, shortAds + "*.*")), sorted({"[..]", "[[広告]]"}));
    auto found = k.FindFirstFileA(shortAds + "日本.gif");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Data().fileName, "日本.gif");

    const auto inside = k.OpenFolder(ads, false);
    ASSERT_NE(inside, nullptr);
    for (const std::string& file : files) {
        EXPECT_TRUE(k.SetFileAttributesA(*inside, file, 0)) << file;
        EXPECT_TRUE(k.DeleteFileA(*inside, file)) << file;
    }
    EXPECT_TRUE(k.RemoveDirectoryA(*inside, ads + "\\[広告]"));
    EXPECT_EQ(k.ListBoxDir(DDL_DIRECTORY, shortAds + "*.*"), Texts{"[..]"});
    // Nothing outside: the folder itself, nor what "..\" names.
    EXPECT_FALSE(k.RemoveDirectoryA(*inside, ads));
    EXPECT_FALSE(k.SetFileAttributesA(*inside, ads + "\\..\\x.txt", 0));
    EXPECT_FALSE(k.DeleteFileA(*inside, ads + "\\..\\x.txt"));
    EXPECT_NE(k.FindFirstFileA(At("x.txt")), nullptr);
}

TEST_F(FilesContractTest, AFolderThatIsALinkShowsItAndNothingBehindItIsReached) {
    Make({{"Juno", kFolder}, {"Precious", kFolder}, {"Precious\\Empty", kFolder}});
    bed->MakeEntry(At("Precious\\thesis.docx"), kArchive);
    if (!bed->MakeDirectoryLink(At("Juno\\ads"), At("Precious")))
        GTEST_SKIP() << "no directory link can be made here";
    platform::Kernel& k = Api().kernel;
    auto found = k.FindFirstFileA(At("Juno\\ads"));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Data().attributes, kFolder | kReparse);

    const auto root = k.OpenFolder(At("Juno"), true);
    const auto ads = k.OpenFolder(At("Juno\\ads"), false);
    const auto precious = k.OpenFolder(At("Precious"), true);
    ASSERT_TRUE(root && ads && precious);
    // Windows opens the link itself; Wine opens a Unix link as its target: the final path tells.
    EXPECT_EQ(std::pair(ads->Attributes() & (kFolder | kReparse), ads->FinalPath()),
              bed->IsWine() ? std::pair(kFolder, precious->FinalPath())
                            : std::pair(kFolder | kReparse, root->FinalPath() + "\\ads"));
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
    // A path and what follows the VirtualStore folder for it; "" none.
    const std::pair<std::string, std::string> rows[] = {
        {windows + "\\Juno.ini", windows.substr(2) + "\\Juno.ini"},
        {"C:\\Program Files\\Juno\\ads", "\\Program Files\\Juno\\ads"},
        {"c:\\PROGRAM FILES\\Juno", "\\PROGRAM FILES\\Juno"},
        {"C:\\Program Files", ""},
        {"C:\\Program Filesque\\ads", ""},
        {windows, ""},
        {At("Juno\\ads"), ""},
    };
    // The user's VirtualStore folder, the same for every path.
    const std::string first = k.VirtualStorePath(rows[0].first);
    const std::string store =
        first.substr(0, first.size() - std::min(first.size(), rows[0].second.size()));
    EXPECT_TRUE(store.ends_with("\\VirtualStore")) << first;
    for (const auto& [path, tail] : rows)
        EXPECT_EQ(k.VirtualStorePath(path), tail.empty() ? "" : store + tail) << path;
}

// A setting stored, one missing, an INI file's value as the mail client writes it (code
// page 1252 bytes) and its length in UTF-8, the program's path (tests/e2e/contract.py runs the
// suite from there), and a failure's number and words without the closing stop: Wine's
// message table words it its own way, the simulation speaks as Windows does.
TEST_F(FilesContractTest, WhatTheSystemHoldsComesBackAsItsText) {
    platform::SettingsStore& s = Api().settings;
    platform::Kernel& k = Api().kernel;
    EXPECT_TRUE(s.SaveSetting(kContractApp, "Options", "Greeting", "Hello, 2.0").ok());
    bed->MakeAnsiIniFile(At("Juno.ini"), "Configuration", "Root Dir", "C:\\Jünö Mail");
    std::string value, missing, root;
    EXPECT_TRUE(s.GetSetting(kContractApp, "Options", "Greeting", "none", value).ok());
    EXPECT_TRUE(s.GetSetting(kContractApp, "Options", "Missing", "the default", missing).ok());
    const std::int32_t count =
        k.GetPrivateProfileStringA("Configuration", "Root Dir", "", root, 512, At("Juno.ini"));
    const platform::Status failure = k.StartProcess(At("missing.exe"), 1);
    EXPECT_EQ(
        (Texts{value, missing, root, std::to_string(count), k.GetModuleFileNameA(),
               std::to_string(failure.number), failure.description}),
        (Texts{"Hello, 2.0", "the default", "C:\\Jünö Mail", "14",
               "C:\\テスト\\pocketry-contract.exe", "2", // ERROR_FILE_NOT_FOUND
               bed->IsWine() ? "File not found" : "The system cannot find the file specified"}));
}

} // namespace
} // namespace pocketry::contract
