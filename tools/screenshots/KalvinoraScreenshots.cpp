// Takes the pictures of the manual (resources/png) and of the README from
// the real windows, drawn offscreen on a sample folder.

#include "app/FileBrowser.h"
#include "app/TFormMainPDF.h"
#include "core/DialogHost.h"
#include "core/Settings.h"
#include "core/StartupStep.h"
#include "dialogs/Optionen.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <cstdio>

namespace {

// Dialogs are answered without showing them.
class QuietDialogs : public DialogHost {
public:
    int ShowMessage(const MessageRequest& request) override { return request.EscapeResult() ? request.EscapeResult() : 1; }
    bool InputPassword(const QString&, QString&, bool&) override { return false; }
    bool RepeatPassword(const QString&, QString&) override { return false; }
    QString SelectLanguageFile() override { return {}; }
};

void Settle()
{
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QTest::qWait(20);
    }
}

bool Save(const QPixmap& picture, const QString& path)
{
    if (!picture.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// The window with an opened menu (and one of its submenus) drawn over it.
QPixmap WithMenus(QWidget* window, QMenu* menu, QAction* menuAction, QMenu* submenu)
{
    QPixmap canvas = window->grab();
    QMenuBar* bar = window->findChild<QMenuBar*>();
    const QRect titleRect = bar->actionGeometry(menuAction);
    const QPoint menuPos = bar->mapTo(window, titleRect.bottomLeft());
    menu->ensurePolished();
    menu->adjustSize();
    const QPixmap menuPicture = menu->grab();
    QPixmap subPicture;
    QPoint subPos;
    if (submenu) {
        submenu->ensurePolished();
        submenu->adjustSize();
        subPicture = submenu->grab();
        const QRect item = menu->actionGeometry(submenu->menuAction());
        subPos = menuPos + QPoint(item.right() - 2, item.top());
    }
    const int width = std::max({canvas.width(), menuPos.x() + menuPicture.width(), subPos.x() + subPicture.width()});
    const int height = std::max({canvas.height(), menuPos.y() + menuPicture.height(), subPos.y() + subPicture.height()});
    QPixmap result(width, height);
    result.fill(Qt::white);
    QPainter p(&result);
    p.drawPixmap(0, 0, canvas);
    p.drawPixmap(menuPos, menuPicture);
    if (submenu)
        p.drawPixmap(subPos, subPicture);
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawRect(QRect(menuPos, menuPicture.size()).adjusted(0, 0, -1, -1));
    if (submenu)
        p.drawRect(QRect(subPos, subPicture.size()).adjusted(0, 0, -1, -1));
    return result;
}

void SelectRows(QTreeView* list, const QStringList& names)
{
    list->clearSelection();
    for (const QString& name : names) {
        const QModelIndexList hits = list->model()->match(list->model()->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
        if (!hits.isEmpty())
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, list->visualRect(hits.first()).center());
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + "/share").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
    QApplication app(argc, argv);
    // The manual is German: the windows show German numbers and dates.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    if (argc < 3) {
        std::fprintf(stderr, "usage: kalvinora-screenshots MANUAL-PICTURE-FOLDER README-PICTURE\n");
        return 2;
    }
    const QString pictures = QString::fromLocal8Bit(argv[1]);
    const QString readme = QString::fromLocal8Bit(argv[2]);

    // A folder as a user has it.
    const QString folder = home.path() + QStringLiteral("/Dokumente");
    QDir().mkpath(folder + "/Archiv");
    const QString data = QStringLiteral(KALVINORA_SOURCE_DIR "/tests/data/");
    QFile::copy(data + "office/fixture.docx", folder + "/Angebot Müller.docx");
    QFile::copy(data + "office/fixture.rtf", folder + "/Notizen.rtf");
    QFile::copy(data + "threepages.ps", folder + "/Preisliste.ps");
    QImage photo(640, 480, QImage::Format_RGB32);
    {
        QPainter p(&photo);
        QLinearGradient sky(0, 0, 0, 480);
        sky.setColorAt(0, QColor(80, 150, 230));
        sky.setColorAt(1, QColor(250, 220, 160));
        p.fillRect(photo.rect(), sky);
    }
    photo.save(folder + "/Strand.jpg", "JPEG");
    photo.save(folder + "/Logo.png", "PNG");

    QuietDialogs dialogs;
    ScopedDialogHost host(&dialogs);
    ToolsStartup(QStringList{QStringLiteral("--screenshots")});

    bool ok = true;
    {
        TFormMainPDF window;
        window.resize(780, 520);
        window.show();
        window.Browser()->BrowseTo(folder);
        Settle();
        ok &= Save(window.grab(), pictures + "/1.png");

        SelectRows(window.Browser()->ListView(), {"Angebot Müller.docx", "Strand.jpg", "Preisliste.ps"});
        Settle();
        ok &= Save(window.grab(), pictures + "/2.png");
        ok &= Save(window.grab(), readme);

        window.ChooseFolder = [&](const QString&, const QString&) { return folder + "/Archiv"; };
        window.SpeedButtonOutDirSelectClick();
        Settle();
        ok &= Save(window.grab(), pictures + "/5.png");

        auto* extras = window.findChild<QMenu*>(QStringLiteral("menuExtras"));
        auto* formats = window.findChild<QMenu*>(QStringLiteral("menuAusgabeformat"));
        auto* encryption = window.findChild<QMenu*>(QStringLiteral("menuEncrypt"));
        ok &= Save(WithMenus(&window, extras, extras->menuAction(), formats), pictures + "/H.png");
        ok &= Save(WithMenus(&window, extras, extras->menuAction(), encryption), pictures + "/I.png");

        {
            TFormOption options(window.State(), &window);
            options.show();
            options.PageControl1->setCurrentWidget(options.TabSheetOutput);
            Settle();
            ok &= Save(options.grab(), pictures + "/L.png");
            options.PageControl1->setCurrentWidget(options.TabSheetSettings);
            Settle();
            ok &= Save(options.grab(), pictures + "/printerop2.png");
            options.reject();
        }
        window.close();
    }
    return ok ? 0 : 1;
}
