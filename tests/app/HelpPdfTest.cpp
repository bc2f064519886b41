// The help document and the tool that makes it from Markdown.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const char* const kConverterName = "qzm_make_help_pdf";
const char* const kHelpPdfName = "QZM-530RX_Help_Eng.pdf";
constexpr qint64 kMinGuideBytes = 20000; // a few pages of text with embedded fonts
constexpr int kConverterTimeoutMs = 60000;

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
    for (qsizetype at = pdf.indexOf(tag); at >= 0; at = pdf.indexOf(tag, at + 1)) {
        if (pdf.mid(at + tag.size(), 1) != "s") {
            ++pages;
        }
    }
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

TEST(HelpPdf, BuiltGuideIsAPdfOfSeveralPages)
{
    const QByteArray pdf =
        ReadAll(QDir(OutputFolder()).filePath(QString::fromLatin1(kHelpPdfName)));
    ASSERT_TRUE(pdf.startsWith("%PDF")) << "the build did not make " << kHelpPdfName;
    EXPECT_GT(pdf.size(), kMinGuideBytes);
    EXPECT_GE(CountPages(pdf), 5);
}

TEST(HelpPdf, ConverterMakesTitlePageAndPaginatesLongText)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString input = dir.filePath(QStringLiteral("guide.md"));
    const QString output = dir.filePath(QStringLiteral("guide.pdf"));
    QByteArray markdown(
        "# Title\n\nSubtitle\n\n## One\n\n| a | b |\n|---|---|\n| 1 | 2 |\n\n## Two\n\n");
    for (int i = 0; i < 300; ++i) {
        markdown += "A paragraph long enough to take a line or two of the page, said again.\n\n";
    }
    QFile file(input);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(markdown);
    file.close();

    ASSERT_EQ(RunConverter({input, output}), 0);
    const QByteArray pdf = ReadAll(output);
    ASSERT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_GE(CountPages(pdf), 4); // the title page and several pages of text
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
