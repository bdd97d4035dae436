#pragma once

#include <QPointer>
#include <QString>

#include "alerts/user_messages.h"

class QWidget;

namespace orvalis {

/// Modal message boxes captioned with the program's display name.
class QtUserMessages : public UserMessages {
   public:
    /// `caption` heads every box until SetCaption changes it.
    explicit QtUserMessages(const std::string& caption);

    MessageAnswer Show(const std::string& text, MessageIcon icon, MessageButtons buttons) override;

    /// The caption of every later box (the display name once the branding is read).
    void SetCaption(const std::string& caption);
    /// The window the boxes belong to; none while the main window is not built.
    void SetParent(QWidget* parent);

   private:
    QString caption_;
    QPointer<QWidget> parent_;
};

}  // namespace orvalis
