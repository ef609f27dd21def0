// The settings record against the store: defaults, text forms and the
// failure messages. The order and text forms of the nine keys written back
// are OptionsTest.OkRewritesEveryKeyAndTheShortcutButtonsTellOfSuccess's.

#include <gtest/gtest.h>

#include "app/SettingsApp_.h"
#include "app/basPublic.h"
#include "program_fixture.h"

#include <optional>
#include <tuple>

namespace pocketry::testing {
namespace {

const std::vector<bool> kTruthDefaults = {false, false, true, false, false, false, false};

class SettingsTest : public ProgramTest {
  protected:
    void SetUp() override { Create(); }
    // The seven truth values, in the order of their keys in kTruthKeys.
    std::vector<bool> Truths() const {
        const AppSettingsRecord& s = app->AppSettings;
        return {s.RunJunoAtStart,       s.CloseJunoAtExit,  s.CloseJunoAsk,   s.EmptyAdsAtExit,
                s.EmptyAdsWhenJunoEnds, s.ExitWhenJunoEnds, s.TrayDoubleClick};
    }
    static constexpr const char* kTruthKeys[] = {
        "Run Juno",       "Close Juno",   "Close Juno Ask", "Empty Ads App",
        "Empty Ads Juno", "Exit No Juno", "Tray Double"};
};

TEST_F(SettingsTest, NothingStoredOrAStoreThatCannotBeReadGivesTheDefaultsSilently) {
    basPublic::LoadSettings(*app);
    const AppSettingsRecord& s = app->AppSettings;
    EXPECT_EQ(Truths(), kTruthDefaults);
    EXPECT_EQ(std::make_tuple(s.OptionsTab, s.TrayLeftCommand, s.CheckInterval),
              std::make_tuple(0, 0, 300));
    // Each key in order, read with its default in the text form the store keeps.
    std::vector<std::string> reads;
    for (const auto& op : desk.SettingsLog()) {
        EXPECT_EQ(std::tie(op.write, op.app, op.section),
                  std::tuple(false, "Pocketry", "Settings"));
        reads.push_back(op.key + "=" + op.value);
    }
    EXPECT_EQ(reads,
              (std::vector<std::string>{"Options Tab=0", "Run Juno=False", "Close Juno=False",
                                        "Close Juno Ask=True", "Empty Ads App=False",
                                        "Empty Ads Juno=False", "Exit No Juno=False", "Tray Left=0",
                                        "Tray Double=False", "Check Interval=300"}));

    SetStored("Run Juno", "True");
    desk.FailSettingReads(sim::Failure(5));
    basPublic::LoadSettings(*app);
    EXPECT_EQ(Truths(), kTruthDefaults);
    EXPECT_TRUE(desk.MsgBoxes().empty());
}

TEST_F(SettingsTest, TruthValuesReadInAnyCaseOrAsAnyDecimalNumber) {
    // Any number but zero is true, up to the largest double and beyond 2^53; a
    // text that is neither gives each key its default.
    const std::pair<std::vector<const char*>, std::vector<bool>> groups[] = {
        {{"TRUE", "true", "1", "-1", "0.5", "2.0", "-1.0", " 1.5 ", ".25", "1e2", "4.9e-324",
          "1.7976931348623157e308", "9007199254740993"},
         std::vector<bool>(7, true)},
        {{"FALSE", "fAlSe", "0", "0.0", "-0", "0.", "+0.000"}, std::vector<bool>(7, false)},
        // Rounds past the largest double: no number.
        {{"maybe", "", "1.7976931348623159e308"}, kTruthDefaults}};
    for (const auto& [texts, expected] : groups) {
        for (const char* text : texts) {
            for (const char* key : kTruthKeys) {
                SetStored(key, text);
            }
            basPublic::LoadSettings(*app);
            EXPECT_EQ(Truths(), expected) << text;
        }
    }
}

TEST_F(SettingsTest, NumbersRoundHalvesToEvenAndMustFitTheirField) {
    // The range is the rounded value's; a text that is not a number, or does
    // not fit, gives the default (0, and 300 for the interval).
    struct Row {
        const char* text;
        std::int16_t small; // the options page and the tray command
        std::int32_t interval;
    };
    // Beyond 800 digits only whether more follow counts: 1.000...0001 is 1.
    const std::string longOne = "1" + std::string(849, '0') + "1e-850";
    for (const Row& r :
         {Row{longOne.c_str(), 1, 1}, Row{"2.5", 2, 2}, Row{"3.5", 4, 4}, Row{"-2.5", -2, -2},
          Row{"2.4999", 2, 2}, Row{"2.51", 3, 3}, Row{"6.0", 6, 6}, Row{"32767.4", 32767, 32767},
          Row{"32767.5", 0, 32768}, Row{"-32768.5", -32768, -32768}, Row{"-32768.51", 0, -32769},
          Row{"2147483647.5", 0, 300}, Row{"1.5e1", 15, 15}, Row{"1.2.3", 0, 300}, Row{"5.", 5, 5},
          Row{".", 0, 300}, Row{"inf", 0, 300}, Row{"0x10", 0, 300}, Row{"1e", 0, 300},
          Row{"two", 0, 300}, Row{"40000", 0, 40000}, Row{"99999999999", 0, 300},
          Row{"-32768", -32768, -32768}, Row{" 2 ", 2, 2}, Row{"-45", -45, -45},
          // Read as the nearest double first, then rounded: 2.5, 2.5000000000000004, 32767.5.
          Row{"2.50000000000000001", 2, 2}, Row{"2.5000000000000004", 3, 3},
          Row{"32767.49999999999999", 0, 32768},
          // Exactly between 2.5 and the next double: the even one, 2.5.
          Row{"2.5000000000000002220446049250313080847263336181640625", 2, 2},
          // Beyond a double either way: not a number at all.
          Row{"1e400", 0, 300}, Row{"1e-400", 0, 300}}) {
        for (const char* key : {"Options Tab", "Tray Left", "Check Interval"}) {
            SetStored(key, r.text);
        }
        basPublic::LoadSettings(*app);
        const AppSettingsRecord& s = app->AppSettings;
        EXPECT_EQ(std::make_tuple(s.OptionsTab, s.TrayLeftCommand, s.CheckInterval),
                  std::make_tuple(r.small, r.small, r.interval))
            << r.text;
    }
}

// A failed read gives the default, a failed write false, each told in a message unless
// silent; a refusing store gives SaveSettings one message per key and the record stays.
TEST_F(SettingsTest, EachFailureIsToldUnlessSilentAndTheRecordKeepsItsValues) {
    const auto told = [](const std::string& attempt) {
        return "An error occurred attempting to " + attempt + " the Windows Registry:\r\n\r\n" +
               sim::SystemMessage(5);
    };
    desk.FailSettingReads(sim::Failure(5));
    EXPECT_EQ(SettingsApp_::GetSettingApp(*app, "Settings", "X", "dflt", true), "dflt");
    EXPECT_TRUE(desk.MsgBoxes().empty());
    EXPECT_EQ(SettingsApp_::GetSettingApp(*app, "Settings", "X", "dflt", false), "dflt");
    desk.FailSettingReads(platform::Status::Ok());
    desk.FailSettingWrites(sim::Failure(5), "Broken");
    EXPECT_FALSE(SettingsApp_::SaveSettingApp(*app, "Settings", "Broken", "1", true));
    // A failure of an earlier call is never taken for a later call's own.
    EXPECT_TRUE(SettingsApp_::SaveSettingApp(*app, "Settings", "Fine", "1", false));
    EXPECT_EQ(SettingsApp_::GetSettingApp(*app, "Settings", "Fine", "0", false), "1");
    ExpectOnlyBox(told("read a setting from"), kWarning);

    desk.ClearMsgBoxes();
    desk.FailSettingWrites(sim::Failure(5));
    app->AppSettings.ExitWhenJunoEnds = true;
    basPublic::SaveSettings(*app);
    EXPECT_EQ(Shown(), Boxes(9, {told("save a setting to"), kWarning}));
    EXPECT_TRUE(app->AppSettings.ExitWhenJunoEnds);
    EXPECT_FALSE(Stored("Exit No Juno"));
}

} // namespace
} // namespace pocketry::testing
