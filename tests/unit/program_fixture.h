#pragma once
// A fresh program on a fresh simulated desktop for every test case.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/App.h"
#include "app/MainForm.h"
#include "platform/sim/sim.h"
#include "platform/sim/sim_juno.h"
#include "tray/clsTaskBar.h"

namespace pocketry::testing {

inline const std::string kSection = "Settings";

class ProgramTest : public ::testing::Test {
  protected:
    sim::SimDesktop desk;
    std::unique_ptr<App> app;
    std::unique_ptr<MainForm> main;
    sim::SimForm* form = nullptr;

    void SetStored(const std::string& key, const std::string& value) {
        desk.SetSetting(kTitle, kSection, key, value);
    }
    std::optional<std::string> Stored(const std::string& key) const {
        return desk.Setting(kTitle, kSection, key);
    }

    // Creates the program's state without loading the main window.
    void Create(ProgramVersion version = {1, 0, 0}) {
        app = std::make_unique<App>(desk.api(), version);
        main = std::make_unique<MainForm>(*app);
        app->mainForm = main.get();
    }

    // Loads the main window as a start that is not the first one: it goes to the tray.
    void Start(ProgramVersion version = {1, 0, 0}) {
        if (!Stored("First Run")) {
            SetStored("First Run", "False");
        }
        StartAsIs(version);
    }

    void StartAsIs(ProgramVersion version = {1, 0, 0}) {
        Create(version);
        main->Load();
        form = desk.FindForm("MainForm");
        ASSERT_NE(form, nullptr);
    }

    // The pictures the tray icon was changed to since the shell call numbered `from`.
    std::vector<std::uint32_t> TrayPicturesSince(std::size_t from) const {
        std::vector<std::uint32_t> pictures;
        for (std::size_t i = from; i < desk.NotifyIconCalls().size(); ++i) {
            const sim::NotifyIconCall& c = desk.NotifyIconCalls()[i];
            if (c.message == platform::NIM_MODIFY) {
                pictures.push_back(c.Data().hIcon);
            }
        }
        return pictures;
    }

    void TearDown() override {
        for (const std::string& e : desk.Errors()) {
            ADD_FAILURE() << "simulation error: " << e;
        }
    }
};

} // namespace pocketry::testing
