// Draws a line of the change view with its changed parts highlighted: the
// marks (ChangeViewModel::kMarksRole) get the mark colour as their
// background, over the row's own colour.
#pragma once

#include <QStyledItemDelegate>

class ChangeTextDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
