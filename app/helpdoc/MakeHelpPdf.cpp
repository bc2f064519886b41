// qzm_make_help_pdf: turns the user's guide from Markdown into an A4 PDF at build time.
//
//   qzm_make_help_pdf INPUT.md OUTPUT.pdf
//
// The first level-1 heading of the guide becomes the title page, together with the paragraph
// that follows it and a list of contents (the level-2 headings with their page numbers); the
// rest of the guide follows on numbered pages. Images are files beside the guide, set as wide
// as the text. Exit code 0 on success, 1 when the input or an image cannot be read or the output
// cannot be written, 2 on a usage error.
#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Page geometry in millimetres; the footer takes its band out of the bottom margin area.
constexpr qreal kMarginSideMm = 20.0;
constexpr qreal kMarginTopMm = 18.0;
constexpr qreal kMarginBottomMm = 14.0;
constexpr qreal kFooterBandMm = 10.0;
constexpr qreal kMmPerInch = 25.4;
constexpr int kResolutionDpi = 300;
constexpr qreal kScreenDpi = 96.0;

// Fonts in points.
constexpr qreal kBodyPt = 10.0;
constexpr qreal kFooterPt = 8.0;
constexpr qreal kTitlePt = 28.0;
constexpr qreal kSubtitlePt = 13.0;
constexpr qreal kContentsHeadPt = 14.0;
constexpr qreal kContentsPt = 11.0;

// Spacing in points.
constexpr qreal kSectionTopPt = 14.0;   // level-2 headings
constexpr qreal kSubsectionTopPt = 8.0; // deeper headings
constexpr qreal kHeadingBottomPt = 3.0;
constexpr qreal kParagraphBottomPt = 6.0;
constexpr qreal kListItemBottomPt = 3.0;
constexpr qreal kCellPaddingPt = 3.0;
constexpr qreal kTableBorderPt = 0.75;
constexpr qreal kPointsPerInch = 72.0;

const char* const kBodyFamily = "DejaVu Sans";
const char* const kFallbackFamily = "Sans Serif";
const QColor kHeadingColour(0x1f, 0x3a, 0x68);
const QColor kRuleColour(0x80, 0x80, 0x80);
const QColor kTableHeadBackground(0xe4, 0xe9, 0xf1);
const QColor kTableBorder(0x90, 0x90, 0x90);
const QColor kQuoteBackground(0xf0, 0xf0, 0xf0);

constexpr int kTitleHeadingLevel = 1;
constexpr int kContentsHeadingLevel = 2;
constexpr int kTitlePageCount = 1;
// A heading needs this share of the page below it, or it moves to the next page.
constexpr qreal kHeadingRoomShare = 0.12;

struct SContentsLine
{
    QString text;
    int page = 0;
};

struct SPageGeometry
{
    qreal width = 0;      // printable width in device pixels
    qreal bodyHeight = 0; // height of the text area of one page
    qreal footerTop = 0;  // top of the footer band
    qreal footerHeight = 0;
};

qreal PointsToPixels(qreal points)
{
    return points * kResolutionDpi / kPointsPerInch;
}

// Lengths in text formats (margins, padding, borders) are given at the layout's reference
// resolution and scaled to the paint device by the layout.
constexpr qreal kFormatDpi = 96.0;
qreal PointsToFormat(qreal points)
{
    return points * kFormatDpi / kPointsPerInch;
}

qreal MmToPixels(qreal mm)
{
    return mm * kResolutionDpi / kMmPerInch;
}

QFont MakeFont(qreal points, bool bold = false)
{
    QFont font(QString::fromLatin1(kBodyFamily));
    font.setFamilies({QString::fromLatin1(kBodyFamily), QString::fromLatin1(kFallbackFamily)});
    font.setPointSizeF(points);
    font.setBold(bold);
    // Without shaping there are no ligatures, so that "fi" stays two letters when the text is
    // searched or copied from the PDF.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

bool ReadMarkdown(const QString& path, QString& markdown)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    markdown = QString::fromUtf8(file.readAll());
    return true;
}

