#include "ui/frame/HelpDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void Touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

} // namespace

// An installed program keeps its executables in bin/ and the guide in
// share/doc/qzm530rx/; a build tree or a program in one folder keeps the
// guide beside the executable, which then wins.
TEST(HelpDocument, FoundBesideTheProgramOrInTheInstalledDocumentationFolder)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString bin = root.filePath(QStringLiteral("usr/bin"));
    QDir().mkpath(bin);
    const QString beside = QDir(bin).filePath(QString::fromLatin1(HelpDocument::kFileName));
    const QString installed = root.filePath(QStringLiteral("usr/share/doc/qzm530rx/")) +
                              QString::fromLatin1(HelpDocument::kFileName);

    EXPECT_EQ(HelpDocument::PathFor(bin), beside) << "neither: the path beside the program";

    Touch(installed);
    EXPECT_EQ(HelpDocument::PathFor(bin), QDir::cleanPath(installed));

    Touch(beside);
    EXPECT_EQ(HelpDocument::PathFor(bin), beside);
}
