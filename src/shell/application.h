#pragma once

namespace orvalis {

/// The program as a whole: builds every part of it, runs the main window until it closes and
/// gives the process's exit code.
class Application {
   public:
    /// The program's name, which also names its profile.
    static constexpr const char* kName = "Orvalis Pro";
    /// The maker's name, under which the profile is kept.
    static constexpr const char* kCompany = "Quennet";

    /// Runs the program: 0 after a normal close or after handing over to the copy already
    /// running, 1 when the terms were declined, 2 without a display, 3 when the running copy
    /// does not answer.
    static int Run(int argc, char** argv);
};

}  // namespace orvalis
