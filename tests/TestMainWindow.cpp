#include "support/TestEnvironment.h"

#include "app/HtmlButton.h"
#include "app/TFormMainPDF.h"
#include "core/Settings.h"
#include "core/TMyIniFile.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>

class TestMainWindow : public QObject {
    Q_OBJECT

    QString settingsFile() const { return GetDataFolder() + QStringLiteral("settings.ini"); }

private slots:
    void init()
    {
        QFile::remove(settingsFile());
        SettingsFileName() = settingsFile();
    }

    void looksRight()
    {
        TFormMainPDF w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.grab().save(QStringLiteral("/tmp/mainwindow.png"));
    }
};

KALVINORA_TEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"
