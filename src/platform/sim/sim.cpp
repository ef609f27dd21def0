// The simulated desktop made of its services, and what they share.
#include "platform/sim/sim.h"

#include <cstdio>

namespace pocketry::sim {

using namespace platform;

std::string SystemMessage(std::uint32_t number) {
    // Windows' own texts, as the Windows layer hands them on: without the
    // closing full stop and line break, so that messages can put them inside
    // their own sentences. A number Windows has no text for reads as the
    // Windows layer words it.
    switch (number) {
    case 0:
        return "The operation completed successfully";
    case 2:
        return "The system cannot find the file specified";
    case 3:
        return "The system cannot find the path specified";
    case 5:
        return "Access is denied";
    case 32:
        return "The process cannot access the file because it is being used by another process";
    case 126:
        return "The specified module could not be found";
    case 127:
        return "The specified procedure could not be found";
    case 1113:
        return "No mapping for the Unicode character exists in the target multi-byte code page";
    case 1400:
        return "Invalid window handle";
    default:
        return "Error " + std::to_string(number);
    }
}

Status Failure(std::uint32_t number) {
    return Status::Fail(number, SystemMessage(number));
}

void SimErrors::AddError(std::string text) {
    std::fprintf(stderr, "sim: %s\n", text.c_str());
    errors_.push_back(std::move(text));
}

SimDesktop::SimDesktop()
    : SimClock(static_cast<SimErrors&>(*this)), SimWindows(*this),
      SimKernel(static_cast<SimErrors&>(*this), static_cast<SimClock&>(*this)),
      SimShell(static_cast<SimWindows&>(*this), static_cast<SimKernel&>(*this),
               static_cast<SimShellLinkLibrary&>(*this)),
      SimClipboard(static_cast<SimWindows&>(*this)),
      SimUserInterface(*this), api_{*this, *this, *this, *this, *this, *this, *this, *this, *this} {
}

SimDesktop::~SimDesktop() {
    // Forms still held by the program outlive the desktop only in a faulty
    // test; cut them loose so their destructors do not reach back.
    DetachForms();
}

} // namespace pocketry::sim
