#include "velmor_dialog.h"

#include "list_controls.h"
#include "string_table.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>

QString ToQString(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToUtf8(const QString& text) {
    QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString WithoutMnemonic(const QString& caption) {
    QString plain;
    plain.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) {
            ++i;
        }
        plain += caption[i];
    }
    return plain;
}

void ExposeValue(QWidget* control, const QString& value) {
    if (control == nullptr) {
        return;
    }
    static const char kCaption[] = "accessibleCaption";
    QVariant caption = control->property(kCaption);
    if (!caption.isValid()) {
        caption = control->accessibleName();
        control->setProperty(kCaption, caption);
    }
    control->setAccessibleName(caption.toString() + QStringLiteral(": ") + value);
    control->setAccessibleDescription(value);
}

VelmorDialog::VelmorDialog(QWidget* parent) : QDialog(parent) {}

void VelmorDialog::RetranslateTemplate() {
    if (retranslate_) {
        retranslate_();
    }
    TemplateTranslated();
}

void VelmorDialog::BindControls() {
    const auto widgets = findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        QVariant id = widget->property(kControlIdProperty);
        if (id.isValid()) {
            Bind(widget, id.toInt());
        }
        QVariant units = widget->property(kDialogUnitsProperty);
        if (units.isValid()) {
            widget->setMinimumSize(DialogUnitsToPixels(units.toSize()));
        }
    }
    QVariant units = property(kDialogUnitsProperty);
    if (units.isValid()) {
        SetDialogUnitSize(units.toSize().width(), units.toSize().height());
    }
}

void VelmorDialog::Bind(QWidget* control, int id) {
    controls_[id] = control;
    if (auto* push = qobject_cast<QPushButton*>(control)) {
        if (!push->isDefault()) {
            push->setAutoDefault(false);
        }
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        connect(button, &QAbstractButton::clicked, this,
                [this, id] { OnCommand(id, kNotifyClicked); });
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        connect(edit, &QLineEdit::textChanged, this, [this, id] {
            OnCommand(id, kNotifyTextUpdate);
            OnCommand(id, kNotifyTextChanged);
        });
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        connect(list, &QListWidget::itemSelectionChanged, this,
                [this, id] { OnCommand(id, kNotifySelectionChanged); });
        connect(list, &QListWidget::itemDoubleClicked, this,
                [this, id] { OnCommand(id, kNotifyDoubleClick); });
    } else if (auto* view = qobject_cast<QTableWidget*>(control)) {
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QTableWidget::itemSelectionChanged, this,
                [this, id] { OnCommand(id, kNotifyItemChanged); });
        connect(view, &QTableWidget::customContextMenuRequested, this,
                [this, id] { OnCommand(id, kNotifyRightClick); });
        connect(view, &QTableWidget::doubleClicked, this,
                [this, id] { OnCommand(id, kNotifyListDoubleClick); });
    }
}

QWidget* VelmorDialog::Control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

void VelmorDialog::PostCommand(int id, int notification) {
    QTimer::singleShot(0, this, [this, id, notification] { OnCommand(id, notification); });
}

QSize VelmorDialog::DialogUnitsToPixels(QSize units) const {
    QFontMetrics metrics(font());
    static const QString kAlphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    double averageWidth = metrics.horizontalAdvance(kAlphabet) / 52.0;
    return QSize(static_cast<int>(units.width() * averageWidth / 4.0 + 0.5),
                 static_cast<int>(units.height() * metrics.height() / 8.0 + 0.5));
}

void VelmorDialog::SetDialogUnitSize(int width, int height) {
    QSize pixels = DialogUnitsToPixels(QSize(width, height));
    QSize needed = minimumSizeHint();
    resize(std::max(pixels.width(), needed.width()), std::max(pixels.height(), needed.height()));
}

void VelmorDialog::OnCommand(int id, int notification) {
    (void)id;
    (void)notification;
}

