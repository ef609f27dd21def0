#include "app/App.h"

#include "tray/clsTaskBar.h"
#include "version.h"

namespace pocketry {

namespace {
App* g_current = nullptr;
}

ProgramVersion BuildVersion() {
    return {POCKETRY_VERSION_MAJOR, POCKETRY_VERSION_MINOR, POCKETRY_VERSION_REVISION};
}

App::App(platform::Platform& platformApi, ProgramVersion programVersion)
    : api(platformApi), version(programVersion) {
    g_current = this;
}

App::~App() {
    if (g_current == this) {
        g_current = nullptr;
    }
}

App* App::Current() {
    return g_current;
}

clsTaskBar& App::TaskBar() {
    if (!taskBar_) {
        taskBar_ = std::make_unique<clsTaskBar>(*this);
    }
    return *taskBar_;
}

} // namespace pocketry
