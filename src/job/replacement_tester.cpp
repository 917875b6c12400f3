#include "replacement_tester.h"

#include "code_pages.h"
#include "replacement_trace.h"
#include "run_job.h"
#include "string_table.h"
#include "ui_replacement_tester_dialog.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTextBrowser>
#include <QTextDocument>
#include <algorithm>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("ReplacementTesterDialog", text);
}

// The bytes of a line in the file's coding as the user reads them.
QString Readable(std::string_view bytes, CodeMode code) {
    if (code == CodeMode::Utf8) {
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    std::string text(bytes);
    if (code == CodeMode::Oem) {
        OemToAnsi(text);
    }
    return ToQString(AnsiToUtf8(text));
}

// A text for HTML with tabs and carriage returns shown.
QString Escaped(const QString& text) {
    QString shown = text.toHtmlEscaped();
    shown.replace(QLatin1Char('\t'), QStringLiteral("&#8677;"));
    shown.replace(QLatin1Char('\r'), QStringLiteral("&#8629;"));
    shown.replace(QLatin1Char('\n'), QStringLiteral("&#8626;"));
    return shown;
}

// In UTF-8 text a highlighted part begins and ends between characters.
void ToCharacterBoundaries(std::string_view text, std::size_t& begin, std::size_t& end) {
    auto continuation = [&](std::size_t at) {
        return at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
    };
    while (begin > 0 && continuation(begin)) {
        --begin;
    }
    while (continuation(end)) {
        ++end;
    }
}

QString Code(const QString& html) {
    return QStringLiteral("<code style=\"white-space:pre\">") + html + QStringLiteral("</code>");
}

// One pair's result with the part it changed highlighted.
QString Highlighted(const PairStep& step, CodeMode code) {
    if (step.count == 0) {
        return Code(Escaped(Readable(step.text, code)));
    }
    std::size_t begin = step.changedBegin;
    std::size_t end = step.changedEnd;
    if (code == CodeMode::Utf8) {
        ToCharacterBoundaries(step.text, begin, end);
    }
    std::string_view text = step.text;
    QString changed = Escaped(Readable(text.substr(begin, end - begin), code));
    if (changed.isEmpty()) {
        changed = QStringLiteral("&#8249;&#8250;"); // where text was removed
    }
    return Code(Escaped(Readable(text.substr(0, begin), code)) +
                QStringLiteral("<span style=\"background-color:#ffe066\">") + changed +
                QStringLiteral("</span>") + Escaped(Readable(text.substr(end), code)));
}

QString Marks(const PairStep& step) {
    QStringList marks;
    if (step.overLimit) {
        marks << Tr(QT_TRANSLATE_NOOP("ReplacementTesterDialog",
                                      "zu viele Schritte: eine Datei mit dieser Zeile bliebe "
                                      "unverändert"));
    } else if (step.count == 0) {
        marks << Tr(QT_TRANSLATE_NOOP("ReplacementTesterDialog", "unverändert"));
    } else {
        marks
            << Tr(QT_TRANSLATE_NOOP("ReplacementTesterDialog", "%1 Ersetzung(en)")).arg(step.count);
    }
    for (int later : step.cascades) {
        marks << Tr(QT_TRANSLATE_NOOP("ReplacementTesterDialog",
                                      "Kaskade: Paar %1 findet, was dieses Paar geschrieben hat"))
                     .arg(later + 1);
    }
    return marks.join(QStringLiteral("; "));
}

// The sample line in the file's coding; false when the coding cannot
// represent it.
bool SampleBytes(const std::string& line, CodeMode code, std::string& bytes) {
    if (code == CodeMode::Utf8) {
        bytes = line;
        return true;
    }
    if (!Utf8ToAnsi(line, bytes, code == CodeMode::Oem)) {
        return false;
    }
    if (code == CodeMode::Oem) {
        AnsiToOem(bytes);
    }
    return true;
}

} // namespace

