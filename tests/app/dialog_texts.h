// Every text a window shows a person or assistive technology, keyed by where
// it stands, so the same window built in two languages can be compared.
#pragma once

#include "velmor_dialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTableWidget>
#include <QTextBrowser>
#include <map>
#include <string>

// "window/objectName:property" → text. Qt's own inner widgets (object names
// starting with "qt_") are left out; a widget without an object name is
// named by its class and its place among its parent's children.
inline std::map<std::string, std::string> TextsOf(const QWidget* window) {
    std::map<std::string, std::string> texts;
    auto nameOf = [](const QWidget* widget) {
        QString name = widget->objectName();
        if (name.isEmpty()) {
            int place =
                widget->parentWidget()
                    ? widget->parentWidget()->children().indexOf(const_cast<QWidget*>(widget))
                    : 0;
            name = QString::fromLatin1(widget->metaObject()->className()) + QLatin1Char('#') +
                   QString::number(place);
        }
        return ToUtf8(name);
    };
    std::string prefix = nameOf(window) + "/";
    auto add = [&](const std::string& key, const QString& text) {
        if (!text.isEmpty()) {
            texts[prefix + key] = ToUtf8(text);
        }
    };
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(const_cast<QWidget*>(window));
    for (const QWidget* widget : widgets) {
        if (widget->objectName().startsWith(QLatin1String("qt_"))) {
            continue;
        }
        std::string name = nameOf(widget);
        if (widget->isWindow()) {
            add(name + ":title", widget->windowTitle());
        }
        add(name + ":accessibleName", widget->accessibleName());
        add(name + ":toolTip", widget->toolTip());
        if (auto* label = qobject_cast<const QLabel*>(widget)) {
            add(name + ":text", label->text());
        } else if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            add(name + ":text", button->text());
        } else if (auto* group = qobject_cast<const QGroupBox*>(widget)) {
            add(name + ":title", group->title());
        } else if (auto* edit = qobject_cast<const QLineEdit*>(widget)) {
            add(name + ":placeholder", edit->placeholderText());
        } else if (auto* browser = qobject_cast<const QTextBrowser*>(widget)) {
            add(name + ":text", browser->toPlainText());
        } else if (auto* view = qobject_cast<const QTableWidget*>(widget)) {
            for (int column = 0; column < view->columnCount(); ++column) {
                if (const QTableWidgetItem* header = view->horizontalHeaderItem(column)) {
                    add(name + ":column" + std::to_string(column), header->text());
                }
            }
        } else if (auto* list = qobject_cast<const QListWidget*>(widget)) {
            for (int row = 0; row < list->count(); ++row) {
                add(name + ":item" + std::to_string(row), list->item(row)->text());
            }
        }
        if (auto* menu = qobject_cast<const QMenu*>(widget)) {
            int index = 0;
            for (const QAction* action : menu->actions()) {
                add(name + ":action" + std::to_string(index++), action->text());
            }
        }
    }
    return texts;
}