void VelmorDialog::keyPressEvent(QKeyEvent* event) {
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (tab && (event->modifiers() & Qt::ControlModifier)) {
        const bool back =
            event->key() == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier);
        focusNextPrevChild(!back);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void VelmorDialog::reject() {
    OnCommand(kIdCancel, kNotifyClicked);
}

int RunModalDialog(VelmorDialog& dialog) {
    dialog.setWindowModality(dialog.parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
    return dialog.exec();
}

bool IsButtonChecked(const VelmorDialog& dialog, int id) {
    auto* button = dialog.ControlAs<QAbstractButton>(id);
    return button != nullptr && button->isChecked();
}

void SetButtonCheck(VelmorDialog& dialog, int id, int state) {
    auto* button = dialog.ControlAs<QAbstractButton>(id);
    if (button == nullptr) {
        return;
    }
    bool checked = state != 0;
    if (!checked && button->autoExclusive()) {
        // An auto-exclusive button refuses to be unchecked while it is the
        // checked one of its group.
        button->setAutoExclusive(false);
        button->setChecked(false);
        button->setAutoExclusive(true);
        return;
    }
    button->setChecked(checked);
}

void CheckRadioButton(VelmorDialog& dialog, int first, int last, int checkId) {
    for (int id = first; id <= last; ++id) {
        if (id != checkId) {
            SetButtonCheck(dialog, id, 0);
        }
    }
    if (checkId >= first && checkId <= last) {
        SetButtonCheck(dialog, checkId, 1);
    }
}

int GetCheckedRadio(const VelmorDialog& dialog, int first, int last) {
    for (int id = first; id <= last; ++id) {
        if (IsButtonChecked(dialog, id)) {
            return id;
        }
    }
    return first;
}

void SetControlText(VelmorDialog& dialog, int id, const char* text) {
    SetControlText(dialog, id, std::string_view(text ? text : ""));
}

void SetControlText(VelmorDialog& dialog, int id, std::string_view text) {
    QWidget* control = dialog.Control(id);
    QString value = ToQString(text);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(value);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(value);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(value);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(value);
    }
}

namespace {

// The first `count` characters (code points, so a pair of surrogates is
// never split) of `text`.
QString FirstCharactersOf(const QString& text, int count) {
    qsizetype units = 0;
    int characters = 0;
    while (units < text.size() && characters < count) {
        units += (text.at(units).isHighSurrogate() && units + 1 < text.size()) ? 2 : 1;
        ++characters;
    }
    return text.left(units);
}

QString TextOf(const QWidget* control) {
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) {
        return edit->text();
    }
    if (auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(control)) {
        return button->text();
    }
    if (auto* group = qobject_cast<const QGroupBox*>(control)) {
        return group->title();
    }
    return {};
}

} // namespace

std::string FirstCharacters(std::string_view utf8, int count) {
    return ToUtf8(FirstCharactersOf(ToQString(utf8), std::max(count, 0)));
}

std::string GetControlText(const VelmorDialog& dialog, int id, int size) {
    if (size < 1) {
        return {};
    }
    return ToUtf8(FirstCharactersOf(TextOf(dialog.Control(id)), size - 1));
}

std::string GetControlText(const VelmorDialog& dialog, int id) {
    return ToUtf8(TextOf(dialog.Control(id)));
}

void EnableControls(VelmorDialog& dialog, std::initializer_list<int> ids, bool enable) {
    EnableControls(dialog, std::vector<int>(ids), enable);
}

void EnableControls(VelmorDialog& dialog, const std::vector<int>& ids, bool enable) {
    for (int id : ids) {
        if (QWidget* control = dialog.Control(id)) {
            control->setEnabled(enable);
        }
    }
}

void InsertListViewColumn(QTableWidget* listView, int column, int stringId, int a, int b) {
    std::string caption(LoadTranslatedString(stringId));
    Velmor_ListView_InsertColumn(listView, column, caption, a, b, 0);
}
