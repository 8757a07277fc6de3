#pragma once

#include "core/ProgramState.h"

#include <QDialog>
#include <QList>
#include <QPair>
#include <QString>

#include <array>

class HtmlButton;
class HtmlCheckBox;
class PasswordEdit;
class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QToolButton;

// The settings dialog: every setting that is not chosen directly in the main
// window's menus. It copies the values of the program state into its
// controls when it is created and copies them back only when OK is pressed;
// nothing is written to the settings file here.
class TFormOption : public QDialog {
    Q_OBJECT
public:
    explicit TFormOption(ProgramState& state, QWidget* owner = nullptr);
    ~TFormOption() override;

    // The page controls: settings, input and output; the output page holds
    // PDF, encryption, raster and TIFF.
    QTabWidget* PageControl1;
    QWidget* TabSheetSettings;
    QWidget* TabSheetInput;
    QWidget* TabSheetOutput;
    QTabWidget* PageControl2;
    QWidget* TabSheetPDF;
    QWidget* TabSheetEncryption;
    QWidget* TabSheetGraphics;
    QWidget* TabSheetTIFF;

    // Settings page.
    QLabel* LabelGhostscript;
    QComboBox* ComboBoxGhostscript;
    QLabel* LabelPrinter;
    QComboBox* ComboBoxPrinter;
    QPushButton* ButtonTest;
    HtmlCheckBox* CheckBoxPSDir;
    QLineEdit* EditPSDir;
    QToolButton* ButtonPSDir;
    HtmlCheckBox* CheckBoxDelPS;
    HtmlCheckBox* CheckBoxRenamePS;
    HtmlCheckBox* CheckBoxCreateProt;
    QToolButton* ButtonProtocol;

    // Input page: how pictures are put on paper.
    QGroupBox* GroupBoxConvBmp;
    QGroupBox* RadioGroupPaperBmp;
    QButtonGroup* PaperBmpButtons;
    QGroupBox* GroupBoxPlaceBmp;
    // The nine position buttons, by column (L, C, R = x 0..2) and row
    // (T, C, B = y 0..2); exactly one of them is down.
    QToolButton* PosLT;
    QToolButton* PosLC;
    QToolButton* PosLB;
    QToolButton* PosCT;
    QToolButton* PosCC;
    QToolButton* PosCB;
    QToolButton* PosRT;
    QToolButton* PosRC;
    QToolButton* PosRB;
    QButtonGroup* PositionButtons;
    QGroupBox* GroupBoxPapersett;
    QSpinBox* SpinBorderLeft;
    QSpinBox* SpinBorderRight;
    QSpinBox* SpinBorderTop;
    QSpinBox* SpinBorderBottom;

    // Output / PDF.
    QGroupBox* RadioGroupGrafQual;
    QButtonGroup* GrafQualButtons;
    QGroupBox* RadioGroupAcrobat;
    QButtonGroup* AcrobatButtons;
    QGroupBox* GroupBoxDocTitle;
    QRadioButton* RadioNoTitleChange;
    QRadioButton* RadioTitleFileName;
    QRadioButton* RadioTitleFix;
    QLineEdit* EditTitlePrefix;
    QLineEdit* EditTitleSuffix;
    QLineEdit* EditTitleFix;
    QGroupBox* GroupBoxPaper;
    QComboBox* ComboBoxPaper;
    QComboBox* ComboBoxMeasure;
    QDoubleSpinBox* EditPaperW;
    QDoubleSpinBox* EditPaperH;

    // Output / encryption.
    QGroupBox* GroupBoxEncryption;
    HtmlCheckBox* CheckBox40Bit;
    HtmlCheckBox* CheckBox128Bit;
    QGroupBox* GroupBoxPasswords;
    PasswordEdit* EditOpenPassword;
    PasswordEdit* EditProtPassword;
    QGroupBox* GroupBoxPermissions;
    // Row n is the user-defined prohibition set n + 1; the columns deny
    // printing, changes, copying and annotations (bits 1, 2, 4, 8).
    std::array<std::array<QCheckBox*, 4>, 3> CheckBoxPermission{};
    std::array<QLineEdit*, 3> EditSetName{};

    // Output / raster.
    QGroupBox* GroupBoxDPI;
    QSpinBox* SpinDPIx;
    QSpinBox* SpinDPIy;
    QGroupBox* GroupBoxJPEG;
    QRadioButton* RadioGray;
    QRadioButton* RadioRGB;
    QSlider* TrackBarJPEGQual;
    QLabel* LabelJPEGQual;
    QGroupBox* RadioGroupBmpColor;
    QButtonGroup* BmpColorButtons;

    // Output / TIFF.
    QDoubleSpinBox* SpinTIFFRes;
    QGroupBox* RadioGroupTFExt;
    QButtonGroup* TFExtButtons;
    QGroupBox* RadioGroupTFCompr;
    QButtonGroup* TFComprButtons;

    // Bottom row.
    QToolButton* ButtonSupportInfo;
    QLabel* LinkLabel;
    HtmlButton* ButtonOK;
    QPushButton* ButtonCancel;

    // Handlers, named after their control and event.
    void ButtonOKClick();
    void ButtonTestClick();
    void ButtonProtocolClick();
    void ButtonSupportInfoClick();
    void ButtonPSDirClick();
    void CheckBoxPSDirClick();
    void ComboBoxPaperChange();
    void ComboBoxMeasureChange();
    void TrackBarJPEGQualChange();

    // The maker's web page behind the link label.
    static QString HomepageUrl();

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildSettingsPage();
    void BuildInputPage();
    void BuildPdfPage();
    void BuildEncryptionPage();
    void BuildGraphicsPage();
    void BuildTiffPage();
    void BuildBottomRow(QBoxLayout* layout);

    void FormCreate();
    void SetTexts();
    void CopyValuesIn();
    void AdjustForScreenResolution();
    // The size limit of the paper edits follows the unit.
    void UpdatePaperLimits();
    // Fills the size edits from the paper table for a named paper.
    void FillPaperSize();

    // Disables (or restores) every control while the printer test runs.
    void SetControlsBusy(bool busy);

    ProgramState& m_state;
    bool m_busy = false;
    QList<QPair<QWidget*, bool>> m_enabledBeforeTest;
};

// Shows the settings dialog modally over parent; true when it closed with OK
// (the program state then holds the new values).
bool ShowOptions(ProgramState& state, QWidget* parent);
