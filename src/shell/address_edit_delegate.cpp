#include "shell/address_edit_delegate.h"

#include <QLineEdit>

namespace orvalis {

AddressEditDelegate::AddressEditDelegate(
    std::function<void(int row, const std::string& text)> editEnded, QObject* parent)
    : QStyledItemDelegate(parent), editEnded_(std::move(editEnded)) {}

void AddressEditDelegate::setModelData(QWidget* editor, QAbstractItemModel*,
                                       const QModelIndex& index) const {
    const auto* line = qobject_cast<const QLineEdit*>(editor);
    editEnded_(index.row(), line ? line->text().toStdString() : std::string());
}

}  // namespace orvalis
