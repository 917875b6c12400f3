#include "translation_assistance.h"

#include "file_name_dialog.h"
#include "message_box.h"
#include "settings_store.h"
#include "string_table.h"
#include "translation.h"
#include "velmor_dialog.h"

#include <QFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

// The dialogs' texts of `module` from its text list: every message of every
// context, in the list's order.
std::vector<TranslatableText> DialogTexts(std::string_view module) {
    std::vector<TranslatableText> texts;
    QFile file(ToQString(TranslationTextListPath(module)));
    if (!file.open(QIODevice::ReadOnly)) {
        return texts;
    }
    QXmlStreamReader xml(&file);
    std::string context;
    TranslatableText text;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("context")) {
                context.clear();
            } else if (xml.name() == QLatin1String("name")) {
                context = ToUtf8(xml.readElementText());
            } else if (xml.name() == QLatin1String("message")) {
                text = TranslatableText{};
                text.context = context;
            } else if (xml.name() == QLatin1String("source")) {
                text.source = ToUtf8(xml.readElementText());
            } else if (xml.name() == QLatin1String("comment")) {
                text.disambiguation = ToUtf8(xml.readElementText());
            } else if (xml.name() == QLatin1String("extracomment")) {
                text.note = ToUtf8(xml.readElementText());
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
            texts.push_back(text);
        }
    }
    return texts;
}

} // namespace

std::vector<TranslatableText> CollectTranslatableTexts(std::string_view module) {
    int language = LTS_CurrentTranslation().language;
    bool german = language == kLanguageGerman;
    std::vector<TranslatableText> texts = DialogTexts(module);
    for (TranslatableText& text : texts) {
        text.translation =
            german ? text.source : LTS_LookUp(text.context, text.source, text.disambiguation);
        text.translated = !text.translation.empty();
    }
    for (int id : AllStringIds()) {
        TranslatableText text;
        text.context = kStringTableContext;
        text.source = std::string(StoredString(id, kLanguageGerman));
        text.disambiguation = std::to_string(id);
        if (ParseMessage(text.source).text.size() != text.source.size()) {
            text.note = "Keep the code before the first blank (kind and button letters) "
                        "and every %s.";
        } else if (IsFileFilter(id)) {
            text.note = "A file filter: description|pattern| pairs; keep the patterns.";
        }
        if (HasOwnTranslation(id, language)) {
            text.translation = std::string(StoredString(id, language));
            text.translated = true;
        }
        texts.push_back(text);
    }
    return texts;
}

std::string LinguistCatalogue(const std::vector<TranslatableText>& texts,
                              std::string_view languageName) {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeDTD(QStringLiteral("<!DOCTYPE TS>"));
    xml.writeStartElement(QStringLiteral("TS"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("2.1"));
    if (!languageName.empty()) {
        xml.writeAttribute(QStringLiteral("language"), ToQString(languageName));
    }
    xml.writeAttribute(QStringLiteral("sourcelanguage"), QStringLiteral("de"));
    std::size_t i = 0;
    while (i < texts.size()) {
        const std::string& context = texts[i].context;
        xml.writeStartElement(QStringLiteral("context"));
        xml.writeTextElement(QStringLiteral("name"), ToQString(context));
        for (; i < texts.size() && texts[i].context == context; ++i) {
            const TranslatableText& text = texts[i];
            xml.writeStartElement(QStringLiteral("message"));
            xml.writeTextElement(QStringLiteral("source"), ToQString(text.source));
            if (!text.disambiguation.empty()) {
                xml.writeTextElement(QStringLiteral("comment"), ToQString(text.disambiguation));
            }
            if (!text.note.empty()) {
                xml.writeTextElement(QStringLiteral("extracomment"), ToQString(text.note));
            }
            xml.writeStartElement(QStringLiteral("translation"));
            if (!text.translated) {
                xml.writeAttribute(QStringLiteral("type"), QStringLiteral("unfinished"));
            }
            xml.writeCharacters(ToQString(text.translation));
            xml.writeEndElement(); // translation
            xml.writeEndElement(); // message
        }
        xml.writeEndElement(); // context
    }
    xml.writeEndElement(); // TS
    xml.writeEndDocument();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

int LTS_OpenAssistance(TranslationAssistance& record, QWidget* owner, std::string_view caption) {
    record = TranslationAssistance{};
    record.owner = owner;
    record.caption = std::string(caption);
    FileDialogRequest request;
    request.filterId = kFilterTranslations;
    request.titleId = kTitleTranslationFile;
    request.mode = kFileDialogSave;
    request.owner = owner;
    std::string path;
    if (Velmor_ExtendedFileNameDialog(path, request) == 0) {
        return 0;
    }
    record.path = path;
    return 1;
}

int LTS_PerformAssistance(TranslationAssistance& record, std::string_view module) {
    if (record.path.empty()) {
        return 0;
    }
    std::vector<TranslatableText> texts = CollectTranslatableTexts(module);
    record.texts = static_cast<int>(texts.size());
    record.untranslated = 0;
    for (const TranslatableText& text : texts) {
        record.untranslated += text.translated ? 0 : 1;
    }
    const TranslationState& state = LTS_CurrentTranslation();
    std::string languageName;
    if (state.language == kLanguageGerman || !state.catalogues.empty()) {
        languageName = state.dialogLanguage;
    }
    if (!WriteFileAtomically(record.path, LinguistCatalogue(texts, languageName), false)) {
        MessageBoxRequest message;
        message.stringId = kMsgWriteError;
        message.insert1 = record.path;
        message.caption = record.caption;
        message.owner = record.owner;
        Velmor_Message_Box(message);
        return 0;
    }
    record.written = true;
    return 1;
}

void LTS_CloseAssistance(TranslationAssistance& record) {
    if (record.written) {
        MessageBoxRequest message;
        message.stringId = kMsgTranslationWritten;
        message.insert1 = record.path;
        message.insert2 = std::to_string(record.untranslated);
        message.caption = record.caption;
        message.owner = record.owner;
        Velmor_Message_Box(message);
    }
    record = TranslationAssistance{};
}
