#include "about_box.h"

#include "velmor_dialog.h"
#include "velmor_strings.h"
#include "velmor_version.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The licence under which ICU and its Unicode data are given, as its
// holders word it; a licence text is shown as written, untranslated.
const char kIcuPermission[] =
    "<p>Permission is hereby granted, free of charge, to any person obtaining a copy of this "
    "software and associated documentation files (the \"Software\"), to deal in the Software "
    "without restriction, including without limitation the rights to use, copy, modify, merge, "
    "publish, distribute, sublicense, and/or sell copies of the Software, and to permit persons "
    "to whom the Software is furnished to do so, subject to the following conditions:</p>"
    "<p>The above copyright notice and this permission notice shall be included in all copies or "
    "substantial portions of the Software.</p>"
    "<p>THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR IMPLIED, "
    "INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS FOR A PARTICULAR "
    "PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE AUTHORS OR COPYRIGHT HOLDERS BE LIABLE "
    "FOR ANY CLAIM, DAMAGES OR OTHER LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR "
    "OTHERWISE, ARISING FROM, OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER "
    "DEALINGS IN THE SOFTWARE.</p>";

} // namespace

void VELMOR_ABOUT::Init(int productNumber, std::string_view title, std::string_view version) {
    productNumber_ = productNumber;
    title_ = std::string(title);
    version_ = std::string(version);
}

void VELMOR_ABOUT::AddModules(std::string_view names) {
    while (!names.empty()) {
        std::size_t end = names.find(';');
        std::string_view name = TrimBlanks(names.substr(0, end));
        names = end == std::string_view::npos ? std::string_view() : names.substr(end + 1);
        if (name.empty()) {
            continue;
        }
        AboutModule module{std::string(name), {}, {}};
        if (name == "velmor") {
            module.description =
                ToUtf8(QCoreApplication::translate("AboutBox", "Velmor-Unterstützungsbibliothek"));
            module.version = VELMOR_VERSION_TEXT;
        }
        modules_.push_back(module);
    }
}

bool VELMOR_ABOUT::AddThirdPartyRights(std::string_view key) {
    auto known = [&](const AboutRights& rights) { return rights.key == key; };
    if (std::any_of(rights_.begin(), rights_.end(), known)) {
        return true;
    }
    AboutRights rights{std::string(key), {}, {}};
    if (key == "qt") {
        rights.title = "Qt " + std::string(qVersion());
        rights.html = ToUtf8(QCoreApplication::translate(
            "AboutBox",
            "<p>Dieses Programm verwendet die Bibliotheken Qt Core, Qt Gui und Qt Widgets "
            "(Copyright © The Qt Company Ltd. und andere Mitwirkende) unter der GNU Lesser "
            "General Public License, Version 3 (LGPL v3).</p>"
            "<p>Qt wird als gemeinsam genutzte Bibliothek geladen; Sie können es durch eine "
            "eigene, damit verträgliche Fassung ersetzen. Den Quelltext von Qt erhalten Sie "
            "unter <a href=\"https://download.qt.io/\">download.qt.io</a> und als "
            "Debian-Quellpaket qt6-base.</p>"
            "<p>Lizenztext: <a href=\"https://www.gnu.org/licenses/lgpl-3.0.html\">"
            "www.gnu.org/licenses/lgpl-3.0.html</a>; auf Debian-Systemen liegen die LGPL v3 "
            "und die GPL v3, auf der sie aufbaut, in /usr/share/common-licenses/LGPL-3 und "
            "GPL-3.</p>"));
    } else if (key == "icu") {
        rights.title = "ICU " VELMOR_ICU_VERSION;
        rights.html =
            ToUtf8(QCoreApplication::translate(
                "AboutBox",
                "<p>Die Tabelle der Groß- und Kleinbuchstaben für UTF-8 wurde beim Bau des "
                "Programms aus den Daten von ICU (International Components for Unicode) "
                "erzeugt.</p><p>Copyright © 1991-2022 Unicode, Inc.</p>"
                "<p>Lizenz (Originaltext):</p>")) +
            kIcuPermission;
    } else {
        return false;
    }
    rights_.push_back(rights);
    return true;
}