// Removes the level-1 heading at the start of the document and the paragraph after it, and
// returns their texts.
void TakeTitle(QTextDocument& doc, QString& title, QString& subtitle)
{
    QTextBlock first = doc.begin();
    if (!first.isValid() || first.blockFormat().headingLevel() != kTitleHeadingLevel)
        return;
    title = first.text();
    QTextBlock last = first;
    const QTextBlock next = first.next();
    if (next.isValid() && next.blockFormat().headingLevel() == 0 && !next.text().isEmpty()) {
        subtitle = next.text();
        last = next;
    }
    QTextCursor cursor(&doc);
    cursor.setPosition(first.position());
    cursor.setPosition(last.next().isValid() ? last.next().position()
                                             : last.position() + last.length() - 1,
                       QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

// Code lines (commands, file contents) and quoted message boxes are set off on a grey band.
bool IsCodeOrQuote(const QTextBlock& block)
{
    if (block.blockFormat().hasProperty(QTextFormat::BlockQuoteLevel))
        return true;
    // Code blocks are set in the system's fixed font by the Markdown reader.
    static const QString fixedFamily = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    bool any = false;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        if (!it.fragment().charFormat().fontFamilies().toStringList().contains(fixedFamily))
            return false;
        any = true;
    }
    return any;
}

void StyleBlocks(QTextDocument& doc)
{
    QTextCursor cursor(&doc);
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat blockFormat = block.blockFormat();
        cursor.setPosition(block.position());
        if (blockFormat.headingLevel() > 0) {
            const bool section = blockFormat.headingLevel() <= kContentsHeadingLevel;
            blockFormat.setTopMargin(PointsToFormat(section ? kSectionTopPt : kSubsectionTopPt));
            blockFormat.setBottomMargin(PointsToFormat(kHeadingBottomPt));
            blockFormat.setPageBreakPolicy(QTextFormat::PageBreak_Auto);
            cursor.setBlockFormat(blockFormat);
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            QTextCharFormat colour;
            colour.setForeground(kHeadingColour);
            cursor.mergeCharFormat(colour);
        } else if (cursor.currentTable()) {
            blockFormat.setTopMargin(0);
            blockFormat.setBottomMargin(0);
            cursor.setBlockFormat(blockFormat);
        } else {
            // Items of a list stand close together; the list as a whole is spaced like a paragraph.
            const bool listGoesOn = block.textList() && block.next().isValid() &&
                                    block.next().textList() == block.textList();
            blockFormat.setTopMargin(0);
            blockFormat.setBottomMargin(
                PointsToFormat(listGoesOn ? kListItemBottomPt : kParagraphBottomPt));
            if (IsCodeOrQuote(block)) {
                // The lines of one band stand close together; the band is spaced like a paragraph.
                blockFormat.setBackground(kQuoteBackground);
                if (block.next().isValid() && IsCodeOrQuote(block.next()))
                    blockFormat.setBottomMargin(0);
            }
            cursor.setBlockFormat(blockFormat);
        }
    }
}

void StyleTables(QTextDocument& doc)
{
    const QList<QTextFrame*> frames = doc.rootFrame()->childFrames();
    for (QTextFrame* frame : frames) {
        auto* table = qobject_cast<QTextTable*>(frame);
        if (!table)
            continue;
        QTextTableFormat format = table->format();
        format.setBorder(PointsToFormat(kTableBorderPt));
        format.setBorderBrush(kTableBorder);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorderCollapse(true);
        format.setCellPadding(PointsToFormat(kCellPaddingPt));
        format.setCellSpacing(0);
        format.setHeaderRowCount(1);
        format.setBottomMargin(PointsToFormat(kParagraphBottomPt));
        table->setFormat(format);
        for (int column = 0; column < table->columns(); ++column) {
            QTextTableCell cell = table->cellAt(0, column);
            QTextCharFormat cellFormat = cell.format();
            cellFormat.setBackground(kTableHeadBackground);
            cell.setFormat(cellFormat);
        }
    }
}

// Lays the whole document out again. A changed format makes Qt lay out again
// only part of it: blocks between a moved one and the next table can be left
// without lines, and would print as nothing.
void LayOutAgain(QTextDocument& doc)
{
    doc.markContentsDirty(0, doc.characterCount());
    doc.documentLayout()->documentSize();
}

