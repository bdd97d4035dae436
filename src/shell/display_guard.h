#pragma once

namespace orvalis {

/// Call before the QApplication is made. Without any display to open, prints one line on
/// standard error and exits with code 2; otherwise watches Qt's start-up messages until
/// EndDisplayGuard, so that a display that cannot be reached also ends in one line and code 2
/// instead of Qt's abort. `programName` begins the line.
void GuardAgainstMissingDisplay(const char* programName);

/// Call once the QApplication exists: Qt's messages go where they went before the guard.
void EndDisplayGuard();

}  // namespace orvalis
