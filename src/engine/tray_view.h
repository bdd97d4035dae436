#pragma once

#include <string>

namespace orvalis {

/// How the tray is shown: the window layer implements it on the real notification area. Called
/// from any thread, so an implementation hands the work to its own thread and returns at once.
class TrayView {
   public:
    virtual ~TrayView() = default;

    /// Puts the icon, with the normal picture and the program name as tip, into the tray.
    virtual void AddIcon() = 0;
    /// Takes the icon out of the tray.
    virtual void RemoveIcon() = 0;
    /// Shows the picture with the given icon resource number (157 normal, 183 blank).
    virtual void SetPicture(int iconResource) = 0;
    /// Shows a balloon with `heading` and `detail` for `timeoutSeconds`, as an error or a notice.
    virtual void ShowBalloon(const std::string& heading, const std::string& detail,
                             int timeoutSeconds, bool error) = 0;
};

}  // namespace orvalis
