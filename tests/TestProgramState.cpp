#include "support/TestEnvironment.h"

#include "core/ProgramState.h"

#include <QApplication>

class TestProgramState : public QObject {
    Q_OBJECT
private slots:
    void freshStateHasItsInitialValues()
    {
        const ProgramState s;
        QCOMPARE(s.PrinterIndex, -1);
        QVERIFY(s.ChosenGhostscript == nullptr);
        QVERIFY(s.OutputDir.isEmpty());
        QVERIFY(s.OutputDirHistory.isEmpty());
        QVERIFY(s.SelectionOrder.isEmpty());
        QVERIFY(!s.CombineOutput);
        QVERIFY(!s.CancelRequested);
        QCOMPARE(s.TitleMode, uint8_t(0));
        const std::array<uint8_t, 5> sets{0, 15, 0, 0, 0};
        QVERIFY(s.ProhibitionSet == sets);
    }

    void fileListOperationsWithoutBrowser()
    {
        const ProgramState s;
        QVERIFY(s.SelectedFiles().isEmpty());
        s.RefreshFileList();  // no browser: nothing happens
    }

    void fileListOperationsGoToTheBrowser()
    {
        ProgramState s;
        int refreshed = 0;
        s.SelectedFilesHook = [] { return QStringList{QStringLiteral("/a/x.ps")}; };
        s.RefreshFileListHook = [&] { ++refreshed; };
        QCOMPARE(s.SelectedFiles(), QStringList{QStringLiteral("/a/x.ps")});
        s.RefreshFileList();
        QCOMPARE(refreshed, 1);
    }
};

KALVINORA_TEST_MAIN(TestProgramState)
#include "TestProgramState.moc"