void BreakBefore(QTextDocument& doc, const QTextBlock& block)
{
    QTextCursor cursor(block);
    QTextBlockFormat format = block.blockFormat();
    format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    cursor.setBlockFormat(format);
    LayOutAgain(doc);
}

// Starts a new page before a heading that would stand at the foot of a page, and before a table
// that would be split although it fits on one page. Runs in document order, since each break
// moves everything after it.
void KeepTogether(QTextDocument& doc, qreal bodyHeight)
{
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    const qreal headingRoom = bodyHeight * kHeadingRoomShare;
    QTextBlock previous;
    for (QTextFrame::iterator it = doc.rootFrame()->begin(); !it.atEnd(); ++it) {
        if (QTextFrame* frame = it.currentFrame()) {
            auto* table = qobject_cast<QTextTable*>(frame);
            const QRectF rect = layout->frameBoundingRect(frame);
            const qreal offset = std::fmod(rect.top(), bodyHeight);
            if (!table || rect.height() >= bodyHeight || offset + rect.height() <= bodyHeight)
                continue;
            if (previous.isValid() && previous.text().endsWith(QLatin1Char(':'))) {
                BreakBefore(doc, previous); // the sentence that introduces the table goes with it
            } else {
                QTextTableFormat format = table->format();
                format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
                table->setFormat(format);
                LayOutAgain(doc);
            }
            continue;
        }
        previous = it.currentBlock();
        if (previous.blockFormat().headingLevel() == 0)
            continue;
        const qreal offset = std::fmod(layout->blockBoundingRect(previous).top(), bodyHeight);
        if (offset > bodyHeight - headingRoom)
            BreakBefore(doc, previous);
    }
}

// Lists the level-2 headings with the number of the page that shows them.
std::vector<SContentsLine> CollectContents(QTextDocument& doc, qreal bodyHeight)
{
    std::vector<SContentsLine> lines;
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() != kContentsHeadingLevel)
            continue;
        const qreal top = layout->blockBoundingRect(block).top();
        lines.push_back({block.text(), kTitlePageCount + 1 + static_cast<int>(top / bodyHeight)});
    }
    return lines;
}

void PaintTitlePage(QPainter& painter, const SPageGeometry& page, const QString& title,
                    const QString& subtitle, const std::vector<SContentsLine>& contents)
{
    qreal y = page.bodyHeight / 6;
    painter.setPen(kHeadingColour);
    painter.setFont(MakeFont(kTitlePt, true));
    const QRectF titleRect(0, y, page.width, PointsToPixels(kTitlePt * 2));
    painter.drawText(titleRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, title);
    y += titleRect.height();

    painter.setPen(Qt::black);
    painter.setFont(MakeFont(kSubtitlePt));
    const QRectF subtitleRect(0, y, page.width, PointsToPixels(kSubtitlePt * 3));
    painter.drawText(subtitleRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, subtitle);
    y += subtitleRect.height();

    painter.setPen(QPen(kRuleColour, PointsToPixels(kTableBorderPt)));
    painter.drawLine(QPointF(0, y), QPointF(page.width, y));
    y += PointsToPixels(kContentsHeadPt);

    painter.setPen(kHeadingColour);
    painter.setFont(MakeFont(kContentsHeadPt, true));
    painter.drawText(QRectF(0, y, page.width, PointsToPixels(kContentsHeadPt * 2)),
                     Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Contents"));
    y += PointsToPixels(kContentsHeadPt * 2);

    painter.setPen(Qt::black);
    painter.setFont(MakeFont(kContentsPt));
    const qreal lineHeight = PointsToPixels(kContentsPt * 1.8);
    for (const SContentsLine& line : contents) {
        const QRectF rect(0, y, page.width, lineHeight);
        painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, line.text);
        painter.drawText(rect, Qt::AlignRight | Qt::AlignVCenter, QString::number(line.page));
        y += lineHeight;
    }
}

void PaintFooter(QPainter& painter, const SPageGeometry& page, const QString& title, int number,
                 int total)
{
    painter.setPen(QPen(kRuleColour, PointsToPixels(kTableBorderPt)));
    const qreal ruleY = page.footerTop + page.footerHeight / 3;
    painter.drawLine(QPointF(0, ruleY), QPointF(page.width, ruleY));
    painter.setPen(Qt::black);
    painter.setFont(MakeFont(kFooterPt));
    const QRectF rect(0, ruleY, page.width, page.footerHeight - page.footerHeight / 3);
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, title);
    painter.drawText(rect, Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Page %1 of %2").arg(number).arg(total));
}

