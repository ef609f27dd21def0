// The contract cases' bed on the simulated desktop: its scripting calls.
#include "contract.h"

#include "platform/sim/sim.h"
#include "platform/sim/sim_form.h"

namespace pocketry::contract {

namespace {

class SimBed final : public Bed {
  public:
    // Where the runner puts the Windows build of the suite.
    SimBed() {
        desk_.SetAppFolder("C:\\テスト");
        desk_.SetProgramFileName("pocketry-contract.exe");
    }
    ~SimBed() override { EXPECT_EQ(desk_.Errors(), std::vector<std::string>{}); }
    platform::Platform& Api() override { return desk_.api(); }
    bool IsWine() const override { return false; }

    std::string MakeTempFolder() override { // one a case
        desk_.AddDirectory("C:\\Temp\\Contract");
        return "C:\\Temp\\Contract";
    }
    void MakeEntry(const std::string& path, std::uint32_t attributes) override {
        if ((attributes & platform::FILE_ATTRIBUTE_DIRECTORY) != 0)
            desk_.AddDirectory(path);
        else
            desk_.AddFile(path, attributes);
    }
    bool MakeDirectoryLink(const std::string& link, const std::string& target) override {
        desk_.AddDirectoryLink(link, target);
        return true;
    }
    // The simulation holds INI values, not bytes.
    void MakeAnsiIniFile(const std::string& path, const std::string& section,
                         const std::string& key, const std::string& value) override {
        desk_.SetIniValue(path, section, key, value);
    }

    void SendFromElsewhere(Hwnd hWnd, std::vector<SentMessage> messages,
                           std::vector<std::intptr_t>& results) override {
        desk_.After(kSendDelayMs, [this, hWnd, messages, &results] {
            for (const SentMessage& m : messages)
                results.push_back(desk_.Deliver(hWnd, m.msg, m.wParam, m.lParam));
        });
    }
    bool RunLoop() override {
        desk_.SetMessageLoopLimit(kWaitMs);
        desk_.api().ui.RunMessageLoop();
        return !desk_.MessageLoopGaveUp();
    }

    void PressKey(platform::Form& form, int vKey) override {
        auto& simForm = dynamic_cast<sim::SimForm&>(form);
        // Taken in its turn, as a posted key is.
        desk_.After(0, [&simForm, vKey] { simForm.PressKey(vKey); });
    }
    void AnswerNextMsgBox(int button, Hwnd watched, BoxSeen& seen) override {
        desk_.AnswerNextMsgBox([this, button, watched, &seen](const sim::MsgBoxRecord& rec) {
            seen = {rec.owner, IsWindowEnabled(watched), rec.prompt, rec.title};
            return button;
        });
    }
    bool IsWindowEnabled(Hwnd hWnd) override {
        const sim::SimWindow* w = desk_.Window(hWnd);
        return w != nullptr && w->enabled;
    }
    std::vector<std::string> ShownTexts(Hwnd form) override {
        const sim::SimWindow& w = *desk_.Window(form);
        std::vector<std::string> texts = w.form->ShownTexts();
        texts.insert(texts.begin(), w.title);
        return texts;
    }

  private:
    sim::SimDesktop desk_;
};

} // namespace

std::unique_ptr<Bed> MakeBed() {
    return std::make_unique<SimBed>();
}

} // namespace pocketry::contract
