#include "shell/address_edit_delegate.h"

#include <QLineEdit>

namespace orvalis {

AddressEditDelegate::AddressEditDelegate(
    std::function<void(int row, const std::string& text)> editEnded, QObject* parent)
    : QStyledItemDelegate(parent), editEnded_(std::move(editEnded)) {}

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