void VELMOR_ABOUT::ShowDialog(QWidget* owner) {
    AboutDialog dialog(owner, *this);
    dialog.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    dialog.exec();
}

AboutDialog::AboutDialog(QWidget* owner, const VELMOR_ABOUT& about) : QDialog(owner) {
    setObjectName(QStringLiteral("aboutBox"));
    setWindowTitle(ToQString(about.Title()));
    setAccessibleName(windowTitle());
    auto* layout = new QVBoxLayout(this);

    auto* head = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    QIcon programIcon = owner ? owner->windowIcon() : QApplication::windowIcon();
    icon->setPixmap(programIcon.pixmap(64, 64));
    icon->setAccessibleName(windowTitle());
    head->addWidget(icon, 0, Qt::AlignTop);

    auto* facts = new QVBoxLayout;
    auto addLine = [&](const QString& text, const char* name) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QLatin1String(name));
        label->setAccessibleName(label->text());
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        facts->addWidget(label);
        return label;
    };
    QLabel* title = addLine(ToQString(about.Title()), "aboutTitle");
    QFont big = title->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    title->setFont(big);
    addLine(QCoreApplication::translate("AboutBox", "Version %1").arg(ToQString(about.Version())),
            "aboutVersion");
    addLine(QCoreApplication::translate("AboutBox", "Produktnummer %1").arg(about.ProductNumber()),
            "aboutProduct");
    // The maker's name stays as it is in every language.
    addLine(QStringLiteral("© Velmor Software"), "aboutCopyright");
    head->addLayout(facts, 1);
    layout->addLayout(head);

    auto* modules = new QGroupBox(QCoreApplication::translate("AboutBox", "Module"), this);
    modules->setObjectName(QStringLiteral("aboutModules"));
    modules->setAccessibleName(modules->title());
    auto* moduleLayout = new QVBoxLayout(modules);
    for (const AboutModule& module : about.Modules()) {
        QString text = ToQString(module.name);
        if (!module.version.empty()) {
            text += QLatin1Char(' ') + ToQString(module.version);
        }
        if (!module.description.empty()) {
            text += QStringLiteral(" – ") + ToQString(module.description);
        }
        auto* line = new QLabel(text, modules);
        line->setObjectName(QStringLiteral("aboutModule_") + ToQString(module.name));
        line->setAccessibleName(text);
        moduleLayout->addWidget(line);
    }
    layout->addWidget(modules);

    auto* rights = new QGroupBox(QCoreApplication::translate("AboutBox", "Rechte Dritter"), this);
    rights->setObjectName(QStringLiteral("aboutRights"));
    rights->setAccessibleName(rights->title());
    auto* rightsLayout = new QVBoxLayout(rights);
    auto* notices = new QTextBrowser(rights);
    notices->setObjectName(QStringLiteral("aboutNotices"));
    notices->setAccessibleName(rights->title());
    notices->setOpenExternalLinks(true);
    QString html;
    for (const AboutRights& entry : about.Rights()) {
        html += QStringLiteral("<h3>") + ToQString(entry.title).toHtmlEscaped() +
                QStringLiteral("</h3>") + ToQString(entry.html);
    }
    notices->setHtml(html);
    rightsLayout->addWidget(notices);
    layout->addWidget(rights, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* aboutQt = buttons->addButton(
        QCoreApplication::translate("AboutBox", "Über &Qt..."), QDialogButtonBox::ActionRole);
    aboutQt->setObjectName(QStringLiteral("aboutQt"));
    aboutQt->setAccessibleName(WithoutMnemonic(aboutQt->text()));
    aboutQt->setAutoDefault(false);
    QPushButton* ok = buttons->addButton(QCoreApplication::translate("AboutBox", "&OK"),
                                         QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("aboutOk"));
    ok->setAccessibleName(WithoutMnemonic(ok->text()));
    ok->setDefault(true);
    connect(aboutQt, &QPushButton::clicked, this,
            [this] { QMessageBox::aboutQt(this, windowTitle()); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);

    QFontMetrics metrics(font());
    resize(metrics.averageCharWidth() * 96, metrics.height() * 36);
    ok->setFocus(Qt::OtherFocusReason);
}