QString TraceAsHtml(const Job& job, const std::string& sample) {
    Job tested = job;
    tested.performReplace = true;
    ReplacementTable table;
    TableMessage problem;
    if (job.performReplace && !BuildTableForRun(tested, table, problem)) {
        MessageParts parts = ParseMessage(LoadTranslatedString(problem.id));
        return QStringLiteral("<p style=\"color:#b00000\">") +
               Escaped(ToQString(FillInserts(parts.text, problem.insert1, problem.insert2)))
                   .replace(QStringLiteral("&#8626;"), QStringLiteral("<br>")) +
               QStringLiteral("</p>");
    }
    if (!job.performReplace) {
        table = ReplacementTable();
    }
    const LineSettings lines = MakeLineSettings(tested, table);
    QString html;
    std::size_t start = 0;
    int number = 0;
    while (start < sample.size()) {
        std::size_t end = std::min(sample.find('\n', start), sample.size());
        std::string line = sample.substr(start, end - start);
        start = end + 1;
        ++number;
        html += QStringLiteral("<p><b>") +
                Tr(QT_TRANSLATE_NOOP("ReplacementTesterDialog", "Zeile %1")).arg(number) +
                QStringLiteral("</b>: ") + Code(Escaped(ToQString(line))) + QStringLiteral("</p>");
        std::string bytes;
        if (!SampleBytes(line, job.code, bytes)) {
            html += QStringLiteral("<p>") +
                    Tr(QT_TRANSLATE_NOOP("ReplacementTesterDialog",
                                         "Die Zeile enthält Zeichen, die in der gewählten "
                                         "Codierung nicht darstellbar sind.")) +
                    QStringLiteral("</p>");
            continue;
        }
        LineTrace trace = TraceReplacements(bytes, table, lines);
        if (trace.removed) {
            html += QStringLiteral("<p>") +
                    Tr(QT_TRANSLATE_NOOP("ReplacementTesterDialog",
                                         "Leere Zeile: sie wird entfernt.")) +
                    QStringLiteral("</p>");
            continue;
        }
        if (trace.strippedChanged) {
            html += QStringLiteral("<p>") +
                    Tr(QT_TRANSLATE_NOOP("ReplacementTesterDialog",
                                         "Nach dem Entfernen von Leerzeichen und Tabulatoren")) +
                    QStringLiteral(": ") + Code(Escaped(Readable(trace.stripped, job.code))) +
                    QStringLiteral("</p>");
        }
        if (trace.tooLong) {
            html += QStringLiteral("<p>") +
                    Tr(QT_TRANSLATE_NOOP("ReplacementTesterDialog",
                                         "Die Zeile ist länger als 29.999 Bytes: in ihr wird "
                                         "nicht ersetzt.")) +
                    QStringLiteral("</p>");
            continue;
        }
        html += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">");
        for (std::size_t i = 0; i < trace.steps.size(); ++i) {
            const PairStep& step = trace.steps[i];
            const ReplacementRow& row = job.replace[i];
            html += QStringLiteral("<tr><td>") +
                    Tr(QT_TRANSLATE_NOOP("ReplacementTesterDialog", "Paar %1")).arg(i + 1) +
                    QStringLiteral("<br>") + Code(Escaped(ToQString(row.search))) +
                    QStringLiteral(" &#8594; ") + Code(Escaped(ToQString(row.replacement))) +
                    QStringLiteral("</td><td>") + Highlighted(step, job.code) +
                    QStringLiteral("</td><td>") + Marks(step).toHtmlEscaped() +
                    QStringLiteral("</td></tr>");
        }
        html += QStringLiteral("</table>");
    }
    return html;
}

ReplacementTesterDialog::ReplacementTesterDialog(QWidget* owner, const Job& job)
    : VelmorDialog(owner), job_(job), ui_(std::make_unique<Ui::ReplacementTesterDialog>()) {
    SetUpTemplate(*ui_);
    connect(ui_->sampleEdit, &QPlainTextEdit::textChanged, this,
            [this] { OnCommand(kIdSampleLines, kNotifyTextChanged); });
    ShowResult();
}

ReplacementTesterDialog::~ReplacementTesterDialog() = default;

QString ReplacementTesterDialog::ResultText() const {
    return ui_->resultView->toPlainText();
}

void ReplacementTesterDialog::TemplateTranslated() {
    ShowResult();
}

void ReplacementTesterDialog::ShowResult() {
    ui_->resultView->setHtml(TraceAsHtml(job_, ToUtf8(ui_->sampleEdit->toPlainText())));
}

void ReplacementTesterDialog::OnCommand(int id, int notification) {
    switch (id) {
    case kIdSampleLines:
        if (notification == kNotifyTextChanged) {
            ShowResult();
        }
        return;
    case kIdCancel:
        EndDialog(kIdCancel);
        return;
    default:
        return;
    }
}

void RunReplacementTester(QWidget* owner, const Job& job) {
    ReplacementTesterDialog dialog(owner, job);
    RunModalDialog(dialog);
}