// Gives every image of the guide (a file named relative to the guide's
// folder) to the document, as wide as the text; false when one cannot be
// read, so that a guide never loses a picture unseen.
bool PlaceImages(QTextDocument& doc, const QDir& folder, qreal width)
{
    struct SPlaced
    {
        int position;
        int length;
        QTextImageFormat format;
    };
    std::vector<SPlaced> placed;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid() && fragment.charFormat().isImageFormat())
                placed.push_back({fragment.position(), fragment.length(),
                                  fragment.charFormat().toImageFormat()});
        }
    }
    for (SPlaced& image : placed) {
        const QImage picture(folder.filePath(image.format.name()));
        if (picture.isNull()) {
            std::fprintf(stderr, "qzm_make_help_pdf: cannot read the image %s\n",
                         qPrintable(image.format.name()));
            return false;
        }
        doc.addResource(QTextDocument::ImageResource, QUrl(image.format.name()), picture);
        image.format.setWidth(width);
        image.format.setHeight(width * picture.height() / picture.width());
        QTextCursor cursor(&doc);
        cursor.setPosition(image.position);
        cursor.setPosition(image.position + image.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(image.format);
    }
    return true;
}

int WritePdf(const QString& markdown, const QDir& folder, const QString& outputPath)
{
    QPdfWriter writer(outputPath);
    writer.setResolution(kResolutionDpi);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                    QMarginsF(kMarginSideMm, kMarginTopMm, kMarginSideMm, kMarginBottomMm),
                    QPageLayout::Millimeter));

    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&writer);
    doc.setDefaultFont(MakeFont(kBodyPt));
    doc.setDocumentMargin(0);
    doc.setMarkdown(markdown);

    QString title;
    QString subtitle;
    TakeTitle(doc, title, subtitle);
    StyleBlocks(doc);
    StyleTables(doc);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("qzm_make_help_pdf"));

    const QRect paintRect = writer.pageLayout().paintRectPixels(kResolutionDpi);
    SPageGeometry page;
    page.width = paintRect.width();
    page.footerHeight = MmToPixels(kFooterBandMm);
    page.bodyHeight = paintRect.height() - page.footerHeight;
    page.footerTop = page.bodyHeight;
    doc.setPageSize(QSizeF(page.width, page.bodyHeight));
    // The layout scales an image by the device's resolution over the screen's.
    if (!PlaceImages(doc, folder, page.width * kScreenDpi / writer.logicalDpiX()))
        return kExitFailed;

    KeepTogether(doc, page.bodyHeight);
    const std::vector<SContentsLine> contents = CollectContents(doc, page.bodyHeight);
    const int bodyPages = doc.pageCount();
    const int totalPages = kTitlePageCount + bodyPages;

    QPainter painter;
    if (!painter.begin(&writer))
        return kExitFailed;
    PaintTitlePage(painter, page, title, subtitle, contents);
    for (int index = 0; index < bodyPages; ++index) {
        writer.newPage();
        const QRectF clip(0, index * page.bodyHeight, page.width, page.bodyHeight);
        painter.save();
        painter.translate(0, -clip.top());
        doc.drawContents(&painter, clip);
        painter.restore();
        PaintFooter(painter, page, title, kTitlePageCount + index + 1, totalPages);
    }
    return painter.end() ? kExitOk : kExitFailed;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: qzm_make_help_pdf INPUT.md OUTPUT.pdf\n");
        return kExitUsage;
    }
    QString markdown;
    if (!ReadMarkdown(args.at(1), markdown)) {
        std::fprintf(stderr, "qzm_make_help_pdf: cannot read %s\n", qPrintable(args.at(1)));
        return kExitFailed;
    }
    const int result = WritePdf(markdown, QFileInfo(args.at(1)).absoluteDir(), args.at(2));
    if (result != kExitOk)
        std::fprintf(stderr, "qzm_make_help_pdf: cannot write %s\n", qPrintable(args.at(2)));
    return result;
}
