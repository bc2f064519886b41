// The help document and the tool that makes it from Markdown. The text of
// the PDFs is read back with poppler's pdftotext (Debian package
// poppler-utils, which ./test installs).
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

const char* const kConverterName = "qzm_make_help_pdf";
const char* const kHelpPdfName = "QZM-530RX_Help_Eng.pdf";
constexpr qint64 kMinGuideBytes = 20000; // a few pages of text with embedded fonts
constexpr int kConverterTimeoutMs = 60000;
constexpr int kTitlePages = 1;
constexpr int kMinGuidePages = 5;

// The tests, the tool and the help document all land in the same output folder.
QString OutputFolder()
{
    static int argc = 1;
    static char name[] = "help_pdf_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return QCoreApplication::applicationDirPath();
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Page objects of a PDF ("/Type /Page", not "/Type /Pages").
int CountPages(const QByteArray& pdf)
{
    int pages = 0;
    const QByteArray tag("/Type /Page");
    for (qsizetype at = pdf.indexOf(tag); at >= 0; at = pdf.indexOf(tag, at + 1))
        if (pdf.mid(at + tag.size(), 1) != "s")
            ++pages;
    return pages;
}

int RunConverter(const QStringList& args)
{
    QProcess process;
    process.start(QDir(OutputFolder()).filePath(QString::fromLatin1(kConverterName)), args);
    if (!process.waitForFinished(kConverterTimeoutMs)) {
        process.kill();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// The text of each page of a PDF, laid out as on the page; empty when the
// text cannot be read.
QStringList PageTexts(const QString& pdfPath)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return {};
    QProcess process;
    process.start(tool, {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                         pdfPath, QStringLiteral("-")});
    if (!process.waitForFinished(kConverterTimeoutMs) || process.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(QChar('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// The level-1 heading and the level-2 headings of a guide's Markdown, as
// the document shows them.
struct CGuideHeadings
{
    QString title;
    QStringList chapters;
};

CGuideHeadings Headings(const QByteArray& markdown)
{
    CGuideHeadings headings;
    for (const QByteArray& rawLine : markdown.split('\n')) {
        QString line = QString::fromUtf8(rawLine).trimmed();
        line.remove(QChar('\\'));
        if (line.startsWith(QStringLiteral("## ")))
            headings.chapters.push_back(line.mid(3).trimmed());
        else if (line.startsWith(QStringLiteral("# ")) && headings.title.isEmpty())
            headings.title = line.mid(2).trimmed();
    }
    return headings;
}

bool HasLine(const QString& page, const QString& line)
{
    for (const QString& candidate : page.split(QChar('\n')))
        if (candidate.trimmed() == line)
            return true;
    return false;
}

// The contents of the title page: each entry's text and page number.
std::vector<std::pair<QString, int>> ContentsEntries(const QString& titlePage)
{
    static const QRegularExpression entry(QStringLiteral("^\\s*(\\S.*?)\\s{2,}(\\d+)\\s*$"));
    std::vector<std::pair<QString, int>> entries;
    const QStringList lines = titlePage.split(QChar('\n'));
    bool inContents = false;
    for (const QString& line : lines) {
        if (line.trimmed() == QStringLiteral("Contents")) {
            inContents = true;
            continue;
        }
        const QRegularExpressionMatch match = entry.match(line);
        if (inContents && match.hasMatch())
            entries.emplace_back(match.captured(1), match.captured(2).toInt());
    }
    return entries;
}

// A guide as the converter lays it out: the title page with the title and
// one contents entry for each chapter, in order; each chapter's heading on
// the page its entry names and on no other; every page after the title
// page with the footer "Page n of N".
void ExpectLaidOutGuide(const QString& pdfPath, const QByteArray& markdown)
{
    const QStringList pages = PageTexts(pdfPath);
#ifdef __linux__
    ASSERT_FALSE(pages.isEmpty()) << "no text read from " << pdfPath.toStdString()
                                  << " (pdftotext, package poppler-utils, is needed)";
#else
    if (pages.isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
#endif
    const CGuideHeadings headings = Headings(markdown);
    const int total = static_cast<int>(pages.size());
    EXPECT_TRUE(HasLine(pages[0], headings.title));

    const auto entries = ContentsEntries(pages[0]);
    QStringList entryTexts;
    for (const auto& entry : entries)
        entryTexts.push_back(entry.first);
    EXPECT_EQ(entryTexts, headings.chapters);
    for (const auto& [chapter, pageNumber] : entries) {
        ASSERT_GT(pageNumber, kTitlePages) << chapter.toStdString();
        ASSERT_LE(pageNumber, total) << chapter.toStdString();
        for (int number = kTitlePages + 1; number <= total; ++number) {
            EXPECT_EQ(HasLine(pages[number - 1], chapter), number == pageNumber)
                << chapter.toStdString() << " on page " << number << ", contents say "
                << pageNumber;
        }
    }

    const QRegularExpression anyFooter(QStringLiteral("Page \\d+ of \\d+"));
    EXPECT_FALSE(pages[0].contains(anyFooter)) << "the title page has no footer";
    for (int number = kTitlePages + 1; number <= total; ++number) {
        const QRegularExpression footer(
            QStringLiteral("\\bPage %1 of %2\\s*$").arg(number).arg(total));
        EXPECT_TRUE(pages[number - 1].trimmed().contains(footer)) << "page " << number;
    }
}

TEST(HelpPdf, BuiltGuideHasItsContentsChaptersAndFooters)
{
    const QString path = QDir(OutputFolder()).filePath(QString::fromLatin1(kHelpPdfName));
    const QByteArray pdf = ReadAll(path);
    ASSERT_TRUE(pdf.startsWith("%PDF")) << "the build did not make " << kHelpPdfName;
    EXPECT_GT(pdf.size(), kMinGuideBytes);
    EXPECT_GE(CountPages(pdf), kMinGuidePages);
    ExpectLaidOutGuide(path, ReadAll(QString::fromUtf8(QZM_HELP_SOURCE)));
}

TEST(HelpPdf, ConverterMakesTitlePageAndPaginatesLongText)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString input = dir.filePath(QStringLiteral("guide.md"));
    const QString output = dir.filePath(QStringLiteral("guide.pdf"));
    QByteArray markdown(
        "# Title\n\nSubtitle\n\n## One\n\n| a | b |\n|---|---|\n| 1 | 2 |\n\n## Two\n\n");
    for (int i = 0; i < 300; ++i)
        markdown += "A paragraph long enough to take a line or two of the page, said again.\n\n";
    QFile file(input);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(markdown);
    file.close();

    ASSERT_EQ(RunConverter({input, output}), 0);
    const QByteArray pdf = ReadAll(output);
    ASSERT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_GE(CountPages(pdf), 4); // the title page and several pages of text
    ExpectLaidOutGuide(output, markdown);
}

TEST(HelpPdf, ImagesBesideTheGuideAreEmbeddedAndAMissingOneFails)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    ASSERT_TRUE(picture.save(dir.filePath(QStringLiteral("shot.png"))));
    const QString input = dir.filePath(QStringLiteral("guide.md"));
    const QString output = dir.filePath(QStringLiteral("guide.pdf"));
    const auto writeGuide = [&](const QByteArray& image) {
        QFile file(input);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("# Title\n\nSubtitle\n\n## One\n\nText.\n\n![A picture](" + image + ")\n");
    };
    writeGuide("shot.png");
    ASSERT_EQ(RunConverter({input, output}), 0);
    EXPECT_TRUE(ReadAll(output).contains("/Subtype /Image")) << "the picture is in the PDF";

    writeGuide("missing.png");
    QFile::remove(output);
    EXPECT_EQ(RunConverter({input, output}), 1) << "never a guide without its picture";
}

TEST(HelpPdf, ConverterRefusesBadArguments)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString output = dir.filePath(QStringLiteral("out.pdf"));
    EXPECT_EQ(RunConverter({dir.filePath(QStringLiteral("missing.md"))}), 2);
    EXPECT_EQ(RunConverter({dir.filePath(QStringLiteral("missing.md")), output}), 1);
    EXPECT_FALSE(QFile::exists(output));

    const QString input = dir.filePath(QStringLiteral("guide.md"));
    QFile file(input);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# Title\n\nText\n");
    file.close();
    EXPECT_EQ(RunConverter({input, dir.filePath(QStringLiteral("no-such-folder/out.pdf"))}), 1);
}

} // namespace
