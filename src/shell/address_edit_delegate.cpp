#include "shell/address_edit_delegate.h"

#include <QLineEdit>

namespace orvalis {

AddressEditDelegate::AddressEditDelegate(
    std::function<void(int row, const std::string& text)> editEnded, QObject* parent)
    : QStyledItemDelegate(parent), editEnded_(std::move(editEnded)) {}

QWidget* AddressEditDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    editor->setObjectName("addressEditor");
    editor->setStyleSheet(
        "QLineEdit { background: white; color: black; border: 1px solid #3c3c50; }");
    return editor;
}

void AddressEditDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    static const char* const kFilled = "orvalisFilled";
    if (editor->property(kFilled).toBool()) return;
    editor->setProperty(kFilled, true);
    QStyledItemDelegate::setEditorData(editor, index);
}

void AddressEditDelegate::setModelData(QWidget* editor, QAbstractItemModel*,
                                       const QModelIndex& index) const {
    const auto* line = qobject_cast<const QLineEdit*>(editor);
    editEnded_(index.row(), line ? line->text().toStdString() : std::string());
}

}  // namespace orvalis
