#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include "core/Protocol.h"
#include "core/Settings.h"
#include "engine/WorkPaths.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

using namespace TestFiles;

const QString kEuro = QString(QChar(0x20AC));

}  // namespace

class TestWorkPaths : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    ProgramState m_state;

    QString Dir(const QString& name)
    {
        const QString path = m_dir.path() + '/' + name;
        QDir().mkpath(path);
        return path + '/';
    }

private slots:
    void init()
    {
        SetProtocolEnabled(true);
        QFile::remove(ProtocolFileName());
        m_state = ProgramState();
        m_state.PSDir = Dir(QStringLiteral("psdir"));
    }
    void cleanup() { ReleaseShortPaths(); }

    void workFilePath_data()
    {
        QTest::addColumn<QString>("sourceDir");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("usePSDir");
        QTest::addColumn<bool>("inPSDir");
        QTest::addColumn<QString>("expectedName");
        QTest::newRow("next to the source") << "docs" << "report.ps" << false << false << "report.ps";
        QTest::newRow("PSDir when asked") << "docs" << "report.ps" << true << true << "report.ps";
        QTest::newRow("comma in the folder") << "a,b" << "report.ps" << false << true << "report.ps";
        QTest::newRow("equals sign in the folder") << "a=b" << "report.ps" << false << true << "report.ps";
        QTest::newRow("euro sign in the folder") << "a" + kEuro << "report.ps" << false << true << "report.ps";
        QTest::newRow("three characters removed") << "docs" << "Re=port" + kEuro + ",1.ps" << false << false << "Report1.ps";
        QTest::newRow("blank stays") << "my docs" << "my report.ps" << false << false << "my report.ps";
    }
    void workFilePath()
    {
        QFETCH(QString, sourceDir);
        QFETCH(QString, name);
        QFETCH(bool, usePSDir);
        QFETCH(bool, inPSDir);
        QFETCH(QString, expectedName);
        m_state.UsePSDir = usePSDir;
        const QString source = Dir(sourceDir) + name;
        const QString expected = (inPSDir ? m_state.PSDir : Dir(sourceDir)) + expectedName;

        QCOMPARE(CheckPSPath(m_state, source), expected);
        QVERIFY(QFileInfo(expected).isFile());
        QCOMPARE(QFileInfo(expected).size(), 0);
        QCOMPARE(LogMessages(), (QStringList{QStringLiteral("CheckPSPath1: ") + source,
                                             QStringLiteral("CheckPSPath UsePsDir ") + (usePSDir ? "True" : "False"),
                                             QStringLiteral("CheckPSPath2: ") + expected}));
    }

    void workFileIsTruncated()
    {
        const QString path = Dir(QStringLiteral("trunc")) + QStringLiteral("old.ps");
        QVERIFY(WriteFile(path, "%!PS\nold content\n"));
        QCOMPARE(CheckPSPath(m_state, path), path);
        QCOMPARE(QFileInfo(path).size(), 0);
    }

    void emptyPSDirGivesARootedName()
    {
        m_state.UsePSDir = true;
        m_state.PSDir.clear();
        const QString name = QStringLiteral("kalvinora-workpath-%1.ps").arg(QCoreApplication::applicationPid());
        try {
            QCOMPARE(CheckPSPath(m_state, Dir(QStringLiteral("src")) + name), QStringLiteral("/") + name);
            QFile::remove(QStringLiteral("/") + name);
        } catch (const std::exception& e) {
            // Without the right to write into "/" the creation fails, naming the path.
            QVERIFY2(QString::fromStdString(e.what()).contains(QStringLiteral("/") + name), e.what());
        }
    }

    void workFileThatCannotBeCreatedRaisesWithoutLogging()
    {
        // A folder below a regular file cannot exist, whoever runs the test.
        const QString blocker = Dir(QStringLiteral("blocked")) + QStringLiteral("file");
        QVERIFY(WriteFile(blocker, "x"));
        m_state.UsePSDir = true;
        m_state.PSDir = blocker + '/';
        bool raised = false;
        try {
            CheckPSPath(m_state, Dir(QStringLiteral("src")) + QStringLiteral("report.ps"));
        } catch (const std::exception& e) {
            raised = true;
            QVERIFY2(QString::fromStdString(e.what()).contains(blocker), e.what());
        }
        QVERIFY(raised);
        QVERIFY(LogMessages().isEmpty());
    }

    void outputPath_data()
    {
        QTest::addColumn<QString>("outputDir");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expectedName");
        QTest::newRow("next to the source") << "" << "report.doc" << "report.doc";
        QTest::newRow("output folder") << "out" << "report.doc" << "report.doc";
        QTest::newRow("output folder with delimiter") << "out/" << "report.doc" << "report.doc";
        QTest::newRow("comma stays") << "" << "Re=port" + kEuro + ",1.ps" << "Report,1.ps";
    }
    void outputPath()
    {
        QFETCH(QString, outputDir);
        QFETCH(QString, name);
        QFETCH(QString, expectedName);
        const QString sourceDir = Dir(QStringLiteral("src"));
        const QString source = sourceDir + name;
        if (!outputDir.isEmpty())
            m_state.OutputDir = m_dir.path() + '/' + outputDir;
        const QString base = outputDir.isEmpty() ? sourceDir : m_dir.path() + QStringLiteral("/out/");
        QCOMPARE(CheckOutPath(m_state, source), base + expectedName);
        QStringList log{QStringLiteral("CheckOutPath1: ") + source, QStringLiteral("CheckOutPath2: ") + base + expectedName};
        if (!outputDir.isEmpty())
            log << QStringLiteral("CheckOutPath3: ") + m_state.OutputDir;
        QCOMPARE(LogMessages(), log);
        // Only a name: nothing is created, and a missing folder is not checked.
        QVERIFY(!QFileInfo::exists(base + expectedName));
    }

    void shortPathLeavesPathsWithoutBlanks_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("existing") << QStringLiteral("/usr/bin/gs");
        QTest::newRow("missing") << QStringLiteral("/no/such/file.ps");
        QTest::newRow("missing with blank") << QStringLiteral("/no such/file.ps");
    }
    void shortPathLeavesPathsWithoutBlanks()
    {
        QFETCH(QString, path);
        QCOMPARE(ShortPath(path), path);
    }

    void shortPathOfAFileInAFolderWithBlanks()
    {
        const QString folder = Dir(QStringLiteral("my documents"));
        const QString file = folder + QStringLiteral("report.ps");
        QVERIFY(WriteFile(file, "content"));
        const QString alias = ShortPath(file);
        QVERIFY(!alias.contains(' '));
        QVERIFY(alias.endsWith(QLatin1String("/report.ps")));
        QCOMPARE(QFileInfo(alias).canonicalFilePath(), QFileInfo(file).canonicalFilePath());

        // Renaming and new files through the alias act on the real folder.
        QVERIFY(QFile::rename(alias, alias + QStringLiteral(".old")));
        QVERIFY(QFileInfo::exists(file + QStringLiteral(".old")));
        QVERIFY(!QFileInfo::exists(file));
        QVERIFY(WriteFile(alias, "new"));
        QCOMPARE(ReadFile(file), QByteArray("new"));
    }

    void shortPathOfNamesWithBlanks_data()
    {
        QTest::addColumn<bool>("isFolder");
        QTest::newRow("file") << false;
        QTest::newRow("folder") << true;
    }
    void shortPathOfNamesWithBlanks()
    {
        QFETCH(bool, isFolder);
        const QString path = isFolder ? Dir(QStringLiteral("out put")).chopped(1) : Dir(QStringLiteral("in")) + QStringLiteral("my report.ps");
        if (!isFolder)
            QVERIFY(WriteFile(path, "content"));
        const QString alias = ShortPath(path);
        QVERIFY(!alias.contains(' '));
        QVERIFY(alias != path);
        QCOMPARE(QFileInfo(alias).canonicalFilePath(), QFileInfo(path).canonicalFilePath());
        if (isFolder) {
            QVERIFY(WriteFile(alias + QStringLiteral("/x.pdf"), "pdf"));
            QVERIFY(QFileInfo::exists(path + QStringLiteral("/x.pdf")));
        } else {
            QVERIFY(alias.endsWith(QLatin1String(".ps")));
            QCOMPARE(ReadFile(alias), QByteArray("content"));
        }
    }

    void releaseRemovesOnlyTheAliases()
    {
        const QString folder = Dir(QStringLiteral("keep me"));
        const QString inner = Dir(QStringLiteral("keep me/sub dir"));
        const QString file = folder + QStringLiteral("a.ps");
        const QString spaced = folder + QStringLiteral("b c.ps");
        QVERIFY(WriteFile(file, "a"));
        QVERIFY(WriteFile(spaced, "b"));
        QVERIFY(WriteFile(inner + QStringLiteral("d.ps"), "d"));
        const QStringList aliases{ShortPath(file), ShortPath(spaced), ShortPath(folder.chopped(1)), ShortPath(inner.chopped(1))};
        for (const QString& a : aliases) {
            QVERIFY(!a.contains(' '));
            QVERIFY(QFileInfo::exists(a));
        }

        ReleaseShortPaths();
        for (const QString& a : aliases) {
            QVERIFY2(!QFileInfo(a).isSymLink(), qPrintable(a));
            QVERIFY2(!QFileInfo::exists(a), qPrintable(a));
        }
        QCOMPARE(ReadFile(file), QByteArray("a"));
        QCOMPARE(ReadFile(spaced), QByteArray("b"));
        QCOMPARE(ReadFile(inner + QStringLiteral("d.ps")), QByteArray("d"));
        QVERIFY(QFileInfo(folder).isDir());

        // A later run makes new aliases.
        const QString again = ShortPath(spaced);
        QVERIFY(!again.contains(' '));
        QCOMPARE(ReadFile(again), QByteArray("b"));
    }

    void releaseKeepsWhatIsNotAnAlias()
    {
        const QString file = Dir(QStringLiteral("x y")) + QStringLiteral("f.ps");
        QVERIFY(WriteFile(file, "f"));
        const QString alias = ShortPath(file);
        // Something that is not ours lies next to the aliases.
        const QString aliasFolder = QFileInfo(QFileInfo(alias).path()).path() + '/';
        const QString stranger = aliasFolder + QStringLiteral("stranger.txt");
        QVERIFY(WriteFile(stranger, "s"));
        ReleaseShortPaths();
        QCOMPARE(ReadFile(stranger), QByteArray("s"));
        QCOMPARE(ReadFile(file), QByteArray("f"));
        QFile::remove(stranger);
    }

    void aliasesAvoidADataFolderWithBlanks()
    {
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        const QString spacedHome = Dir(QStringLiteral("data home"));
        qputenv("XDG_DATA_HOME", spacedHome.toLocal8Bit());
        ClearDataFolderCache();
        const QString file = Dir(QStringLiteral("p q")) + QStringLiteral("r s.ps");
        QVERIFY(WriteFile(file, "rs"));
        const QString alias = ShortPath(file);
        ReleaseShortPaths();
        const QString alias2 = ShortPath(Dir(QStringLiteral("p q")) + QStringLiteral("r s.ps"));
        const QString content = QString::fromLatin1(ReadFile(alias2));
        ReleaseShortPaths();
        qputenv("XDG_DATA_HOME", saved);
        ClearDataFolderCache();
        QVERIFY2(!alias.contains(' '), qPrintable(alias));
        QVERIFY2(!alias2.contains(' '), qPrintable(alias2));
        QCOMPARE(content, QStringLiteral("rs"));
        QCOMPARE(ReadFile(file), QByteArray("rs"));
    }
};

KALVINORA_TEST_MAIN(TestWorkPaths)
#include "TestWorkPaths.moc"
