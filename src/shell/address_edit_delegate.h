#pragma once

#include <QStyledItemDelegate>
#include <functional>
#include <string>

namespace orvalis {

/// The site list's in-place address editor. It never writes into the model itself: when an edit
/// is committed it hands the row and the editor's text to the window, which decides what changes.
class AddressEditDelegate : public QStyledItemDelegate {
    Q_OBJECT

   public:
    /// `editEnded` receives the edited row and the editor's text.
    AddressEditDelegate(std::function<void(int row, const std::string& text)> editEnded,
                        QObject* parent = nullptr);

    /// Fills the editor once, when it opens: a row repainted while the user types (the checker
    /// rewrote its status) must not throw away what was typed.
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    /// Hands the row and the editor's text to the window instead of writing them.
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

   private:
    std::function<void(int, const std::string&)> editEnded_;
};

}  // namespace orvalis
