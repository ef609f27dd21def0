#pragma once
// The simulated user interface: the program's forms, the message loop that
// runs their timers, and message boxes, modal shows and pop-up menus
// answered by scripts.
//
// Time. The timers of loaded forms fire only in RunFor and RunMessageLoop, as
// WM_TIMER needs a message loop. At equal times scheduled events come first
// (in the order they were scheduled), then timers (forms in creation order,
// timers in table order).
//
// The active form (the owner of a message box or of a modal form) is the
// program's visible form whose window is the active window; failing that,
// the most recently shown form that is visible and enabled; none when no form
// of the program is visible. The owner is disabled while the box or modal
// form is open.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/sim_types.h"

namespace pocketry::sim {

class SimUserInterface : public platform::UserInterface {
  public:
    explicit SimUserInterface(SimDesktop& desk) : desk_(desk) {}
    ~SimUserInterface() override;
    SimUserInterface(const SimUserInterface&) = delete;
    SimUserInterface& operator=(const SimUserInterface&) = delete;

    // Lets `ms` pass with the message loop running: events and form timers.
    void RunFor(std::uint64_t ms);
    // RunMessageLoop returns when no form is loaded, and gives up when
    // nothing is due any more or after this much virtual time (default 1 hour).
    void SetMessageLoopLimit(std::uint64_t ms) { loopLimit_ = ms; }
    bool MessageLoopGaveUp() const { return loopGaveUp_; }

    SimForm* FindForm(const std::string& name) const; // the newest loaded one
    SimForm* ActiveForm() const;                      // see above; null if none
    const std::vector<MsgBoxRecord>& MsgBoxes() const { return msgBoxes_; }
    void ClearMsgBoxes() { msgBoxes_.clear(); }
    int OpenMsgBoxes() const { return openMsgBoxes_; }
    // Answers for the coming message boxes, in order; an action may run code
    // while its box is open and returns the button (0: the default button).
    void AnswerNextMsgBox(int button);
    void AnswerNextMsgBox(std::function<int(const MsgBoxRecord&)> action);
    // Used when no queued answer is left; without it the default button.
    void SetMsgBoxResponder(std::function<int(const MsgBoxRecord&)> responder);
    static int DefaultButton(std::uint32_t style);
    // Runs while a form is shown modally; the form is unloaded (close box)
    // afterwards unless the responder unloaded or hid it (hiding ends a
    // modal show, as on classic forms).
    void SetModalResponder(std::function<void(SimForm&)> responder);
    // Choices for the coming pop-up menus by item name ("" dismisses), then
    // the responder, else the menu is dismissed.
    void ChooseMenuItem(const std::string& item);
    void SetPopupResponder(std::function<std::string(const PopupRecord&)> responder);
    const std::vector<PopupRecord>& PopupMenus() const { return popups_; }
    const std::vector<int>& MousePointerLog() const { return pointerLog_; }
    void SetTwipsPerPixel(double x, double y);
    void SetScreenPixels(int width, int height);
    int IconResource(HIcon picture) const; // the resource behind a picture, 0 if none

    // ---- for the forms
    std::uint64_t RegisterForm(SimForm* f); // returns the form's id
    void UnregisterForm(SimForm* f);
    bool FormAlive(std::uint64_t id) const;
    HIcon NewPicture(int resource);
    std::uint64_t NextShowSeq() { return ++showSeq_; }
    void RunModalResponder(SimForm& form);
    // The scripted choice for a pop-up menu, recorded with it.
    std::string ChoosePopup(const PopupRecord& rec);
    void RecordPopup(PopupRecord rec) { popups_.push_back(std::move(rec)); }
    // The desktop goes first: the forms still held must not reach back.
    void DetachForms();

    // ---- platform::UserInterface
    std::unique_ptr<platform::Form> CreateForm(const platform::FormSpec& spec,
                                               platform::FormEvents& events) override;
    void RunMessageLoop() override;
    int MsgBox(const std::string& prompt, std::uint32_t style, const std::string& title) override;
    void SetMousePointer(int pointer) override;
    int MousePointer() const override { return pointer_; }
    double TwipsPerPixelX() const override { return tppX_; }
    double TwipsPerPixelY() const override { return tppY_; }
    double ScreenWidth() const override { return screenW_ * tppX_; }
    double ScreenHeight() const override { return screenH_ * tppY_; }

  private:
    bool Step(std::uint64_t limit); // fires the next event or timer due by `limit`

    SimDesktop& desk_;
    std::uint64_t loopLimit_ = 3600 * 1000;
    bool loopGaveUp_ = false;
    std::vector<SimForm*> forms_;
    std::uint64_t nextFormId_ = 1, showSeq_ = 0;
    std::vector<MsgBoxRecord> msgBoxes_;
    std::vector<std::function<int(const MsgBoxRecord&)>> msgBoxQueue_;
    std::function<int(const MsgBoxRecord&)> msgBoxResponder_;
    int openMsgBoxes_ = 0;
    std::function<void(SimForm&)> modalResponder_;
    std::vector<std::string> menuChoices_;
    std::function<std::string(const PopupRecord&)> popupResponder_;
    std::vector<PopupRecord> popups_;
    int pointer_ = platform::kPointerDefault;
    std::vector<int> pointerLog_;
    double tppX_ = 15, tppY_ = 15;
    int screenW_ = 1024, screenH_ = 768;
    std::map<HIcon, int> pictures_;
};

} // namespace pocketry::sim
