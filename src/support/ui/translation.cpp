#include "translation.h"

#include "string_table.h"
#include "velmor_dialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>

namespace {

struct Layer {
    TranslationState state;
    std::vector<std::unique_ptr<QTranslator>> catalogues;
    std::unique_ptr<QTranslator> qtTexts;
};

Layer& TheLayer() {
    static Layer layer;
    return layer;
}

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

// The file names "<module>-NNN.qm" of `language` in `directory`, sorted.
QStringList CataloguesIn(const QString& directory, int language) {
    char pattern[32];
    std::snprintf(pattern, sizeof pattern, "*-%03d.qm", language);
    return QDir(directory).entryList({QString::fromLatin1(pattern)}, QDir::Files | QDir::Readable,
                                     QDir::Name);
}

// The language a catalogue translates into ("en" of "en_GB"), lower case.
QString LanguageOf(const QTranslator& translator) {
    QString language = translator.language().toLower();
    qsizetype cut = language.indexOf(QLatin1Char('_'));
    if (cut >= 0) {
        language.truncate(cut);
    }
    return language;
}

} // namespace

std::string TranslationCatalogueName(std::string_view module, int language) {
    char code[16];
    std::snprintf(code, sizeof code, "-%03d.qm", language);
    return LowerAscii(module) + code;
}

std::string TranslationTextListPath(std::string_view module) {
    return ":/translations/" + LowerAscii(module) + ".ts";
}

bool LTS_UseVelmorStandard(const std::string& programDirectory, int language) {
    Layer& layer = TheLayer();
    for (auto& translator : layer.catalogues) {
        QCoreApplication::removeTranslator(translator.get());
    }
    layer.catalogues.clear();
    if (layer.qtTexts) {
        QCoreApplication::removeTranslator(layer.qtTexts.get());
        layer.qtTexts.reset();
    }
    layer.state = TranslationState{};
    layer.state.language = language;
    SetStringLanguage(language);

    // German is the language of the sources: it needs no catalogue.
    QString dialogLanguage = QStringLiteral("de");
    if (language != kLanguageGerman) {
        std::set<QString> modulesFound;
        auto loadFrom = [&](const QString& directory) {
            for (const QString& name : CataloguesIn(directory, language)) {
                QString module = name.left(name.size() - 7); // without "-NNN.qm"
                if (modulesFound.count(module) != 0) {
                    continue;
                }
                auto translator = std::make_unique<QTranslator>();
                if (!translator->load(name, directory)) {
                    continue;
                }
                modulesFound.insert(module);
                if (layer.catalogues.empty()) {
                    dialogLanguage = LanguageOf(*translator);
                }
                QCoreApplication::installTranslator(translator.get());
                layer.state.catalogues.push_back(ToUtf8(directory + QLatin1Char('/') + name));
                layer.catalogues.push_back(std::move(translator));
            }
        };
        if (!programDirectory.empty()) {
            loadFrom(ToQString(programDirectory) + QStringLiteral("/translations"));
        }
        loadFrom(QStringLiteral(":/translations"));
    }

    // English and German are the string table's own; any other language
    // takes what the catalogues translate of it.
    std::map<int, std::string> tableTexts;
    if (language != kLanguageGerman && language != kLanguageEnglish) {
        for (int id : AllStringIds()) {
            std::string text = LTS_LookUp(kStringTableContext, StoredString(id, kLanguageGerman),
                                          std::to_string(id));
            if (!text.empty()) {
                tableTexts.emplace(id, std::move(text));
            }
        }
    }
    SetStringTranslations(language, tableTexts);

    layer.state.dialogLanguage = ToUtf8(dialogLanguage);
    // Qt's own texts (standard buttons, file dialogs, edit menus) in the
    // language the dialogs now show; English is Qt's own.
    if (!dialogLanguage.isEmpty() && dialogLanguage != QLatin1String("en")) {
        auto translator = std::make_unique<QTranslator>();
        QString path = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        if (translator->load(QStringLiteral("qtbase_") + dialogLanguage, path)) {
            QCoreApplication::installTranslator(translator.get());
            layer.state.qtCatalogue = ToUtf8(translator->filePath());
            layer.qtTexts = std::move(translator);
        }
    }
    return language == kLanguageGerman || !layer.catalogues.empty();
}

const TranslationState& LTS_CurrentTranslation() {
    return TheLayer().state;
}

std::string LTS_LookUp(std::string_view context, std::string_view source,
                       std::string_view disambiguation) {
    std::string contextText(context);
    std::string sourceText(source);
    std::string disambiguationText(disambiguation);
    for (const auto& translator : TheLayer().catalogues) {
        QString found =
            translator->translate(contextText.c_str(), sourceText.c_str(),
                                  disambiguation.empty() ? nullptr : disambiguationText.c_str());
        if (!found.isEmpty()) {
            return ToUtf8(found);
        }
    }
    return {};
}

void LTS_TranslateDialog(VelmorDialog& dialog, std::string_view module, int flags) {
    (void)flags;
    dialog.RetranslateTemplate();
    if (QWidget* button = dialog.Control(kIdTranslationAssistance)) {
        button->setVisible(LTS_AssistanceWanted(module));
    }
}

bool LTS_AssistanceWanted(std::string_view module) {
    std::string name = std::string(module) + "_TRANSLATE";
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    const char* value = std::getenv(name.c_str());
    return value != nullptr && std::string_view(value) == "1";
}
