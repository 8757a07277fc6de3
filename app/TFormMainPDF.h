#pragma once

#include "core/ProgramState.h"
#include "core/Settings.h"
#include "engine/RunWindow.h"

#include <QMainWindow>

#include <functional>

class FileBrowser;
class ImageButton;
class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QProgressBar;
class QSplitter;
class QToolButton;
class QWidget;

// The main window. It owns the program state for the whole run of the
// program, shows the file browser, the menus and output choices, and starts
// conversion runs from its start button.
class TFormMainPDF : public QMainWindow, public SettingsHost, public RunWindow {
    Q_OBJECT
public:
    explicit TFormMainPDF(QWidget* parent = nullptr);
    ~TFormMainPDF() override;

    // Saves the settings, then the placement. Raises when the settings file
    // cannot be written; nothing is saved then.
    void FormDestroy();

    // SettingsHost
    ProgramState& State() override { return m_state; }
    void ChooseGhostscript(const QString& storedPath) override;
    QString ChosenGhostscriptPath() const override;
    void ReleaseGhostscriptList() override;
    void RestoreViewState(const QByteArray& stream) override;
    QByteArray SnapshotViewState() override;
    int BrowserAreaWidth() const override;
    int CurrentLeftWindow() const override;
    bool OutputToInputChecked() const override;

    // RunWindow
    void SetRunning(bool running) override;
    void SetBusyCursor(bool busy) override;
    void SetProgressMaximum(int maximum) override;
    void SetProgressPosition(int position) override;
    void StepProgress() override;
    void ProcessPendingEvents() override;

    // Output format, encryption, protection, combine.
    void AusgabeformatClick(QAction* entry);
    void PopupMenuAusgabeformatPopup();
    void menuEncrypNoClick(QAction* entry);
    void menuSchutzClick(QAction* entry);
    void pMenuEncrypClick(QAction* entry);
    void UpdateEncryptionIndicator();
    void SyncEncryptionPopup();
    static void CopyMenuState(const QAction* from, QAction* to);
    void menuConnectClick();
    void ImageConnectClick();

    // Output directory.
    void SpeedButtonOutDirSelectClick();
    void menuEingabeverzeichnisClick();
    void OutputDirItemClick(QAction* entry);
    void AddOutputDirHistory(const QString& directory);
    void BuildOutputDirMenu();

    // Status bar and printers.
    void HTMLStatusBarContextPopup(const QPoint& position);
    void BuildPrinterMenu();
    void PrinterItemClick(QAction* entry);

    void menuEinstellungenClick();
    void ButtonInfoClick();
    void menuBeendenClick();

    void ButtonStartClick();
    void ButtonCancelClick();

    // The folder picker; tests replace it. Returns the chosen folder or
    // empty text when the user cancelled.
    std::function<QString(const QString& start, const QString& title)> ChooseFolder;

    QMenu* PopupMenuAusgabeformat() const { return m_popupAusgabeformat; }
    QMenu* PopupMenuOutputDirs() const { return m_popupOutputDirs; }
    QMenu* PopupMenuPrinter() const { return m_popupPrinter; }
    QMenu* ElPopupMenuEncrypt() const { return m_popupEncrypt; }
    FileBrowser* Browser() const { return m_browser; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateWidgets();
    void CreateMenus();
    void TranslateTexts();
    void LoadFormSettings();
    void SaveFormSettings();
    void ShowPrinter(bool chooseHint);
    void ApplyLoadedSettings(bool printerKeyWasEmpty);
    QAction* FindAction(const QString& name) const;
    void OpenAddress(const QString& address);

    ProgramState m_state;
    bool m_destroyed = false;
    bool m_shownOnce = false;

    // Menus.
    QMenu* m_menuDatei = nullptr;
    QMenu* m_menuSprache = nullptr;
    QMenu* m_menuExtras = nullptr;
    QMenu* m_menuAusgabeformat = nullptr;
    QMenu* m_menuEncrypt = nullptr;
    QMenu* m_menuSchutzCap = nullptr;
    QMenu* m_menuHilfe = nullptr;
    QMenu* m_menuInternet = nullptr;
    QActionGroup* m_formatGroup = nullptr;
    QActionGroup* m_encryptGroup = nullptr;
    QActionGroup* m_schutzGroup = nullptr;
    QAction* m_menuConnect = nullptr;

    QMenu* m_popupAusgabeformat = nullptr;
    QMenu* m_popupEncrypt = nullptr;
    QMenu* m_popupSchutzCap = nullptr;
    QMenu* m_popupPrinter = nullptr;
    QMenu* m_popupOutputDirs = nullptr;
    QActionGroup* m_outputDirGroup = nullptr;
    QAction* m_menuEingabeverzeichnis = nullptr;

    // Controls.
    QLabel* m_labelInputCap = nullptr;
    QLabel* m_labelPath = nullptr;
    QLabel* m_labelOutputCap = nullptr;
    QLabel* m_labelPathOutput = nullptr;
    QToolButton* m_speedButtonOutDirSelect = nullptr;
    QWidget* m_panelBackground = nullptr;
    FileBrowser* m_browser = nullptr;
    ImageButton* m_buttonDelFile = nullptr;
    ImageButton* m_buttonShowPDF = nullptr;
    ImageButton* m_buttonCancel = nullptr;
    ImageButton* m_buttonStart = nullptr;
    QProgressBar* m_progressBarStatus = nullptr;
    QLabel* m_imageSchluessel = nullptr;
    QLabel* m_imageSchluesselDis = nullptr;
    QLabel* m_imageConnect = nullptr;
    QLabel* m_imageConnectDis = nullptr;
    QLabel* m_printerPanel = nullptr;
};
