#pragma once

#include "engine/tray_view.h"

namespace orvalis {

/// A tray that shows nothing: the program runs without a notification area icon.
class NoTrayView : public TrayView {
   public:
    void AddIcon() override {}
    void RemoveIcon() override {}
    void SetPicture(int) override {}
    void ShowBalloon(const std::string&, const std::string&, int, bool) override {}
};

}  // namespace orvalis
