#include "change_text_delegate.h"

#include "change_view_model.h"

#include <QApplication>
#include <QBrush>
#include <QPainter>
#include <QTextLayout>

void ChangeTextDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const QVariantList marks = index.data(ChangeViewModel::kMarksRole).toList();
    if (marks.isEmpty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const QString text = item.text;
    item.text.clear();
    const QWidget* widget = item.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    // The cell without its text (background, selection, focus), then the
    // text with its marks.
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
    QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    area.adjust(margin, 0, -margin, 0);

    QTextLayout layout(text, item.font);
    QTextOption wrap;
    wrap.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(wrap);
    const QColor markColour = index.data(ChangeViewModel::kMarkColourRole).value<QColor>();
    QList<QTextLayout::FormatRange> formats;
    for (const QVariant& mark : marks) {
        const QPoint span = mark.toPoint();
        QTextLayout::FormatRange range;
        range.start = span.x();
        range.length = span.y() - span.x();
        range.format.setBackground(markColour);
        formats.push_back(range);
    }
    layout.setFormats(formats);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    if (!line.isValid()) {
        return;
    }
    const bool selected = (item.state & QStyle::State_Selected) != 0;
    const QVariant foreground = index.data(Qt::ForegroundRole);
    QColor pen = selected ? item.palette.color(QPalette::HighlightedText)
                          : item.palette.color(QPalette::Text);
    if (!selected && foreground.canConvert<QColor>()) {
        pen = foreground.value<QColor>();
    }
    painter->save();
    painter->setClipRect(area);
    painter->setPen(pen);
    const qreal top = area.top() + (area.height() - line.height()) / 2.0;
    layout.draw(painter, QPointF(area.left(), top));
    painter->restore();
}
