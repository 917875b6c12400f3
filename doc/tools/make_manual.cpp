// Build tool: turns a manual written in Markdown into a PDF with Qt's own
// text layout, so the manual needs nothing beyond what the program is built
// with.
//   make_manual INPUT.md OUTPUT.pdf TITLE
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <cstdio>

namespace {

// Gives every table a thin grid and some room in its cells, and headings a
// little space above them; the Markdown import leaves both bare.
void Style(QTextDocument& document) {
    QSet<QTextTable*> styled;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        if (QTextTable* table = cursor.currentTable();
            table != nullptr && !styled.contains(table)) {
            styled.insert(table);
            QTextTableFormat format = table->format();
            format.setBorder(1);
            format.setBorderBrush(QColor(120, 120, 120));
            format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
            format.setCellPadding(3);
            format.setCellSpacing(0);
            format.setBorderCollapse(true);
            format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
            table->setFormat(format);
        }
    }
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() > 0) {
            QTextCursor cursor(block);
            QTextBlockFormat format = block.blockFormat();
            format.setTopMargin(block.blockFormat().headingLevel() == 1 ? 0 : 14);
            format.setBottomMargin(6);
            cursor.setBlockFormat(format);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_manual INPUT.md OUTPUT.pdf TITLE\n");
        return 2;
    }
    QFile input(QString::fromLocal8Bit(argv[1]));
    if (!input.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "make_manual: cannot read %s\n", argv[1]);
        return 1;
    }
    QTextDocument document;
    QFont font(QStringLiteral("DejaVu Sans"), 10);
    document.setDefaultFont(font);
    document.setMarkdown(QString::fromUtf8(input.readAll()), QTextDocument::MarkdownDialectGitHub);
    Style(document);

    QPdfWriter writer(QString::fromLocal8Bit(argv[2]));
    writer.setTitle(QString::fromUtf8(argv[3]));
    writer.setCreator(QStringLiteral("Velmor Quintrel"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    writer.setResolution(300);
    // Printing an unpaginated document lays it out on the pages of the
    // writer, with a 2 cm margin, scaled from screen to print resolution.
    document.print(&writer);
    return 0;
}
