// The contract cases' bed on the simulated desktop: its scripting calls.
#include "bed.h"

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
    platform::Platform& Api() override { return desk_.api(); }
    bool IsWine() const override { return false; }
    std::vector<std::string> Problems() override { return desk_.Errors(); }

    std::string MakeTempFolder() override {
        const std::string path = "C:\\Temp\\Contract" + std::to_string(++folders_);
        desk_.AddDirectory(path);
        return path;
    }
    void MakeFolder(const std::string& path) override { desk_.AddDirectory(path); }
    void MakeFile(const std::string& path, std::uint32_t attributes) override {
        desk_.AddFile(path, attributes);
    }
    bool MakeDirectoryLink(const std::string& link, const std::string& target) override {
        desk_.AddDirectoryLink(link, target);
        return true;
    }
    void MakeAnsiIniFile(const std::string& path, const std::string& text) override {
        // The simulation holds INI values, not bytes: the lines are read here.
        std::string section;
        std::size_t from = 0;
        while (from < text.size()) {
            std::size_t end = text.find('\n', from);
            if (end == std::string::npos)
                end = text.size();
            std::string line = text.substr(from, end - from);
            from = end + 1;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.size() > 1 && line.front() == '[' && line.back() == ']')
                section = line.substr(1, line.size() - 2);
            else if (const std::size_t eq = line.find('='); eq != std::string::npos)
                desk_.SetIniValue(path, section, line.substr(0, eq), line.substr(eq + 1));
        }
    }
    std::string ProgramPath() override { return desk_.GetModuleFileNameA(); }

    void SendFromElsewhere(Hwnd hWnd, std::vector<SentMessage> messages,
                           std::uint32_t delayMs) override {
        desk_.After(delayMs, [this, hWnd, messages] {
            for (const SentMessage& m : messages)
                results_.push_back(desk_.Deliver(hWnd, m.msg, m.wParam, m.lParam));
        });
    }
    std::vector<std::intptr_t> SendResults() override { return results_; }
    bool RunLoop(std::uint32_t timeoutMs) override {
        desk_.SetMessageLoopLimit(timeoutMs);
        desk_.api().ui.RunMessageLoop();
        return !desk_.MessageLoopGaveUp();
    }

    void PressKey(platform::Form& form, int vKey) override {
        auto* simForm = dynamic_cast<sim::SimForm*>(&form);
        if (simForm == nullptr)
            return;
        // Taken in its turn, as a posted key is.
        desk_.After(0, [simForm, vKey] { simForm->PressKey(vKey); });
    }
    void AnswerNextMsgBox(int button, Hwnd watched) override {
        desk_.AnswerNextMsgBox([this, button, watched](const sim::MsgBoxRecord& rec) {
            const sim::SimWindow* w = desk_.Window(watched);
            seen_ = {true, rec.owner, w != nullptr && w->enabled, rec.prompt, rec.title};
            return button;
        });
    }
    BoxSeen LastBox() override { return seen_; }
    bool IsWindowEnabled(Hwnd hWnd) override {
        const sim::SimWindow* w = desk_.Window(hWnd);
        return w != nullptr && w->enabled;
    }
    std::vector<std::string> ShownTexts(Hwnd form) override {
        const sim::SimWindow* w = desk_.Window(form);
        if (w == nullptr)
            return {};
        std::vector<std::string> texts{w->title};
        if (w->form != nullptr)
            for (std::string& text : w->form->ShownTexts())
                texts.push_back(std::move(text));
        return texts;
    }

    std::optional<std::uint32_t> SettingType(const std::string& app, const std::string& section,
                                             const std::string& key) override {
        // The simulated store holds text only.
        if (!desk_.Setting(app, section, key))
            return std::nullopt;
        return 1u;
    }

  private:
    sim::SimDesktop desk_;
    int folders_ = 0;
    std::vector<std::intptr_t> results_;
    BoxSeen seen_;
};

} // namespace

std::unique_ptr<Bed> MakeBed() {
    return std::make_unique<SimBed>();
}

} // namespace pocketry::contract
