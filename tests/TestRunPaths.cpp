#include "support/TestEnvironment.h"

#include "core/ProgramState.h"
#include "engine/RunPaths.h"
#include "engine/WorkPaths.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

// The paths a run derives for a document or picture: the work file's name
// and where Ghostscript writes the output.
class TestRunPaths : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ReleaseShortPaths(); }

    void replaceExtension_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("document") << "/home/u/report.docx" << "/home/u/report.ps";
        QTest::newRow("only the last extension") << "/home/u/archive.tar.gz" << "/home/u/archive.tar.ps";
        QTest::newRow("dot in a folder, none in the name") << "/home/u.v/README" << "/home/u.v/README.ps";
        QTest::newRow("upper case") << "/home/u/PHOTO.JPEG" << "/home/u/PHOTO.ps";
        QTest::newRow("blank and euro kept") << "/home/u/my re=port€.doc" << "/home/u/my re=port€.ps";
    }

    void replaceExtension()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(ReplaceExtension(path, QStringLiteral(".ps")), expected);
    }

    void outputPathKeepsTheSourceName_data()
    {
        QTest::addColumn<bool>("outputDir");
        QTest::newRow("next to the source") << false;
        QTest::newRow("into the output folder") << true;
    }

    void outputPathKeepsTheSourceName()
    {
        QFETCH(bool, outputDir);
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("out"));
        ProgramState s;
        if (outputDir)
            s.OutputDir = dir.filePath(QStringLiteral("out"));
        const QString source = dir.filePath(QStringLiteral("Re=port€,1.doc"));
        // Only the folder comes from the cleaned name: "=", "€" and "," stay.
        const QString folder = outputDir ? dir.filePath(QStringLiteral("out")) : dir.path();
        QCOMPARE(DocumentOutputPath(s, source), folder + QStringLiteral("/Re=port€,1.ps"));
    }

    void outputFolderWithABlankIsReachedWithoutOne()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("my output"));
        QDir().mkpath(out);
        ProgramState s;
        s.OutputDir = out;
        const QString path = DocumentOutputPath(s, dir.filePath(QStringLiteral("letter.docx")));
        const QFileInfo info(path);
        QVERIFY2(!info.path().contains(' '), qPrintable(path));
        QCOMPARE(info.fileName(), QStringLiteral("letter.ps"));
        QCOMPARE(QFileInfo(info.path()).canonicalFilePath(), QFileInfo(out).canonicalFilePath());
    }
};

KALVINORA_TEST_MAIN(TestRunPaths)
#include "TestRunPaths.moc"
