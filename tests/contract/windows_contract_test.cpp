// What the calls that never wait on another program tell about a window: its
// thread and process, whether it answers, and the reason it may give for
// holding up the end of a session.
#include "contract_fixture.h"

namespace pocketry::contract {
namespace {

constexpr Hwnd kNoWindow = 0x7FF0;

TEST_F(ContractTest, AWindowTellsItsThreadAndProcessAndThatItAnswers) {
    auto form = NewForm();
    platform::Windows& w = Api().windows;
    const Hwnd h = form->hWnd();
    std::uint32_t process = 0;
    const std::uint32_t thread = w.GetWindowThreadProcessId(h, process);
    EXPECT_NE(thread, 0u);
    EXPECT_EQ(thread, w.GetWindowThreadProcessId(h));
    EXPECT_NE(process, 0u);
    EXPECT_FALSE(w.IsHungAppWindow(h));
    process = 99;
    EXPECT_EQ(w.GetWindowThreadProcessId(kNoWindow, process), 0u);
    EXPECT_EQ(process, 0u);
    EXPECT_FALSE(w.IsHungAppWindow(kNoWindow));
}

TEST_F(ContractTest, TheProgramsWindowMayGiveAShutdownReasonAndTakeItBack) {
    auto form = NewForm();
    platform::Windows& w = Api().windows;
    // Wine 8 has the two calls as stubs that fail: it shows no reason.
    const bool reasons = !bed->IsWine();
    EXPECT_EQ(w.ShutdownBlockReasonCreate(form->hWnd(), "Closing Juno"), reasons);
    EXPECT_EQ(w.ShutdownBlockReasonDestroy(form->hWnd()), reasons);
    EXPECT_FALSE(w.ShutdownBlockReasonCreate(kNoWindow, "Closing Juno"));
    EXPECT_FALSE(w.ShutdownBlockReasonDestroy(kNoWindow));
}

} // namespace
} // namespace pocketry::contract
