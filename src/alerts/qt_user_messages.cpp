#include "alerts/qt_user_messages.h"

#include <QMessageBox>

namespace orvalis {

namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons BoxButtons(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
            return QMessageBox::Ok;
        case MessageButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MessageButtons::YesNo:
        case MessageButtons::YesNoDefaultNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// What closing the box without a button means: the most cautious answer it offers.
QMessageBox::StandardButton EscapeButton(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
            return QMessageBox::Ok;
        case MessageButtons::YesNo:
        case MessageButtons::YesNoDefaultNo:
            return QMessageBox::No;
        case MessageButtons::OkCancel:
        case MessageButtons::YesNoCancel:
            return QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

MessageAnswer Answer(int button) {
    switch (button) {
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        case QMessageBox::Cancel:
            return MessageAnswer::Cancel;
        default:
            return MessageAnswer::Ok;
    }
}

}  // namespace

QtUserMessages::QtUserMessages(const std::string& caption)
    : caption_(QString::fromStdString(caption)) {}

void QtUserMessages::SetCaption(const std::string& caption) {
    caption_ = QString::fromStdString(caption);
}

void QtUserMessages::SetParent(QWidget* parent) { parent_ = parent; }

MessageAnswer QtUserMessages::Show(const std::string& text, MessageIcon icon,
                                   MessageButtons buttons) {
    QString shown = QString::fromStdString(text);
    shown.replace("\r\n", "\n");
    QMessageBox box(BoxIcon(icon), caption_, shown, BoxButtons(buttons), parent_);
    box.setObjectName("messageBox");
    if (buttons == MessageButtons::YesNoDefaultNo) box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(EscapeButton(buttons));
    return Answer(box.exec());
}

}  // namespace orvalis
